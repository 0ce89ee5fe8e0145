#include "SafeFile.h"

#include "SystemErrorText.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {

namespace {

const QString NoWriteThrough = QStringLiteral("; запись через неё запрещена");

#ifdef Q_OS_UNIX
constexpr int MaxLinks = 16;

QByteArray parentOf(const QByteArray& name)
{
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return name.left(slash);
}

WriteTarget refused(const QString& reason) { return {QString(), reason}; }
#endif

}  // namespace

WriteTarget WritableTarget(const QString& path)
{
#ifdef Q_OS_UNIX
    QByteArray name = QFile::encodeName(path);
    const uid_t me = ::geteuid();
    for (int links = 0;; ++links) {
        struct stat st;
        // A name that is missing or no link is written as it is (a failure to look at it shows
        // again when it is opened, with the system's reason).
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return {QFile::decodeName(name), QString()};
        if (links == MaxLinks) return refused(QStringLiteral("слишком длинная цепочка символьных ссылок"));
        // The first link is the file's own name, which the writer's message names already.
        const QString subject = links == 0 ? QStringLiteral("это")
                                           : QStringLiteral("%1 —").arg(QDir::toNativeSeparators(QFile::decodeName(name)));
        if (st.st_uid != me && st.st_uid != 0)
            return refused(subject + QStringLiteral(" символьная ссылка другого пользователя") + NoWriteThrough);
        const QByteArray parent = parentOf(name);
        struct stat dir;
        if (::stat(parent.constData(), &dir) != 0) return refused(SystemErrorText(errno));
        const bool othersOwnIt = dir.st_uid != me && dir.st_uid != 0;
        const bool othersMayWrite = (dir.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (dir.st_mode & S_ISVTX) == 0;
        if (othersOwnIt || othersMayWrite)
            return refused(subject + QStringLiteral(" символьная ссылка в папке, которую могут менять другие пользователи")
                           + NoWriteThrough);
        char target[4096];
        const ssize_t n = ::readlink(name.constData(), target, sizeof target);
        if (n < 0) return refused(SystemErrorText(errno));
        if (n == ssize_t(sizeof target)) return refused(QStringLiteral("слишком длинное имя в символьной ссылке"));
        name = target[0] == '/' ? QByteArray(target, n) : parent + '/' + QByteArray(target, n);
    }
#else
    return {path, QString()};
#endif
}

QString OpenForAppend(QFile& file, const QString& path)
{
    constexpr QIODevice::OpenMode Mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
#ifdef Q_OS_UNIX
    // A link put in place between the check and the open is not followed (O_NOFOLLOW): it is
    // judged once more, like any link.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const WriteTarget target = WritableTarget(path);
        if (!target.refusal.isEmpty()) return target.refusal;
        const QByteArray name = QFile::encodeName(target.path);
        // Not blocking: a pipe without a reader fails at once instead of waiting for one.
        int fd;
        do {
            fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (errno == ELOOP) continue;
            return errno == ENXIO ? NotRegularFileText() : SystemErrorText(errno);
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return NotRegularFileText();
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (!file.open(fd, Mode, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return WriteErrorText(file);
        }
        return QString();
    }
    return QStringLiteral("на месте файла появилась символьная ссылка") + NoWriteThrough;
#else
    file.setFileName(path);
    if (!file.open(Mode)) return WriteErrorText(file);
    return QString();
#endif
}

}  // namespace qm
