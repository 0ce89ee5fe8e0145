#include "Settings.h"

#include "DateTimeText.h"
#include "SetAside.h"
#include "SystemErrorText.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace qm {

namespace {

const QString TooLarge = QStringLiteral("файл слишком велик");

// As the text-file reader of old: every other control character and the space separate numbers.
// CR LF, LF and a lone CR (as old Mac editors write) each end a line.
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20 && !IsLineEnd(c); }

// Where the line starting at pos ends, or -1 when it runs to the end of the bytes.
qsizetype LineEnd(const QByteArray& bytes, qsizetype pos)
{
    for (; pos < bytes.size(); ++pos)
        if (IsLineEnd(bytes[pos])) return pos;
    return -1;
}

// The start of the line after the line end at eol.
qsizetype NextLine(const QByteArray& bytes, qsizetype eol)
{
    return bytes[eol] == '\r' && eol + 1 < bytes.size() && bytes[eol + 1] == '\n' ? eol + 2 : eol + 1;
}

bool RestIsBlank(const QByteArray& bytes, qsizetype pos)
{
    for (; pos < bytes.size(); ++pos)
        if (!IsLineEnd(bytes[pos]) && !IsBlank(bytes[pos])) return false;
    return true;
}

enum class TokenKind { Number, NotNumber, OutOfRange };

TokenKind ParseToken(const char* p, qsizetype n, qint32* out)
{
    bool negative = false;
    qsizetype i = 0;
    if (n > 0 && (p[0] == '+' || p[0] == '-')) {
        negative = p[0] == '-';
        ++i;
    }
    if (i == n) return TokenKind::NotNumber;
    // Accumulated in 64 bits and bounded, so no number of digits can overflow.
    constexpr qint64 Limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 v = 0;
    for (; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return TokenKind::NotNumber;
        v = std::min(v * 10 + (p[i] - '0'), Limit + 1);
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<qint32>::max() || v < std::numeric_limits<qint32>::min()) return TokenKind::OutOfRange;
    *out = static_cast<qint32>(v);
    return TokenKind::Number;
}

// The offending text as the operator would see it in an editor, shortened.
QString Quoted(const QByteArray& token)
{
    constexpr int MaxShown = 20;
    const QByteArray shown = token.left(MaxShown);
    QStringDecoder decoder("windows-1251");
    QString text = decoder.isValid() ? QString(decoder(shown)) : QString::fromLatin1(shown);
    if (token.size() > MaxShown) text += QChar(0x2026);
    return QStringLiteral("«") + text + QStringLiteral("»");
}

void Fail(SettingsRead& r, int line, const QString& what)
{
    r.failed = true;
    r.failedLine = line;
    r.valuesRead = line - 1;
    r.failure = what;
    r.message = QStringLiteral("Ошибка в файле %1, строка %2: %3. Настройки, начиная с этой строки, взяты по умолчанию.")
                    .arg(SettingsFileName)
                    .arg(line)
                    .arg(what);
}

// it.cfg is there but could not be read at all: every setting keeps its default.
SettingsRead ReadFailure(const QString& detail)
{
    SettingsRead r;
    r.exists = true;
    r.failed = true;
    r.message = QStringLiteral("Не удалось прочитать файл %1. Настройки взяты по умолчанию.").arg(SettingsFileName);
    r.detail = detail;
    return r;
}

// A file that was not read whole gets the name it is kept under, and the operator is told once.
SettingsRead withAside(SettingsRead r, const QString& path)
{
    if (!r.failed && !r.linesBeyond) return r;
    r.asidePath = AsidePath(path, CurrentDateTime());
    const QString aside = QFileInfo(r.asidePath).fileName();
    if (r.failed) {
        r.message += QStringLiteral(" Перед записью настроек файл будет переименован в %1, чтобы ничего из него не пропало.").arg(aside);
    } else {
        r.message = QStringLiteral("В файле %1 больше %2 строк; строки после %2-й не прочитаны. Перед записью настроек файл "
                                   "будет переименован в %3, чтобы ничего из него не пропало.")
                        .arg(SettingsFileName)
                        .arg(SettingsLineCount)
                        .arg(aside);
    }
    return r;
}

}  // namespace

qint32 Settings::value(int index) const
{
    switch (index) {
    case 0: return portIndex;
    case 1: return firstAddress;
    case 2: return trendPoints;
    case 3: return sampleInterval;
    case 4: return deviceCount;
    case 5: return commandAddress;
    case 6: return archivePeriod;
    case 7: return layoutIndex;
    case 8: return scales.PhScaleMin;
    case 9: return scales.PhScaleMax;
    case 10: return scales.TScaleMin;
    case 11: return scales.TScaleMax;
    case 12: return scales.PhScaleStep;
    case 13: return scales.TScaleStep;
    case 14: case 15: case 16: case 17: return slotDevice[index - 14];
    default: return 0;
    }
}

