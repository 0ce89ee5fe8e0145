#include "AlarmLimitsFile.h"

#include "SystemErrorText.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <charconv>
#include <cmath>

namespace qm {

namespace {

// A hand-written file of limits is a few hundred bytes; anything past this is not read.
constexpr qint64 MaxAlarmFileBytes = 256 * 1024;
// A field longer than this is shown cut short.
constexpr int MaxShown = 24;

QString quoted(QStringView token)
{
    QString text = token.left(MaxShown).toString();
    if (token.size() > MaxShown) text += QChar(0x2026);
    return QStringLiteral("«") + text + QStringLiteral("»");
}

QString rangeText(AlarmQuantity q)
{
    const QuantityRange r = RangeOf(q);
    return q == AlarmQuantity::Ph ? QStringLiteral("от %1 до %2").arg(r.min).arg(r.max)
                                  : QStringLiteral("от %1 до %2 °C").arg(r.min).arg(r.max);
}

// One line of the file as read: blank (or only a comment), a limit, or a line that was ignored.
struct Line {
    enum Kind { Blank, Limit, Bad } kind = Blank;
    AlarmLimit limit;
    QString problem;
    QString comment;  // from "#" on, as written
};

Line parseLine(QStringView text)
{
    Line line;
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        line.comment = text.mid(hash).toString();
        text = text.left(hash);
    }
    QList<QStringView> fields;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i].isSpace()) ++i;
        const qsizetype start = i;
        while (i < text.size() && !text[i].isSpace()) ++i;
        if (i > start) fields << text.mid(start, i - start);
    }
    if (fields.isEmpty()) return line;
    line.kind = Line::Bad;
    if (fields.size() != 6) {
        line.problem = QStringLiteral("нужно шесть полей: адрес, величина (pH или T), нижняя и верхняя уставки, зона "
                                      "возврата и задержка в секундах, например «2 pH 6.5 8.5 0.05 10»");
        return line;
    }
    AlarmLimit& l = line.limit;
    bool ok = false;
    l.address = fields[0].toInt(&ok);
    if (!ok || l.address < 1 || l.address > AlarmAddressMax) {
        line.problem = QStringLiteral("адрес %1 должен быть целым числом от 1 до %2").arg(quoted(fields[0])).arg(AlarmAddressMax);
        return line;
    }
    if (fields[1].compare(QLatin1String("pH"), Qt::CaseInsensitive) == 0) {
        l.quantity = AlarmQuantity::Ph;
    } else if (fields[1].compare(QLatin1String("T"), Qt::CaseInsensitive) == 0) {
        l.quantity = AlarmQuantity::T;
    } else {
        line.problem = QStringLiteral("величина %1 должна быть pH или T").arg(quoted(fields[1]));
        return line;
    }
    const struct {
        std::optional<double>* out;
        const char* what;
    } limits[] = {{&l.low, "нижняя уставка"}, {&l.high, "верхняя уставка"}};
    for (int k = 0; k < 2; ++k) {
        bool absent = false;
        *limits[k].out = ParseLimitNumber(fields[2 + k].toString(), &absent);
        if (!*limits[k].out && !absent) {
            line.problem = QStringLiteral("%1 %2 не число").arg(QString::fromUtf8(limits[k].what), quoted(fields[2 + k]));
            return line;
        }
    }
    bool absent = false;
    const std::optional<double> deadband = ParseLimitNumber(fields[4].toString(), &absent);
    if (!deadband && !absent) {
        line.problem = QStringLiteral("зона возврата %1 не число").arg(quoted(fields[4]));
        return line;
    }
    l.deadband = deadband.value_or(0);
    if (fields[5] == QLatin1String("-")) {
        l.delaySeconds = 0;
    } else {
        l.delaySeconds = fields[5].toInt(&ok);
        if (!ok) {
            line.problem = QStringLiteral("задержка %1 должна быть целым числом секунд").arg(quoted(fields[5]));
            return line;
        }
    }
    line.problem = AlarmLimitProblem(l);
    if (line.problem.isEmpty()) line.kind = Line::Limit;
    return line;
}

