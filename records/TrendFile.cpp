#include "TrendFile.h"

#include "SetAside.h"
#include "SystemErrorText.h"
#include "WholeFile.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

// The file is Windows-1251 text, but only ASCII is ever written and only ASCII can form a date or a
// number, so the bytes are handled directly and no code page conversion is needed. The file NAME is
// Cyrillic: Qt passes it to the system in the system's own form (UTF-16 on Windows, where it is the
// same file that an ANSI program names in Windows-1251; UTF-8 on Linux).
//
// Both routines build the full path from the working directory instead of changing the process's
// current directory: the file lands in the same place even after a file dialog moved the current
// directory, and nothing else in the program is surprised by a directory change.

namespace qm {

namespace {

constexpr int Channels = TrendStore::Channels;
// Longer than any line the program writes (even 20 values near the double limit stay below 7000
// characters); a longer line is not ours and is skipped without being held in memory.
constexpr qint64 MaxLineLength = 64 * 1024;
// A value field longer than this is not a number the program wrote.
constexpr qsizetype MaxValueLength = 512;


void appendTwoDigits(QByteArray& out, int n)
{
    out.append(char('0' + n / 10 % 10));
    out.append(char('0' + n % 10));
}

void appendValue(QByteArray& out, double v)
{
    // A value that is not finite has no fixed-point form; it is written as 0 so that the line keeps
    // its shape (the loader would give 0 for it anyway).
    if (!std::isfinite(v)) v = 0.0;
    char buf[400];  // the largest double in fixed point with four decimals needs about 315
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    const char* begin = buf;
    const char* end = r.ec == std::errc() ? r.ptr : buf;
    if (end == buf) {
        out.append("0,0000");
        return;
    }
    // A value that rounds to zero is written without a sign.
    if (end - begin == 7 && std::memcmp(begin, "-0.0000", 7) == 0) ++begin;
    for (const char* p = begin; p != end; ++p) out.append(*p == '.' ? ',' : *p);
}

void appendTrendLine(QByteArray& out, DateTime t, const double* values)
{
    // Times are whole seconds; rounding to the nearest second undoes the binary fraction.
    qint64 secs = 0;
    if (std::isfinite(t) && std::fabs(t) < 1.0e7) secs = std::llround(t * 86400.0);
    qint64 days = secs / 86400;
    qint64 sod = secs % 86400;
    if (sod < 0) {
        sod += 86400;
        --days;
    }
    const QDate date = QDate::fromJulianDay(DateTimeEpochJulianDay + days);
    appendTwoDigits(out, date.day());
    out.append('.');
    appendTwoDigits(out, date.month());
    out.append('.');
    appendTwoDigits(out, (date.year() % 100 + 100) % 100);
    out.append(' ');
    appendTwoDigits(out, int(sod / 3600));
    out.append(':');
    appendTwoDigits(out, int(sod / 60 % 60));
    out.append(':');
    appendTwoDigits(out, int(sod % 60));
    for (int ch = 0; ch < Channels; ++ch) {
        out.append(' ');
        appendValue(out, values[ch]);
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits decimal digits at *p.
bool readNumber(const char*& p, const char* end, int maxDigits, int* value)
{
    int n = 0;
    int digits = 0;
    while (p < end && isDigit(*p)) {
        if (++digits > maxDigits) return false;
        n = n * 10 + (*p - '0');
        ++p;
    }
    if (digits == 0) return false;
    *value = n;
    return true;
}

bool expect(const char*& p, const char* end, char c)
{
    if (p >= end || *p != c) return false;
    ++p;
    return true;
}

// "d.m.y h:m:s" with the same leniency as the program's other date-time texts: one or two digits
// for day, month and the time parts, one to four for the year (up to two take the year window).
// The file is written with two-digit years, so a longer year is read only when it lies in the
// window: anything else would come back in another century after the next save.
bool parseDateTime(const char* p, const char* end, int currentYear, DateTime* out)
{
    int day, month, year, hour, minute, second = 0;
    const char* yearStart;
    if (!readNumber(p, end, 2, &day) || !expect(p, end, '.') || !readNumber(p, end, 2, &month)
        || !expect(p, end, '.'))
        return false;
    yearStart = p;
    if (!readNumber(p, end, 4, &year)) return false;
    if (p - yearStart <= 2)
        year = ExpandTwoDigitYear(year, currentYear);
    else if (year != ExpandTwoDigitYear(year % 100, currentYear))
        return false;
    if (!expect(p, end, ' ') || !readNumber(p, end, 2, &hour) || !expect(p, end, ':')
        || !readNumber(p, end, 2, &minute))
        return false;
    if (p < end && (!expect(p, end, ':') || !readNumber(p, end, 2, &second))) return false;
    if (p != end) return false;
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) return false;
    *out = double(date.toJulianDay() - DateTimeEpochJulianDay) + (hour * 3600 + minute * 60 + second) / 86400.0;
    return true;
}

// Optional sign, digits with an optional "," or "." fraction (at least one digit), optional
// exponent; anything else is not a number and gives 0.
double parseValue(const char* p, const char* end)
{
    const qsizetype length = end - p;
    if (length <= 0 || length > MaxValueLength) return 0.0;
    char buf[MaxValueLength];
    qsizetype n = 0;
    const char* q = p;
    if (*q == '+' || *q == '-') {
        if (*q == '-') buf[n++] = '-';
        ++q;
    }
    int mantissaDigits = 0;
    while (q < end && isDigit(*q)) buf[n++] = *q++, ++mantissaDigits;
    if (q < end && (*q == ',' || *q == '.')) {
        buf[n++] = '.';
        ++q;
        while (q < end && isDigit(*q)) buf[n++] = *q++, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0.0;
    if (q < end && (*q == 'e' || *q == 'E')) {
        buf[n++] = 'e';
        ++q;
        if (q < end && (*q == '+' || *q == '-')) buf[n++] = *q++;
        int exponentDigits = 0;
        while (q < end && isDigit(*q)) buf[n++] = *q++, ++exponentDigits;
        if (exponentDigits == 0) return 0.0;
    }
    if (q != end) return 0.0;
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(buf, buf + n, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != buf + n || !std::isfinite(v)) return 0.0;
    return v;
}

const char* findBlank(const char* p, const char* end)
{
    while (p < end && *p != ' ') ++p;
    return p;
}

// Reads the value field at p, up to the next blank or the end of the line (*next). The form the
// program writes ("-12,3456", up to 15 digits) is read in one pass: an exact integer divided by
// an exact power of ten is the correctly rounded value, the same that from_chars gives, in a
// fraction of the time (a full file holds 200000 values). Anything else goes to parseValue.
double readValue(const char* p, const char* end, const char** next)
{
    static constexpr double PowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* q = p;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    quint64 mantissa = 0;  // exact while digits <= 15
    const auto readDigits = [&]() {
        const char* from = q;
        for (unsigned d; q < end && (d = unsigned(*q) - '0') < 10; ++q) mantissa = mantissa * 10 + d;
        return qsizetype(q - from);
    };
    qsizetype digits = readDigits(), fraction = 0;
    const bool separator = q < end && (*q == ',' || *q == '.');
    if (separator) {
        ++q;
        fraction = readDigits();
        digits += fraction;
    }
    if ((q == end || *q == ' ') && digits > 0 && digits <= 15 && (!separator || fraction > 0)) {
        *next = q;
        const double v = double(mantissa) / PowersOfTen[fraction];
        return negative ? -v : v;
    }
    *next = findBlank(q, end);
    return parseValue(p, *next);
}

const char* skipBlanks(const char* p, const char* end)
{
    while (p < end && *p == ' ') ++p;
    return p;
}

QString nativePath(const QString& path) { return QDir::toNativeSeparators(path); }

// Blanks and line ends only: nothing there to lose.
bool isBlank(const char* p, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (p[i] != ' ' && p[i] != '\t' && p[i] != '\r' && p[i] != '\n') return false;
    return true;
}

// A file not read whole gets the name it is kept under, and the operator is told once.
TrendLoadResult withAside(TrendLoadResult result, const QString& path)
{
    if (result.error.isEmpty() && result.unreadLines == 0 && !result.linesBeyond) return result;
    result.asidePath = AsidePath(path, CurrentDateTime());
    const QString keep = QStringLiteral("Перед первой записью графика файл будет переименован в %1, чтобы ничего из него "
                                        "не пропало.")
                             .arg(QFileInfo(result.asidePath).fileName());
    if (!result.error.isEmpty()) {
        result.report = result.error + QStringLiteral(". ") + keep;
        return result;
    }
    QStringList what;
    if (result.unreadLines > 0) what << QStringLiteral("не удалось прочитать строк: %1").arg(result.unreadLines);
    if (result.linesBeyond)
        what << QStringLiteral("строки после %1-й не поместились в график").arg(TrendStore::TrendCapacity);
    result.report = QStringLiteral("Файл %1 прочитан не целиком: %2. %3").arg(nativePath(path), what.join(QStringLiteral("; ")), keep);
    return result;
}

}  // namespace

QString TrendFileName() { return QStringLiteral("График.txt"); }

QString TrendFilePath(const QString& workDir) { return QDir(workDir).filePath(TrendFileName()); }

QByteArray FormatTrendLine(DateTime t, const double values[20])
{
    QByteArray out;
    out.reserve(18 + Channels * 10);
    appendTrendLine(out, t, values);
    return out;
}

bool ParseTrendLine(const char* line, qsizetype size, int currentYear, DateTime* t, double values[20])
{
    if (!line || size < 0 || !t || !values) return false;
    const char* begin = line;
    const char* end = line + size;
    while (end > begin && (end[-1] == '\n' || end[-1] == '\r')) --end;

    const char* field1End = findBlank(begin, end);
    if (field1End == end) return false;
    const char* field2 = skipBlanks(field1End, end);
    if (field2 == end) return false;
    const char* field2End = findBlank(field2, end);
    const qsizetype length1 = field1End - begin;
    const qsizetype length2 = field2End - field2;
    if (length1 + 1 + length2 != 17) return false;

    char text[17];
    std::memcpy(text, begin, size_t(length1));
    text[length1] = ' ';
    std::memcpy(text + length1 + 1, field2, size_t(length2));
    DateTime time = 0;
    if (!parseDateTime(text, text + 17, currentYear, &time)) return false;

    double v[Channels] = {};
    const char* p = field2End;
    for (int ch = 0; ch < Channels; ++ch) {
        p = skipBlanks(p, end);
        if (p == end) break;
        v[ch] = readValue(p, end, &p);
    }
    *t = time;
    std::memcpy(values, v, sizeof v);
    return true;
}

bool ParseTrendLine(const QByteArray& line, DateTime* t, double values[20])
{
    return ParseTrendLine(line.constData(), line.size(), CurrentDateTime().date().year(), t, values);
}

QString SaveTrendFile(const TrendStore& store, const QString& workDir)
{
    const int count = store.TrendCount();
    if (count <= 0) return QString();  // an existing file stays as it is

    QByteArray data;
    data.reserve(qsizetype(count) * (20 + Channels * 10));
    double values[Channels];
    for (int i = 1; i <= count; ++i) {
        for (int ch = 1; ch <= Channels; ++ch) values[ch - 1] = store.TrendValue(ch, i);
        appendTrendLine(data, store.TrendTime(i), values);
        data.append("\r\n");
    }

    const QString path = TrendFilePath(workDir);
    const QString reason = WriteWholeFile(path, data);
    if (reason.isEmpty()) return QString();
    return QStringLiteral("Не удалось записать файл %1: %2").arg(nativePath(path), reason);
}

QString SetAsideTrendFile(const QString& workDir, const QString& asidePath)
{
    const QString path = TrendFilePath(workDir);
    return SetAsideFile(path, asidePath.isEmpty() ? AsidePath(path, CurrentDateTime()) : asidePath);
}

bool RemoveTrendFile(const QString& workDir)
{
    const QString path = TrendFilePath(workDir);
    return !QFile::exists(path) || QFile::remove(path);
}

TrendLoadResult LoadTrendFile(TrendStore& store, const QString& workDir)
{
    TrendLoadResult result;
    store.Clear();
    const QString path = TrendFilePath(workDir);
    const QFileInfo info(path);
    if (!info.exists()) return result;
    result.fileExisted = true;

    const auto failure = [&path](const QString& reason) {
        return QStringLiteral("Не удалось прочитать файл %1: %2").arg(nativePath(path), reason);
    };
    // Only a regular file: a device or a pipe under that name could be endless or block.
    if (!info.isFile()) {
        result.error = failure(NotRegularFileText());
        return withAside(result, path);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = failure(ReadErrorText(file));
        return withAside(result, path);
    }

    const int currentYear = CurrentDateTime().date().year();
    std::vector<char> buf(size_t(MaxLineLength) + 3);
    DateTime time = 0;
    double values[Channels];
    bool firstLine = true;
    while (store.TrendCount() < TrendStore::TrendCapacity && !file.atEnd()) {
        const qint64 n = file.readLine(buf.data(), qint64(buf.size()));
        if (n < 0) {
            result.error = failure(ReadErrorText(file));
            break;
        }
        if (n > 0 && buf[size_t(n - 1)] != '\n' && !file.atEnd()) {
            // An overlong line: drop the rest of it without keeping it.
            qint64 m = 0;
            do {
                m = file.readLine(buf.data(), qint64(buf.size()));
            } while (m > 0 && buf[size_t(m - 1)] != '\n' && !file.atEnd());
            ++result.skippedLines;
            ++result.unreadLines;
            firstLine = false;
            if (m < 0) {
                result.error = failure(ReadErrorText(file));
                break;
            }
            continue;
        }
        const char* line = buf.data();
        qsizetype size = qsizetype(n);
        // A byte order mark left by a text editor that saved the file as UTF-8.
        if (firstLine && size >= 3 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) {
            line += 3;
            size -= 3;
        }
        firstLine = false;
        if (ParseTrendLine(line, size, currentYear, &time, values)) {
            store.AppendLoaded(time, values);
        } else {
            ++result.skippedLines;
            if (!isBlank(line, size)) ++result.unreadLines;
        }
    }
    // The store is full: whatever follows, other than blank lines, was not loaded. Blanks are
    // looked through for a while only; more of them than that is not taken for the file's end.
    for (int chunks = 0; result.error.isEmpty() && !result.linesBeyond && !file.atEnd(); ++chunks) {
        const qint64 n = file.read(buf.data(), qint64(buf.size()));
        if (n < 0) result.error = failure(ReadErrorText(file));
        result.linesBeyond = chunks == 16 || (n > 0 && !isBlank(buf.data(), qsizetype(n)));
        if (n <= 0) break;
    }
    result.samples = store.TrendCount();
    return withAside(result, path);
}

}  // namespace qm
