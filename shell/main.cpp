// The window program: the main window (its constructor runs the start-up), the archive chart
// window hidden beside it, then the event loop until the main window closes.
#include "ArchiveChartWindow.h"
#include "Logging.h"
#include "MainWindow.h"
#include "QtTranslations.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qm::InstallLogFile();
    qm::InstallQtTranslations(app);
    MainWindow window;
    ArchiveChartWindow archive;
    window.setArchiveWindow(&archive);
    // A notice box still on screen is a window of its own: it must not keep the program running
    // once the main window has closed.
    QObject::connect(&window, &MainWindow::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
