#include "WholeFile.h"

#include "SafeFile.h"
#include "SystemErrorText.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#include <QSaveFile>
#endif

namespace qm {

#ifdef Q_OS_UNIX

namespace {

int closeFile(int fd)
{
    // A close interrupted by a signal has closed the descriptor anyway (Linux).
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

// Writes all of bytes and syncs them to disk; 0, or the errno of the failure.
int writeAndSync(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing without a reason is a full disk by another name.
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        p += n;
        left -= n;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

// A new name beside final for the temporary file, opened exclusively: "<name>.XXXXXX". A file
// that replaces an existing one starts readable by its owner only and takes the old file's
// permissions before it is renamed; a new one is made as 0666 less the umask. Returns the
// descriptor or -1 with errno set.
int createTemporary(const QByteArray& final, bool replacing, QByteArray* name)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = final + '.';
        for (int i = 0; i < 6; ++i) name->append(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

QString WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    // The operator's own link is written through to its file, as he meant; a link someone else
    // could have put there is refused (SafeFile.h).
    const WriteTarget target = WritableTarget(path);
    if (!target.refusal.isEmpty()) return target.refusal;
    const QByteArray final = QFile::encodeName(target.path);

    struct stat old;
    const bool replacing = ::lstat(final.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return SystemErrorText(EISDIR);
    // A pipe or a device in the file's place would be opened when written in place, and could
    // wait for ever.
    if (replacing && !S_ISREG(old.st_mode)) return NotRegularFileText();
    // A file the operator has made read-only stays as it is; on a disk mounted read-only this
    // tells the same cause in the same words as every other write.
    if (replacing && ::faccessat(AT_FDCWD, final.constData(), W_OK, AT_EACCESS) != 0) return SystemErrorText(errno);

    QByteArray temporary;
    int fd = createTemporary(final, replacing, &temporary);
    if (fd < 0) {
        const int created = errno;
        // A directory that refuses new files (owned by another user, say) while the file itself is
        // writable: the file is then written in place, truncated, written and synced. Only there
        // is a half-written file possible, and only after a failure that is reported.
        if (created != EACCES || !replacing) return SystemErrorText(created);
        do {
            fd = ::open(final.constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return errno == ELOOP || errno == ENXIO ? NotRegularFileText() : SystemErrorText(errno);
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return NotRegularFileText();
        }
        int error = writeAndSync(fd, bytes);
        const int closed = closeFile(fd);
        if (!error) error = closed;
        // Kept as far as it got.
        return error ? SystemErrorText(error) : QString();
    }

    const auto discard = [&](int error) {
        ::unlink(temporary.constData());
        return SystemErrorText(error);
    };
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
        const int error = errno;
        ::close(fd);
        return discard(error);
    }
    int error = writeAndSync(fd, bytes);
    const int closed = closeFile(fd);
    if (!error) error = closed;
    if (error) return discard(error);

    // The name is judged once more just before it is replaced: it must still lead to the same
    // file. The rename itself replaces whatever entry is there and never follows it.
    const WriteTarget again = WritableTarget(path);
    if (!again.refusal.isEmpty() || again.path != target.path) {
        ::unlink(temporary.constData());
        return again.refusal.isEmpty() ? QStringLiteral("имя файла было подменено во время записи") : again.refusal;
    }
    if (::rename(temporary.constData(), final.constData()) != 0) return discard(errno);
    return QString();
}

#else

QString WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    // A pipe or a device in the file's place would be opened when written in place, and could
    // wait for ever.
    if (const QFileInfo info(path); info.exists() && !info.isFile() && !info.isDir())
        return NotRegularFileText();
    QSaveFile file(path);
    // A directory that refuses new files while the file itself is writable: the file is then
    // written in place. Only there is a half-written file possible, and only after a failure that
    // is reported.
    file.setDirectWriteFallback(true);
    // Unbuffered: with Qt's write buffer a failure of the last flush inside commit() goes
    // unreported and a truncated file replaces the old one (seen with a full disk). Written
    // directly, a short write shows here; writing the rest then fails with the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return WriteErrorText(file);
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = file.write(p, left);
        if (n <= 0) {
            const QString reason = WriteErrorText(file);
            file.cancelWriting();
            // Closes without a rename; a file written in place is kept as far as it got (left
            // open, it would be removed).
            file.commit();
            return reason;
        }
        p += n;
        left -= n;
    }
    if (!file.commit()) return WriteErrorText(file);
    return QString();
}

#endif

}  // namespace qm