void Settings::setValue(int index, qint32 v)
{
    switch (index) {
    case 0: portIndex = v; break;
    case 1: firstAddress = v; break;
    case 2: trendPoints = v; break;
    case 3: sampleInterval = v; break;
    case 4: deviceCount = v; break;
    case 5: commandAddress = v; break;
    case 6: archivePeriod = v; break;
    case 7: layoutIndex = v; break;
    case 8: scales.PhScaleMin = v; break;
    case 9: scales.PhScaleMax = v; break;
    case 10: scales.TScaleMin = v; break;
    case 11: scales.TScaleMax = v; break;
    case 12: scales.PhScaleStep = v; break;
    case 13: scales.TScaleStep = v; break;
    case 14: case 15: case 16: case 17: slotDevice[index - 14] = v; break;
    default: break;
    }
}

std::array<qint32, SettingsLineCount> Settings::values() const
{
    std::array<qint32, SettingsLineCount> a{};
    for (int i = 0; i < SettingsLineCount; ++i) a[i] = value(i);
    return a;
}

SettingsRead ParseSettings(const QByteArray& bytes, bool wholeFile)
{
    SettingsRead r;
    r.exists = true;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (int line = 1; line <= SettingsLineCount; ++line) {
        const qsizetype eol = LineEnd(bytes, pos);
        if (eol < 0 && !wholeFile) {
            Fail(r, line, TooLarge);
            return r;
        }
        const qsizetype lineEnd = eol < 0 ? bytes.size() : eol;
        qsizetype start = pos;
        while (start < lineEnd && IsBlank(bytes[start])) ++start;
        if (start == lineEnd) {
            // Nothing but blank lines up to the end is the end of the file: the rest reads as 0.
            // A blank line with more lines after it would shift every later value, so it stops the read.
            if (RestIsBlank(bytes, pos)) {
                if (!wholeFile) {
                    Fail(r, line, TooLarge);
                    return r;
                }
                break;
            }
            Fail(r, line, QStringLiteral("пустая строка"));
            return r;
        }
        qsizetype end = start;
        while (end < lineEnd && !IsBlank(bytes[end])) ++end;
        qint32 v = 0;
        switch (ParseToken(bytes.constData() + start, end - start, &v)) {
        case TokenKind::Number: break;
        case TokenKind::NotNumber:
            Fail(r, line, QStringLiteral("не число %1").arg(Quoted(bytes.mid(start, end - start))));
            return r;
        case TokenKind::OutOfRange:
            Fail(r, line, QStringLiteral("число %1 вне допустимых пределов").arg(Quoted(bytes.mid(start, end - start))));
            return r;
        }
        r.values[line - 1] = v;
        r.linesPresent = line;
        pos = eol < 0 ? bytes.size() : NextLine(bytes, eol);
    }
    r.valuesRead = SettingsLineCount;
    r.linesBeyond = !wholeFile || !RestIsBlank(bytes, pos);
    return r;
}

Settings WithReadValues(Settings base, const SettingsRead& read)
{
    const int n = std::clamp(read.valuesRead, 0, SettingsLineCount);
    for (int i = 0; i < n; ++i) base.setValue(i, read.values[i]);
    return base;
}

QByteArray FormatSettings(const Settings& settings)
{
    QByteArray out;
    for (qint32 v : settings.values()) out += QByteArray::number(v) + "\r\n";
    return out;
}

SettingsRead ReadSettingsFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) return {};
    // Only a regular file is opened: a pipe or a device could keep the start-up waiting for ever.
    if (!info.isFile()) return ReadFailure(NotRegularFileText());
    QFile file(path);
    QByteArray bytes;
    bool whole = false;
    if (file.open(QIODevice::ReadOnly)) {
        // One byte more than the cap tells whether there is more than the cap.
        bytes = file.read(MaxSettingsFileBytes + 1);
        whole = bytes.size() <= MaxSettingsFileBytes && file.error() == QFileDevice::NoError;
        if (!whole && file.error() == QFileDevice::NoError) bytes.truncate(MaxSettingsFileBytes);
    }
    SettingsRead r = file.error() != QFileDevice::NoError ? ReadFailure(ReadErrorText(file)) : ParseSettings(bytes, whole);
    return withAside(r, path);
}

QString WriteSettingsFile(const QString& path, const Settings& settings, const QString& asidePath)
{
    const QString failure = QStringLiteral("Не удалось сохранить настройки в файл %1").arg(QDir::toNativeSeparators(path));
    if (!QFileInfo(path).absoluteDir().exists()) return failure + QStringLiteral(": Cannot find directory");
    if (const QString aside = SetAsideFile(path, asidePath); !aside.isEmpty()) return aside;
    const QString reason = WriteWholeFile(path, FormatSettings(settings));
    return reason.isEmpty() ? QString() : failure + QStringLiteral(": ") + reason;
}

}  // namespace qm
