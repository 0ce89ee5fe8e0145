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
    window.show();
    return app.exec();
}
