#pragma once
// The archive file buttons of the main window: "Сохранить в файл" writes the lines of Memo1 to an
// archive file, "Просмотр" reads one back into Memo1 and shows it in the archive chart window.
// The window only forwards its controls here.

#include "Uarhgr.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

namespace qm {

class TrendChart;

// The questions and messages of the two buttons. By default they show the real dialogs; tests
// put their own answers here.
struct ArchiveDialogs {
    // The file chosen in the save dialog, or an empty text when it was cancelled.
    std::function<QString(QWidget* parent, const QString& proposedName)> SaveFileName;
    // The file chosen in the open dialog, or an empty text when it was cancelled.
    std::function<QString(QWidget* parent)> OpenFileName;
    // A Yes/No warning; true for Yes.
    std::function<bool(QWidget* parent, const QString& question)> AskYesNo;
    // An error message with an OK button.
    std::function<void(QWidget* parent, const QString& text)> ShowError;
};

// The real dialogs and message boxes.
ArchiveDialogs DefaultArchiveDialogs();
// The ones the buttons use.
ArchiveDialogs& ArchiveViewDialogs();

// The dialogs as the buttons run them: filter "Файлы архивов", starting in WorkDir, no default
// suffix (".txt" is added by the program); the save dialog proposes proposedName and leaves the
// overwrite question to the program, the open dialog starts with no name.
std::unique_ptr<QFileDialog> NewArchiveSaveDialog(QWidget* parent, const QString& proposedName);
std::unique_ptr<QFileDialog> NewArchiveOpenDialog(QWidget* parent);

// The lines of the text area as they were added, not as it wraps them; none when it is empty.
QStringList MemoLines(const QPlainTextEdit* memo);

namespace ArchiveView {

// Saves Memo1 to an archive file; returns true when a file was written.
bool SaveArchive(QWidget* owner, const QPlainTextEdit* Memo1, const QString& addressText);
// Views an archive file; returns true when the chart window was filled and shown.
bool ViewArchive(QWidget* owner, QPlainTextEdit* Memo1, TFormARHGR* FormARHGR, const ArchiveScales& scales);

// The handlers as the main window calls them.
void Button2Click(QWidget* owner, const QPlainTextEdit* Memo1, const QSpinBox* SpinEdit5);
void Button4Click(QWidget* owner, QPlainTextEdit* Memo1, TFormARHGR* FormARHGR, const TrendChart& chart);

}  // namespace ArchiveView

}  // namespace qm
