#include "Logging.h"

#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTime>

namespace qm {

// Warnings and worse would still show; this program only logs at debug level.
Q_LOGGING_CATEGORY(lcLink, "qm.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPoll, "qm.poll", QtWarningMsg)

namespace {

QFile* g_logFile = nullptr;
QtMessageHandler g_previous = nullptr;
QMutex g_logMutex;

void toFileToo(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        const QMutexLocker lock(&g_logMutex);
        QByteArray line = context.category ? QByteArray(context.category) + ": " : QByteArray();
        line += text.toUtf8() + '\n';
        g_logFile->write(line);
        g_logFile->flush();  // the log is for when things go wrong: keep it whole up to the end
    }
    if (g_previous) g_previous(type, context, text);
}

}  // namespace

void InstallLogFile()
{
    const QString path = qEnvironmentVariable("QM_LOG_FILE");
    if (path.isEmpty() || g_logFile) return;
    auto* file = new QFile;  // lives as long as the program
    // Appended only through a name that may be written through (SafeFile.h): a link in its place
    // that someone else made is refused, and the log goes to the usual output alone.
    if (const QString reason = OpenForAppend(*file, path); !reason.isEmpty()) {
        qWarning("%s", qPrintable(QStringLiteral("QM_LOG_FILE: файл протокола %1 не открыт: %2")
                                      .arg(QDir::toNativeSeparators(path), reason)));
        delete file;
        return;
    }
    g_logFile = file;
    g_previous = qInstallMessageHandler(toFileToo);
}

QString LogTime() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")); }

}  // namespace qm
