#include "WholeFile.h"

#include "SystemErrorText.h"

#include <QFileInfo>
#include <QSaveFile>

namespace qm {


QString WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    // A pipe or a device in the file's place would be opened when written in place, and could
    // wait for ever.
    if (const QFileInfo info(path); info.exists() && !info.isFile() && !info.isDir())
        return NotRegularFileText();
    QSaveFile file(path);
    // A directory that refuses new files (owned by another user, say) while the file itself is
    // writable: the file is then written in place, truncated, written, flushed and synced. Only
    // there is a half-written file possible, and only after a failure that is reported.
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

}  // namespace qm
