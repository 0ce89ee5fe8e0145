// The window program: the main window (its constructor runs the start-up), the archive chart
// window hidden beside it, then the event loop until the main window closes.
//
// Options. The program keeps its files in its current directory. Started from a terminal that is
// where the operator stands; the desktop menu would start it in the home folder, so the menu's
// entry passes --user-data and the program moves into a folder of its own first. --version and
// --help are answered before QApplication exists, so that they need no display.
#include "ArchiveChartWindow.h"
#include "Logging.h"
#include "MainWindow.h"
#include "QtTranslations.h"
#include "SystemErrorText.h"
#include "WorkDir.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

#ifndef QM_VERSION
#error "QM_VERSION (the project's version as a string literal) comes from the top-level CMakeLists.txt"
#endif
#ifndef QM_APP_ID
#error "QM_APP_ID (the desktop entry's id) comes from the top-level CMakeLists.txt"
#endif

namespace {

const char kHelp[] =
    "Usage: qm4700 [--user-data] [Qt options]\n"
    "A monitor of QM4700 pH meters on a Modbus RTU line. It keeps its files (it.cfg, ports.cfg,\n"
    "the trend, archives, the journal) in the current directory.\n"
    "\n"
    "  --user-data   keep the files in $XDG_DATA_HOME/qm4700 (~/.local/share/qm4700),\n"
    "                made on first use; the desktop menu starts the program so\n"
    "  --version     print the version and exit\n"
    "  --help        print this text and exit\n"
    "\n"
    "Environment: QT_LOGGING_RULES (\"qm.link.debug=true;qm.poll.debug=true\" logs every\n"
    "frame and port event), QM_LOG_FILE (the log appended to this file too).\n"
    "See qm4700(1).\n";

// Why the folder of --user-data cannot be used, in the operator's words.
QString DataDirProblemText(const qm::EnterDirFailure& f)
{
    using Step = qm::EnterDirFailure::Step;
    const QString path = QDir::toNativeSeparators(f.path);
    switch (f.step) {
    case Step::Create:
        return QStringLiteral("Не удалось создать папку «%1» для файлов программы: %2.").arg(path, qm::SystemErrorText(f.error));
    case Step::NotDir:
        return QStringLiteral("Папку для файлов программы не создать: «%1» — файл, а не папка. Переименуйте или уберите его.")
            .arg(path);
    case Step::Enter:
        return QStringLiteral("Не удалось открыть папку «%1» с файлами программы: %2.").arg(path, qm::SystemErrorText(f.error));
    case Step::None:
        break;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    bool userData = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("qm4700 %s\n", QM_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--user-data") == 0) userData = true;
    }

    QApplication app(argc, argv);
    // What Qt did not take (-platform, -style ...) must be ours.
    const QStringList rest = app.arguments().mid(1);
    for (const QString& arg : rest) {
        if (arg == QLatin1String("--user-data")) continue;
        std::fprintf(stderr, "qm4700: unknown option '%s' (qm4700 --help lists them)\n", qPrintable(arg));
        return 2;
    }
    // The desktop entry's id ties the window to its menu entry and icon (Wayland's app id, and
    // the taskbar's picture when the package is installed).
    QGuiApplication::setDesktopFileName(QStringLiteral(QM_APP_ID));
    const QIcon icon = QIcon::fromTheme(QStringLiteral(QM_APP_ID));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);

    // A relative QM_LOG_FILE is taken from where the program was started, before --user-data moves it.
    qm::InstallLogFile();
    qm::InstallQtTranslations(app);

    if (userData) {
        const qm::EnterDirFailure failure =
            qm::EnterDir(qm::UserDataDir(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()));
        if (failure.step != qm::EnterDirFailure::Step::None) {
            // Started from the menu there is no terminal: the box is what the operator sees.
            const QString text = DataDirProblemText(failure);
            std::fprintf(stderr, "qm4700: %s\n", text.toUtf8().constData());
            QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), text);
            return 1;
        }
    }

    MainWindow window;
    ArchiveChartWindow archive;
    window.setArchiveWindow(&archive);
    // A notice box still on screen is a window of its own: it must not keep the program running
    // once the main window has closed.
    QObject::connect(&window, &MainWindow::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
