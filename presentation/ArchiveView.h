#pragma once
// The archive file buttons of the main window: "Сохранить в файл" writes the lines of the archive text area to an
// archive file, "Просмотр" reads one back into it and shows it in the archive chart window.
// The window only forwards its controls here.

#include "ChartScales.h"
#include "ArchiveChartWindow.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QPlainTextEdit;
class QWidget;

namespace qm {

// The questions and messages of the two buttons: the real dialogs by default, the tests' own
// answers in tests. The file dialogs start in the working directory they are given.
struct ArchiveDialogs {
    // The file chosen in the save dialog, or an empty text when it was cancelled.
    std::function<QString(QWidget* parent, const QString& workDir, const QString& proposedName)> SaveFileName;
    // The file chosen in the open dialog, or an empty text when it was cancelled.
    std::function<QString(QWidget* parent, const QString& workDir)> OpenFileName;
    // A Yes/No warning; true for Yes.
    std::function<bool(QWidget* parent, const QString& question)> AskYesNo;
    // An error message with an OK button.
    std::function<void(QWidget* parent, const QString& text)> ShowError;
};

// The real dialogs and message boxes.
ArchiveDialogs DefaultArchiveDialogs();

// The dialogs as the buttons run them: filter "Файлы архивов", starting in workDir, no default
// suffix (".txt" is added by the program); the save dialog proposes proposedName and leaves the
// overwrite question to the program, the open dialog starts with no name.
std::unique_ptr<QFileDialog> NewArchiveSaveDialog(QWidget* parent, const QString& workDir, const QString& proposedName);
std::unique_ptr<QFileDialog> NewArchiveOpenDialog(QWidget* parent, const QString& workDir);

// The lines of the text area as they were added, not as it wraps them; none when it is empty.
QStringList MemoLines(const QPlainTextEdit* memo);

class ArchiveView {
public:
    explicit ArchiveView(ArchiveDialogs dialogs = DefaultArchiveDialogs());

    // Start-up: where the file dialogs start.
    void setWorkDir(const QString& dir) { m_workDir = dir; }
    void setDialogs(ArchiveDialogs dialogs) { m_dialogs = std::move(dialogs); }

    // "Сохранить в файл": the archive text area to an archive file, proposed as "АрхивN" + address + "_" + date;
    // returns true when a file was written.
    bool SaveArchive(QWidget* owner, const QPlainTextEdit* memo, const QString& addressText);
    // "Просмотр": an archive file into the archive text area and the archive chart window, drawn with the chart
    // scales; returns true when the window was filled and shown.
    bool ViewArchive(QWidget* owner, QPlainTextEdit* memo, ArchiveChartWindow* chartWindow, const ChartScales& scales);

private:
    ArchiveDialogs m_dialogs;
    QString m_workDir;
};

}  // namespace qm
