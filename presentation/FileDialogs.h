#pragma once
// The program's file dialogs, made in one place so that every one reads in Russian. Qt's own
// translation covers the dialog's captions and buttons; what it leaves in English comes from
// elsewhere: the size and the date of a file follow the system's locale (English on a machine
// set to C), and the type column names folders with a word the translation lacks and files with
// the MIME database's English comment. The list's columns are given their Russian texts here.
// A native dialog of the platform, where Qt uses one, speaks the system's language and is left
// as it is.

#include <QFileDialog>
#include <QString>

#include <memory>

class QWidget;

namespace qm {

// A dialog over parent in directory, offering nameFilter ("Файлы архивов (*.txt)"), for
// saving (AcceptSave) or opening (AcceptOpen); the caller adds its own options and runs it.
std::unique_ptr<QFileDialog> NewFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& directory,
                                           const QString& nameFilter);

// A file's size as the dialog shows it: "512 байт", "5,9 КБ", "1,2 МБ".
QString FileSizeText(qint64 bytes);

}  // namespace qm
