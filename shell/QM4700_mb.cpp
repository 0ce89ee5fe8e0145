// The program entry: the main window (its constructor runs the start-up), the archive chart
// window hidden beside it, then the event loop until the main window closes.
#include "Logging.h"
#include "QM4700_mp.h"
#include "QtTranslations.h"
#include "Uarhgr.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qm::InstallLogFile();
    qm::InstallQtTranslations(app);
    TForm1 form;
    TFormARHGR archive;
    form.setArchiveWindow(&archive);
    form.show();
    return app.exec();
}