// The file's lines, without their line ends (CR LF, LF or a lone CR), the byte-order mark dropped.
QStringList splitLines(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

int keyOf(int address, AlarmQuantity q) { return address * 2 + (q == AlarmQuantity::T ? 1 : 0); }

// The file's bytes, at most the cap; error set when it cannot be read.
QByteArray readCapped(const QString& path, QString* error, bool* exists)
{
    const QFileInfo info(path);
    *exists = info.exists();
    if (!*exists) return QByteArray();
    // Only a regular file is opened: a pipe or a device could keep the program waiting for ever.
    if (!info.isFile()) {
        *error = NotRegularFileText();
        return QByteArray();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = ReadErrorText(file);
        return QByteArray();
    }
    QByteArray bytes = file.read(MaxAlarmFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = ReadErrorText(file);
        return QByteArray();
    }
    if (bytes.size() > MaxAlarmFileBytes) *error = QStringLiteral("файл больше %1 КБ").arg(MaxAlarmFileBytes / 1024);
    return bytes;
}

}  // namespace

QuantityRange RangeOf(AlarmQuantity quantity)
{
    return quantity == AlarmQuantity::Ph ? QuantityRange{0, 14, 2} : QuantityRange{-20, 150, 1};
}

QString AlarmFileName() { return QStringLiteral("alarms.cfg"); }
QString QuantityName(AlarmQuantity quantity) { return quantity == AlarmQuantity::Ph ? QStringLiteral("pH") : QStringLiteral("T"); }

const AlarmLimit* FindLimit(const AlarmLimits& limits, int address, AlarmQuantity quantity)
{
    for (const AlarmLimit& l : limits)
        if (l.address == address && l.quantity == quantity) return &l;
    return nullptr;
}

QString AlarmLimitProblem(const AlarmLimit& l)
{
    if (l.address < 1 || l.address > AlarmAddressMax)
        return QStringLiteral("адрес должен быть от 1 до %1").arg(AlarmAddressMax);
    const QuantityRange r = RangeOf(l.quantity);
    const QString name = QuantityName(l.quantity);
    const auto outside = [&](const std::optional<double>& v) { return v && !(*v >= r.min && *v <= r.max); };
    if (outside(l.low)) return QStringLiteral("нижняя уставка %1 должна быть %2").arg(name, rangeText(l.quantity));
    if (outside(l.high)) return QStringLiteral("верхняя уставка %1 должна быть %2").arg(name, rangeText(l.quantity));
    if (l.low && l.high && !(*l.low < *l.high)) return QStringLiteral("нижняя уставка должна быть меньше верхней");
    if (!(l.deadband >= 0)) return QStringLiteral("зона возврата должна быть не меньше 0");
    if (!(l.deadband <= r.max - r.min))
        return QStringLiteral("зона возврата %1 должна быть не больше %2").arg(name).arg(r.max - r.min);
    if (l.low && l.high && !(l.deadband < *l.high - *l.low))
        return QStringLiteral("зона возврата должна быть меньше разницы между верхней и нижней уставками");
    if (l.delaySeconds < 0 || l.delaySeconds > AlarmDelayMax)
        return QStringLiteral("задержка должна быть от 0 до %1 с").arg(AlarmDelayMax);
    return QString();
}

std::optional<double> ParseLimitNumber(const QString& text, bool* absent)
{
    const QString t = text.trimmed();
    const bool none = t.isEmpty() || t == QLatin1String("-");
    if (absent) *absent = none;
    if (none || t.size() > 32) return std::nullopt;
    // Digits with one decimal point or comma and an optional sign; no exponent, no "inf".
    int separators = 0, digits = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) ++digits;
        else if (c == QLatin1Char('.') || c == QLatin1Char(',')) ++separators;
        else if (!(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))) return std::nullopt;
    }
    if (digits == 0 || separators > 1) return std::nullopt;
    QString c = t;
    c.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString LimitNumberText(std::optional<double> value)
{
    if (!value) return QStringLiteral("-");
    // The fewest digits that read back as the same value, never with an exponent.
    char buf[400];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, *value == 0 ? 0.0 : *value, std::chars_format::fixed);
    if (r.ec != std::errc()) return QStringLiteral("-");
    return QString::fromLatin1(buf, r.ptr - buf);
}

