#pragma once
// Qt's own texts (the buttons of message boxes, the file dialogs) in Russian, like the rest of
// the program.

class QCoreApplication;

namespace qm {

// Installs Qt's Russian translation on the application; returns false when it is not installed
// on this machine, in which case Qt's texts stay English.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace qm
