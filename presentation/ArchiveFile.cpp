#include "ArchiveFile.h"

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
}  // namespace

QString ArchiveDateTimeText(const QString& line) { return line.left(TimeHasSeconds(line) ? 18 : 15); }

bool ParseArchiveLine(const QString& line, ArchivePoint* point)
{
    const QString dateTime = ArchiveDateTimeText(line);
    ArchivePoint p;
    if (!ParseDateTimeText(dateTime, &p.Time)) return false;
    // Values start at the 16th character, or at the 19th after a time with seconds.
    qsizetype pos = TimeHasSeconds(line) ? 18 : 15;
    p.Value1 = ReadValue(line, &pos);
    p.Value2 = ReadValue(line, &pos);
    p.Value3 = ReadValue(line, &pos);
    if (point) *point = p;
    return true;
}

QString InvalidDateTimeMessage(const QString& dateTimeText)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(dateTimeText);
}

}  // namespace qm
