#include "ArchiveFile.h"

#include "SystemErrorText.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>

namespace qm {

namespace {

constexpr char CodePage[] = "windows-1251";

QByteArray EncodeLine(const QString& line, int* unencodable)
{
    QStringEncoder encoder(CodePage);
    QByteArray bytes = encoder.encode(line);
    if (!encoder.hasError()) return bytes;
    // The converter would write its own substitute byte (0x1A); a "?" is what a reader expects to
    // see. Only lines with such characters take this slower path, one code point at a time.
    bytes.clear();
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype width = line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate() ? 2 : 1;
        QStringEncoder one(CodePage);
        const QByteArray b = one.encode(QStringView(line).mid(i, width));
        if (one.hasError() || b.isEmpty()) {
            bytes.append('?');
            if (unencodable) ++*unencodable;
        } else {
            bytes.append(b);
        }
        i += width;
    }
    return bytes;
}

// One value field: blanks skipped from pos, then everything up to the next blank.
double ReadValue(const QString& line, qsizetype* pos)
{
    qsizetype p = *pos;
    while (p < line.size() && line.at(p) == QLatin1Char(' ')) ++p;
    const qsizetype start = p;
    while (p < line.size() && line.at(p) != QLatin1Char(' ')) ++p;
    *pos = p;
    if (p == start) return 0;
    QString field = line.mid(start, p - start);
    field.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

}  // namespace

QString ProposedArchiveName(const QString& addressText, const QString& dateTag)
{
    return QStringLiteral("АрхивN") + addressText + QLatin1Char('_') + dateTag;
}

QString WithArchiveExtension(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QStringView name = QStringView(path).mid(slash + 1);
    if (name.size() >= 4 && name.at(name.size() - 4) == QLatin1Char('.')) return path;
    return path + QStringLiteral(".txt");
}

QByteArray EncodeArchiveLines(const QStringList& lines, int* unencodable)
{
    if (unencodable) *unencodable = 0;
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes.append(EncodeLine(line, unencodable));
        bytes.append("\r\n");
    }
    return bytes;
}

QStringList DecodeArchiveLines(const QByteArray& bytes)
{
    QStringDecoder decoder(CodePage);
    const QString text = decoder.decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

namespace {
bool TimeHasSeconds(const QString& line) { return line.size() >= 15 && line.at(14) == QLatin1Char(':'); }

// Two decimal digits at p, or -1.
int TwoDigitsAt(const QChar* p)
{
    const unsigned a = p[0].unicode() - '0', b = p[1].unicode() - '0';
    return a < 10 && b < 10 ? int(a * 10 + b) : -1;
}

// A value field as the program writes it ("-12,3", up to 15 digits), ending at a blank or the end
// of the line: read in one pass. An exact integer divided by an exact power of ten is the
// correctly rounded value, as QString::toDouble gives it. False for any other field.
bool ReadPlainValue(const QString& line, qsizetype* pos, double* value)
{
    static constexpr double PowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const QChar* p = line.constData();
    const qsizetype size = line.size();
    qsizetype q = *pos;
    while (q < size && p[q] == QLatin1Char(' ')) ++q;
    const bool negative = q < size && p[q] == QLatin1Char('-');
    if (q < size && (p[q] == QLatin1Char('-') || p[q] == QLatin1Char('+'))) ++q;
    quint64 mantissa = 0;  // exact while digits <= 15
    int digits = 0, fraction = 0;
    const auto readDigits = [&]() {
        int n = 0;
        for (unsigned d; q < size && (d = unsigned(p[q].unicode()) - '0') < 10; ++q, ++n) mantissa = mantissa * 10 + d;
        return n;
    };
    digits = readDigits();
    const bool separator = q < size && (p[q] == QLatin1Char(',') || p[q] == QLatin1Char('.'));
    if (separator) {
        ++q;
        fraction = readDigits();
        digits += fraction;
    }
    if ((q < size && p[q] != QLatin1Char(' ')) || digits == 0 || digits > 15 || (separator && fraction == 0))
        return false;
    const double v = double(mantissa) / PowersOfTen[fraction];
    *value = negative ? -v : v;
    *pos = q;
    return true;
}
}  // namespace

QString ReadArchiveFile(const QString& path, QByteArray* bytes)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return NotRegularFileText();
    QFile file(path);
    // One byte beyond the bound tells a file that is too large, whatever size it reports.
    if (file.open(QIODevice::ReadOnly)) *bytes = file.read(MaxArchiveFileBytes + 1);
    if (file.error() != QFileDevice::NoError) return ReadErrorText(file);
    if (bytes->size() > MaxArchiveFileBytes) return QStringLiteral("файл слишком велик для файла архива (больше 1 МБ)");
    return QString();
}

QString ArchiveDateTimeText(const QString& line) { return line.left(TimeHasSeconds(line) ? 18 : 15); }

bool ParseArchiveLine(const QString& line, ArchivePoint* point) { return ArchiveLineReader().read(line, point); }

ArchiveLineReader::ArchiveLineReader() : m_currentYear(CurrentDateTime().date().year()) {}

bool ArchiveLineReader::read(const QString& line, ArchivePoint* point)
{
    ArchivePoint p;
    const bool seconds = TimeHasSeconds(line);
    // "dd.mm.yy hh:mm" or "dd.mm.yy hh:mm:ss", then a blank or the end of the line, as the program
    // writes it, on a day without a clock change: its value without a detour through the time
    // zone. Any other text goes to the general reader.
    bool plain = false;
    const qsizetype length = seconds ? 17 : 14;
    const QChar* c = line.constData();
    if (line.size() >= length && (line.size() == length || c[length] == QLatin1Char(' ')) && c[2] == QLatin1Char('.')
        && c[5] == QLatin1Char('.') && c[8] == QLatin1Char(' ') && c[11] == QLatin1Char(':')) {
        const int day = TwoDigitsAt(c), month = TwoDigitsAt(c + 3), yy = TwoDigitsAt(c + 6);
        const int hour = TwoDigitsAt(c + 9), minute = TwoDigitsAt(c + 12), second = seconds ? TwoDigitsAt(c + 15) : 0;
        if (day >= 0 && month >= 0 && yy >= 0 && hour >= 0 && minute >= 0 && second >= 0) {
            const QDate date(ExpandTwoDigitYear(yy, m_currentYear), month, day);
            if (!date.isValid() || hour > 23 || minute > 59 || second > 59) return false;
            if (date.toJulianDay() != m_day) {
                m_day = date.toJulianDay();
                m_plainDay = QDateTime(date, QTime(0, 0)).offsetFromUtc()
                             == QDateTime(date.addDays(1), QTime(0, 0)).offsetFromUtc();
            }
            if (m_plainDay) {
                const int msecs = (hour * 3600 + minute * 60 + second) * 1000;
                p.Time = double(m_day - DateTimeEpochJulianDay) + msecs / 86400000.0;
                plain = true;
            }
        }
    }
    if (!plain && !ParseDateTimeText(ArchiveDateTimeText(line), &p.Time)) return false;
    // Values start at the 16th character, or at the 19th after a time with seconds.
    qsizetype pos = seconds ? 18 : 15;
    for (double* value : {&p.Value1, &p.Value2, &p.Value3})
        if (!ReadPlainValue(line, &pos, value)) *value = ReadValue(line, &pos);
    if (point) *point = p;
    return true;
}

QString InvalidDateTimeMessage(const QString& dateTimeText)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(dateTimeText);
}

}  // namespace qm
