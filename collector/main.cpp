// qm4700-collector: one line of QM4700 instruments polled, journalled and published without a
// display (QtCore only), as a service: qm4700-collector --dir DIR, one collector per line
// directory (packaging/qm4700-collector@.service).
//
// Logging goes to standard error through Qt's logging categories; the service manager keeps it
// in the system journal. qm.collector (start, stop, the line, its problems, alarms, publishing,
// in Russian) is on down to info; the other categories show their warnings, and their info and
// debug on request (QT_LOGGING_RULES). Under systemd each line carries its level, so that
// `journalctl -p warning` finds the problems.
//
// SIGTERM, SIGINT and SIGHUP stop it cleanly within a second: the line closed, "offline"
// published, exit status 0.
#include "Collector.h"
#include "Logging.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <cstring>

#ifndef QM_VERSION
#error "QM_VERSION (the project's version as a string literal) comes from the top-level CMakeLists.txt"
#endif

namespace {

const char kHelp[] =
    "Usage: qm4700-collector --dir DIR\n"
    "Polls one line of QM4700 pH meters without a display: reads it.cfg, ports.cfg, mqtt.cfg,\n"
    "alarms.cfg and journal.cfg in DIR, opens the line and keeps it open, keeps the journals in\n"
    "DIR/Журнал and publishes to the MQTT broker that mqtt.cfg names. Logs to standard error.\n"
    "\n"
    "  --dir DIR     the line's directory\n"
    "  --version     print the version and exit\n"
    "  --help        print this text and exit\n"
    "\n"
    "Environment: QT_LOGGING_RULES (\"qm.poll.debug=true;qm.collector.debug=true\" logs every\n"
    "port event and reading; qm.link.debug every frame), QM_LOG_FILE (the log appended to this\n"
    "file too). Exit status: 0 when stopped by SIGTERM, SIGINT or SIGHUP; 1 when DIR is not a\n"
    "directory; 2 for a wrong option. See qm4700-collector(1).\n";

// Exit statuses.
constexpr int kCannotStart = 1;
constexpr int kUsage = 2;

int usageError(const char* what, const char* arg)
{
    std::fprintf(stderr, "qm4700-collector: %s%s%s (qm4700-collector --help lists the options)\n", what, arg ? " " : "",
                 arg ? arg : "");
    return kUsage;
}

void setUpLogging()
{
    // The category before each message; under systemd (JOURNAL_STREAM names its stream) also the
    // level as syslog's <N> prefix, which journald takes for the entry's priority. An explicit
    // QT_MESSAGE_PATTERN wins.
    if (qEnvironmentVariableIsSet("JOURNAL_STREAM"))
        qSetMessagePattern(QStringLiteral("%{if-debug}<7>%{endif}%{if-info}<6>%{endif}%{if-warning}<4>%{endif}"
                                          "%{if-critical}<3>%{endif}%{if-fatal}<2>%{endif}%{category}: %{message}"));
    else
        qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd HH:mm:ss} %{category}: %{message}"));
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "?";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QString dir;
    bool dirGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("qm4700-collector %s\n", QM_VERSION);
            return 0;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--dir") == 0) {
            if (i + 1 >= argc) return usageError("--dir needs a directory", nullptr);
            dir = QString::fromLocal8Bit(argv[++i]);
            dirGiven = true;
        } else if (std::strncmp(arg, "--dir=", 6) == 0) {
            dir = QString::fromLocal8Bit(arg + 6);
            dirGiven = true;
        } else {
            return usageError("unknown option", arg);
        }
    }
    if (!dirGiven || dir.isEmpty()) return usageError("no line directory: give --dir DIR", nullptr);

    setUpLogging();
    // Qt's own event loop rather than GLib's: nothing here needs GLib's, and it wakes the
    // process less for each of the engine's ten ticks a second (half the CPU time, measured).
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qm4700-collector"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM_VERSION));
    qm::InstallLogFile();

    const QFileInfo info(dir);
    if (!info.isDir()) {
        qCCritical(qm::lcCollector).noquote()
            << (info.exists() ? QStringLiteral("«%1» — не папка.") : QStringLiteral("Папки «%1» нет.")).arg(QDir::toNativeSeparators(dir))
            << QStringLiteral("Коллектор не запущен.");
        return kCannotStart;
    }

    qm::Collector collector(dir);
    // Before the line is opened: a stop asked for during start-up is handled once the loop runs.
    new qm::StopSignals(&app, [&collector](int signal) {
        qCInfo(qm::lcCollector).noquote() << QStringLiteral("Получен %1: остановка.").arg(QLatin1String(signalName(signal)));
        collector.stop();
        QCoreApplication::quit();
    });
    collector.start();
    return app.exec();
}
