#include "QtTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qm {

bool InstallQtTranslations(QCoreApplication& app)
{
    // Beside the program first (a deployed Windows copy carries its translations there), then
    // Qt's own translations directory.
    const QStringList places = {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto* translator = new QTranslator(&app);
    for (const QString& place : places) {
        if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                             place)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

}  // namespace qm
