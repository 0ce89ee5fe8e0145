#include "TrendJournalFormat.h"

#include <QDir>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qm {

void AppendCsvField(QByteArray& out, const QByteArray& field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n')) {
        out.append(field);
        return;
    }
    out.append('"');
    for (char c : field) {
        if (c == '"') out.append('"');
        out.append(c);
    }
    out.append('"');
}

namespace {

void appendField(QByteArray& out, const QByteArray& field) { AppendCsvField(out, field); }

// Four decimals, as the trend file keeps them, without trailing zeros: 7.01, 25.5, -3, 0.
void appendValue(QByteArray& out, double v)
{
    if (!std::isfinite(v)) return;
    char buf[400];  // the largest double in fixed point with four decimals needs about 315
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    if (r.ec != std::errc()) return;
    const char* end = r.ptr;
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
    const char* begin = buf;
    if (end - begin == 2 && begin[0] == '-' && begin[1] == '0') ++begin;  // no "-0"
    out.append(begin, end - begin);
}

void appendTwo(QByteArray& out, int n)
{
    out.append(char('0' + n / 10 % 10));
    out.append(char('0' + n % 10));
}

}  // namespace

QString JournalDirName() { return QStringLiteral("Журнал"); }

QString JournalFilePath(const QString& workDir, const QDate& day)
{
    return QDir(workDir).filePath(JournalDirName() + QLatin1Char('/') + day.toString(QStringLiteral("yyyy-MM-dd"))
                                  + QStringLiteral(".csv"));
}

QByteArray JournalBom() { return QByteArrayLiteral("\xEF\xBB\xBF"); }

QByteArray JournalHeader(const PolledRange& range)
{
    QByteArray out;
    appendField(out, QStringLiteral("Время").toUtf8());
    for (int k = 1; k <= range.count(); ++k) {
        const QByteArray address = QByteArray::number(range.addressOf(k));
        out.append(',');
        appendField(out, "pH." + address);
        out.append(',');
        appendField(out, "T." + address);
    }
    out.append("\r\n");
    return out;
}

QByteArray JournalTime(const QDateTime& time)
{
    if (!time.isValid()) return QByteArray();
    QByteArray out = time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = std::abs(offset);
    out.append(offset < 0 ? '-' : '+');
    appendTwo(out, magnitude / 60);
    out.append(':');
    appendTwo(out, magnitude % 60);
    return out;
}

QByteArray JournalLine(DateTime time, const SampleChannels& channels, const PolledRange& range)
{
    QByteArray out;
    out.reserve(32 + range.count() * 16);
    out.append(JournalTime(FromDateTime(time)));
    for (int k = 1; k <= range.count(); ++k) {
        const double pH = channels[size_t(2 * k - 1)];
        const double t = channels[size_t(2 * k)];
        const bool neverAnswered = pH == 0.0 && t == 0.0;
        out.append(',');
        if (!neverAnswered && pH != NoDataMark) appendValue(out, pH);
        out.append(',');
        if (!neverAnswered && t != NoDataMark) appendValue(out, t);
    }
    out.append("\r\n");
    return out;
}

QByteArray JournalLine(const TrendStore& store, int i, const PolledRange& range)
{
    if (i < 1 || i > store.TrendCount()) return QByteArray();
    SampleChannels channels{};
    for (int ch = 1; ch <= 2 * range.count(); ++ch) channels[size_t(ch)] = store.TrendValue(ch, i);
    return JournalLine(store.TrendTime(i), channels, range);
}

QByteArray TrendCsv(const TrendStore& store, const PolledRange& range)
{
    QByteArray out = JournalBom() + JournalHeader(range);
    out.reserve(out.size() + qsizetype(store.TrendCount()) * (32 + range.count() * 16));
    for (int i = 1; i <= store.TrendCount(); ++i) out.append(JournalLine(store, i, range));
    return out;
}

}  // namespace qm
