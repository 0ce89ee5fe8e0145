#include "JournalFile.h"

#include "FilesLog.h"
#include "SafeFile.h"
#include "SystemErrorText.h"
#include "TrendJournalFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qm {

namespace {

// How far back an existing file is searched for its last header. A day at one sample a second
// is about 13 MB; a header further back than this is simply written again.
constexpr qint64 TailLimit = 4 * 1024 * 1024;

bool syncToDisk(QFile& file)
{
#if defined(Q_OS_WIN)
    return _commit(file.handle()) == 0;
#elif defined(Q_OS_LINUX)
    return ::fdatasync(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

struct Tail {
    bool endsWithLineEnd = true;
    QByteArray lastHeader;  // with its line end; empty when none was found
};

// The end of a file this run has not written to yet: whether its last line is complete (a crash
// may have cut it) and which header it last wrote (a header starts with header's first field).
Tail readTail(const QString& path, qint64 size, const QByteArray& firstField)
{
    Tail tail;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return tail;
    const qint64 from = std::max<qint64>(0, size - TailLimit);
    if (!file.seek(from)) return tail;
    const QByteArray bytes = file.read(size - from);
    if (bytes.isEmpty()) return tail;
    tail.endsWithLineEnd = bytes.endsWith('\n');

    qsizetype start = bytes.lastIndexOf("\n" + firstField);
    if (start >= 0) {
        ++start;
    } else if (from == 0) {
        const qsizetype bom = bytes.startsWith(JournalBom()) ? JournalBom().size() : 0;
        if (bytes.mid(bom).startsWith(firstField)) start = bom;
    }
    if (start < 0) return tail;
    const qsizetype end = bytes.indexOf('\n', start);
    if (end >= 0) tail.lastHeader = bytes.mid(start, end + 1 - start);
    return tail;
}

// Writes all of bytes; empty on success, else the system's reason.
QString writeAll(QFile& file, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = file.write(p, left);
        if (n <= 0) return WriteErrorText(file);
        p += n;
        left -= n;
    }
    if (!syncToDisk(file)) return SystemErrorText(errno);
    return QString();
}

}  // namespace

QString JournalFile::takeLock(const QString& folder)
{
    const QString lockPath = QDir(folder).filePath(m_lockName);
    const FileLock::Result lock = m_lock.take(lockPath);
    switch (lock.outcome) {
    case FileLock::Outcome::Taken:
        return QString();
    case FileLock::Outcome::Busy: {
        const QString who = lock.holderText();
        return QStringLiteral("его уже ведёт другая программа%1; пока она его ведёт, эта программа журнал не пишет "
                              "(файл блокировки %2)")
            .arg(who.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(who), QDir::toNativeSeparators(lockPath));
    }
    case FileLock::Outcome::Failed:
        break;
    }
    qCInfo(lcFiles).noquote() << "journal kept without its lock:" << lock.reason;
    return QString();
}

JournalFile::Result JournalFile::Append(const QString& path, const QByteArray& header, const QByteArray& line,
                                        bool headerAgain)
{
    Result result;
    const QString shown = QDir::toNativeSeparators(path);

    QString reason;
    const QString folder = QFileInfo(path).absolutePath();
    // The folder is created through its name only when the name may be written through (a link
    // to elsewhere put there by someone else would take the journal with it), and the day's file
    // is opened likewise, a pipe or a device under its name refused (SafeFile.h).
    if (const WriteTarget target = WritableTarget(folder); !target.refusal.isEmpty()) {
        reason = QStringLiteral("папка %1: %2").arg(QDir::toNativeSeparators(folder), target.refusal);
    } else if (!QDir().mkpath(folder)) {
        reason = QStringLiteral("не удалось создать папку %1").arg(QDir::toNativeSeparators(folder));
    } else if (reason = takeLock(folder); reason.isEmpty()) {
        QFile file;
        reason = OpenForAppend(file, path);
        if (reason.isEmpty()) {
            QByteArray bytes;
            const qint64 size = file.size();
            if (size == 0) {
                bytes = JournalBom() + header;
            } else if (path != m_path) {
                const qsizetype comma = header.indexOf(',');
                const Tail tail = readTail(path, size, comma < 0 ? header.trimmed() : header.left(comma));
                if (!tail.endsWithLineEnd) bytes.append("\r\n");  // a line cut short stays alone
                if (tail.lastHeader != header) bytes.append(header);
            } else if (headerAgain) {
                bytes.append(header);
            }
            bytes.append(line);
            reason = writeAll(file, bytes);
            // A write that failed part way (a full disk) is taken back to the file's previous
            // length, so the file stays a valid CSV file with no row cut short. Should even that
            // fail, the next append finds the cut line and ends it first.
            if (!reason.isEmpty()) file.resize(size);
        }
    }

    if (reason.isEmpty()) {
        m_path = path;
        result.resumed = m_failing;
        if (m_failing) qCInfo(lcFiles).noquote() << "journal" << shown << "written again";
        m_failing = false;
        return result;
    }
    qCInfo(lcFiles).noquote() << "journal" << shown << "not written:" << reason;
    // Part of a line may have reached the file: the next append looks at its end again.
    m_path.clear();
    result.written = false;
    if (!m_failing) result.report = m_failure.arg(shown, reason);
    m_failing = true;
    return result;
}

}  // namespace qm
