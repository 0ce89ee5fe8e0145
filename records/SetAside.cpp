#include "SetAside.h"

#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qm {

QString AsidePath(const QString& path, const QDateTime& at)
{
    const QFileInfo info(path);
    const QString stamp = at.toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.fileName() : info.fileName().chopped(suffix.size() + 1);
    const QString name = suffix.isEmpty() ? base + QLatin1Char('.') + stamp : base + QLatin1Char('.') + stamp + QLatin1Char('.') + suffix;
    return info.dir().filePath(name);
}

QString SetAsideFile(const QString& path, const QString& asidePath)
{
    // A link in the file's place is renamed itself, never followed.
    if (asidePath.isEmpty() || !QFileInfo::exists(path)) return QString();
    QString reason;
    if (QFileInfo(asidePath).exists() || QFileInfo(asidePath).isSymLink()) {
        reason = QStringLiteral("файл с таким именем уже есть");
    } else {
        QFile file(path);
        if (file.rename(asidePath)) return QString();
        reason = SystemErrorTextFor(file.errorString());
    }
    return QStringLiteral("Файл %1 прочитан не целиком и не будет перезаписан: его не удалось переименовать в %2: %3")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(asidePath), reason);
}

}  // namespace qm
