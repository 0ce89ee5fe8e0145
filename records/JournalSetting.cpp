#include "JournalSetting.h"

#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qm {

namespace {
// The file is one short line; a longer one is not ours and is not read whole.
constexpr qint64 MaxBytes = 64;
}  // namespace

bool ParseJournalSetting(const QByteArray& bytes) { return bytes.trimmed() != "0"; }

QByteArray FormatJournalSetting(bool on) { return on ? QByteArrayLiteral("1\r\n") : QByteArrayLiteral("0\r\n"); }

bool ReadJournalSetting(const QString& workDir)
{
    const QString path = QDir(workDir).filePath(JournalSettingFileName);
    const QFileInfo info(path);
    if (!info.exists()) return false;
    // Only a regular file is read: a pipe under that name would block the start-up.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return true;
    return ParseJournalSetting(file.read(MaxBytes));
}

QString WriteJournalSetting(const QString& workDir, bool on)
{
    const QString path = QDir(workDir).filePath(JournalSettingFileName);
    const QString reason = WriteWholeFile(path, FormatJournalSetting(on));
    if (reason.isEmpty()) return QString();
    return QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace qm
