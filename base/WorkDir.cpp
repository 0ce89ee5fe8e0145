#include "WorkDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {

QString CaptureWorkDir() { return QDir::currentPath(); }

QString UserDataDir(const QString& xdgDataHome, const QString& home)
{
    const QString base = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/qm4700"));
}

EnterDirFailure EnterDir(const QString& dir)
{
    using Step = EnterDirFailure::Step;
    const QString path = QDir::cleanPath(QDir::isAbsolutePath(dir) ? dir : QDir::current().absoluteFilePath(dir));
#ifdef Q_OS_UNIX
    // Each folder from the root down: mkdir says EEXIST for one that is there, whatever it is, so
    // the last one is checked to be a folder below.
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (const QString& part : parts) {
        const QString above = prefix.isEmpty() ? QStringLiteral("/") : prefix;
        prefix += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(prefix).constData(), 0700) == 0 || errno == EEXIST) continue;
        if (errno == ENOTDIR) return {Step::NotDir, above, ENOTDIR};  // a file where a folder should be
        return {Step::Create, prefix, errno};
    }
    if (!QFileInfo(path).isDir()) return {Step::NotDir, path, ENOTDIR};
    if (::chdir(QFile::encodeName(path).constData()) != 0) return {Step::Enter, path, errno};
#else
    if (!QDir().mkpath(path)) return {QFileInfo::exists(path) ? Step::NotDir : Step::Create, path, 0};
    if (!QDir::setCurrent(path)) return {Step::Enter, path, 0};
#endif
    return {};
}

}  // namespace qm