AlarmLimitsRead ParseAlarmLimits(const QByteArray& text)
{
    AlarmLimitsRead read;
    read.exists = true;
    QHash<int, int> lineOf;  // the line each limit was last given on
    const QStringList lines = splitLines(text);
    for (int n = 0; n < lines.size(); ++n) {
        const Line line = parseLine(lines[n]);
        if (line.kind == Line::Bad) {
            read.problems << QStringLiteral("строка %1: %2").arg(n + 1).arg(line.problem);
            continue;
        }
        if (line.kind != Line::Limit) continue;
        const int key = keyOf(line.limit.address, line.limit.quantity);
        if (const auto it = lineOf.constFind(key); it != lineOf.constEnd()) {
            read.problems << QStringLiteral("строка %1: уставки прибора %2 по %3 уже заданы в строке %4; действуют эти")
                                 .arg(n + 1)
                                 .arg(line.limit.address)
                                 .arg(QuantityName(line.limit.quantity))
                                 .arg(*it);
            for (AlarmLimit& l : read.limits)
                if (keyOf(l.address, l.quantity) == key) l = line.limit;
        } else {
            read.limits << line.limit;
        }
        lineOf[key] = n + 1;
    }
    return read;
}

AlarmLimitsRead ReadAlarmLimitsFile(const QString& path)
{
    QString error;
    bool exists = false;
    const QByteArray bytes = readCapped(path, &error, &exists);
    if (!exists) return {};
    if (!error.isEmpty()) {
        AlarmLimitsRead read;
        read.exists = true;
        read.error = error;
        return read;
    }
    return ParseAlarmLimits(bytes);
}

QByteArray AlarmLimitLine(const AlarmLimit& l)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(l.address)
        .arg(QuantityName(l.quantity), LimitNumberText(l.low), LimitNumberText(l.high), LimitNumberText(l.deadband))
        .arg(l.delaySeconds)
        .toUtf8();
}

QByteArray UpdateAlarmLimitsText(const QByteArray& old, const AlarmLimits& limits)
{
    QByteArray out;
    const QStringList lines = splitLines(old);
    if (lines.isEmpty()) {
        out += QStringLiteral("# Уставки тревог: одна уставка в строке\r\n"
                              "# АДРЕС ВЕЛИЧИНА НИЖНЯЯ ВЕРХНЯЯ ЗОНА_ВОЗВРАТА ЗАДЕРЖКА_С\r\n"
                              "# ВЕЛИЧИНА - pH или T; \"-\" - уставки нет; десятичная точка; # - комментарий\r\n")
                   .toUtf8();
    }
    QSet<int> written;
    for (const QString& text : lines) {
        const Line line = parseLine(text);
        if (line.kind != Line::Limit) {
            out += text.toUtf8() + "\r\n";
            continue;
        }
        const int key = keyOf(line.limit.address, line.limit.quantity);
        const AlarmLimit* now = FindLimit(limits, line.limit.address, line.limit.quantity);
        if (!now || written.contains(key)) continue;
        written.insert(key);
        QByteArray updated = AlarmLimitLine(*now);
        if (!line.comment.isEmpty()) updated += "  " + line.comment.toUtf8();
        out += updated + "\r\n";
    }
    for (const AlarmLimit& l : limits) {
        const int key = keyOf(l.address, l.quantity);
        if (written.contains(key)) continue;
        written.insert(key);
        out += AlarmLimitLine(l) + "\r\n";
    }
    return out;
}

QString WriteAlarmLimitsFile(const QString& path, const AlarmLimits& limits)
{
    const QString failure = QStringLiteral("Не удалось сохранить уставки в файл %1: ").arg(QDir::toNativeSeparators(path));
    QString error;
    bool exists = false;
    const QByteArray old = readCapped(path, &error, &exists);
    // A file that cannot be read is not replaced unread: what it holds would be lost.
    if (!error.isEmpty()) return failure + error;
    const QString reason = WriteWholeFile(path, UpdateAlarmLimitsText(old, limits));
    return reason.isEmpty() ? QString() : failure + reason;
}

}  // namespace qm
