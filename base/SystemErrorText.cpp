#include "SystemErrorText.h"

#include <QFileDevice>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <iterator>

namespace qm {

namespace {

struct Known {
    int code;
    const char* text;  // UTF-8
};

// Missing, busy, locked, permission, not a serial device, not permitted, disk full, read-only,
// and the input/output error that a device pulled out leaves behind.
const Known kKnown[] = {
    {ENOENT, "нет такого файла или устройства"},
    {ENODEV, "устройство отсутствует"},
    {ENXIO, "устройство отсутствует"},
    {EBUSY, "устройство занято другой программой"},
    {EAGAIN, "устройство заблокировано другой программой"},
    {EACCES, "нет прав доступа"},
    {EPERM, "операция не разрешена"},
    {ENOTTY, "это не последовательный порт"},
    {ENOSPC, "нет места на диске"},
    {EFBIG, "файл слишком велик"},
#ifdef EDQUOT
    {EDQUOT, "исчерпана дисковая квота"},
#endif
    {EROFS, "диск доступен только для чтения"},
    {EIO, "ошибка ввода-вывода"},
    {ENOTDIR, "в пути есть файл вместо папки"},
    {EISDIR, "это папка, а не файл"},
};

QString systemWords(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

}  // namespace

QString SystemErrorText(int code)
{
    for (const Known& k : kKnown)
        if (k.code == code) return QString::fromUtf8(k.text);
    return QStringLiteral("ошибка системы %1: %2").arg(code).arg(systemWords(code));
}

QString SystemErrorTextFor(const QString& systemText)
{
    const QString text = systemText.trimmed();
    if (text.isEmpty() || text == QLatin1String("Unknown error")) return QStringLiteral("неизвестная ошибка");
    for (const Known& k : kKnown)
        if (text.compare(systemWords(k.code), Qt::CaseInsensitive) == 0) return QString::fromUtf8(k.text);
    // Qt's Russian translation gives some system errors in Russian already ("Файл или каталог не
    // существует"): they stand as they are.
    static const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}"));
    if (text.contains(cyrillic)) return text.left(1).toLower() + text.mid(1);
    return QStringLiteral("система сообщила: ") + text;
}

QString ReadErrorText(const QFileDevice& file) { return SystemErrorTextFor(file.errorString()); }

QString WriteErrorText(const QFileDevice& file)
{
    const QString reason = file.errorString();
    return reason.isEmpty() || reason == QStringLiteral("Unknown error") ? QStringLiteral("ошибка записи")
                                                                         : SystemErrorTextFor(reason);
}

QString NotRegularFileText() { return QStringLiteral("это не обычный файл"); }

QString Capitalized(const QString& phrase)
{
    return phrase.isEmpty() ? phrase : phrase.left(1).toUpper() + phrase.mid(1);
}

}  // namespace qm
