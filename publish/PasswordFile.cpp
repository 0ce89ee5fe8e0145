#include "PasswordFile.h"

#include "SystemErrorText.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {
constexpr qsizetype MaxBytes = 4096;
}

PasswordRead ReadPasswordFile(const QString& path)
{
    PasswordRead r;
    const QString shown = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& why) {
        r.password.clear();
        r.error = QStringLiteral("Файл пароля MQTT %1 %2. Публикация не начата.").arg(shown, why);
        return r;
    };
    // Opened first and checked through the open descriptor, so the file checked is the file read;
    // O_NONBLOCK keeps a pipe under that name from holding the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuse(QStringLiteral("не открывается: ") + SystemErrorText(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(QStringLiteral("не открывается: ") + SystemErrorText(errno));
    if (!S_ISREG(st.st_mode)) return refuse(QStringLiteral("не является обычным файлом"));
    if (st.st_mode & 066)
        return refuse(QStringLiteral("доступен другим пользователям (права %1): пароль в нём больше не тайна. "
                                     "Оставьте доступ только владельцу: chmod 600 %2")
                          .arg(QString::number(st.st_mode & 0777, 8).rightJustified(4, u'0'), shown));
    if (st.st_size > MaxBytes) return refuse(QStringLiteral("длиннее 4 КБ"));
    QByteArray bytes(MaxBytes, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < MaxBytes) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(MaxBytes - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refuse(QStringLiteral("не читается: ") + SystemErrorText(errno));
        if (n == 0) break;
        got += n;
    }
    bytes.truncate(got);
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0) bytes.truncate(end);
    if (bytes.endsWith('\r')) bytes.chop(1);
    if (bytes.isEmpty()) return refuse(QStringLiteral("пуст"));
    r.password = bytes;
    return r;
}

}  // namespace qm
