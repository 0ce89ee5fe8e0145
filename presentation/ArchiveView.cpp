#include "ArchiveView.h"

#include "ArchiveFile.h"
#include "DateTimeText.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace qm {

namespace {

const QString ArchiveFilter = QStringLiteral("Файлы архивов (*.txt)");

QString BoxTitle(QWidget* parent)
{
    return parent ? parent->window()->windowTitle() : QString();
}

QString RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

std::unique_ptr<QFileDialog> NewArchiveDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& workDir)
{
    auto dialog = NewFileDialog(parent, mode, workDir, ArchiveFilter);
    dialog->setDefaultSuffix(QString());
    return dialog;
}

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

// Listing lines carry two-digit years; a record whose date cannot be right is listed with a
// three-digit year and stays out of the chart, so that it cannot stretch the time axis. The
// chartable span is the hundred years that two-digit years stand for, beginning 50 years before
// the current year; it is worked out once a view, not once a line.
struct ChartableSpan {
    DateTime from = 0, to = 0;
    ChartableSpan()
    {
        const int first = TwoDigitYearWindowStart(CurrentDateTime().date().year());
        from = ToDateTime(QDateTime(QDate(first, 1, 1), QTime(0, 0)));
        to = ToDateTime(QDateTime(QDate(first + 100, 1, 1), QTime(0, 0)));
    }
    bool contains(DateTime t) const { return t >= from && t < to; }
};

}  // namespace

std::unique_ptr<QFileDialog> NewArchiveSaveDialog(QWidget* parent, const QString& workDir, const QString& proposedName)
{
    auto dialog = NewArchiveDialog(parent, QFileDialog::AcceptSave, workDir);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The program asks the overwrite question itself, once the ".txt" is on the name.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->selectFile(proposedName);
    return dialog;
}

std::unique_ptr<QFileDialog> NewArchiveOpenDialog(QWidget* parent, const QString& workDir)
{
    auto dialog = NewArchiveDialog(parent, QFileDialog::AcceptOpen, workDir);
    // A name typed without ".txt" must get through: the program completes it.
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

ArchiveDialogs DefaultArchiveDialogs()
{
    ArchiveDialogs d;
    d.SaveFileName = [](QWidget* parent, const QString& workDir, const QString& proposedName) {
        return RunFileDialog(*NewArchiveSaveDialog(parent, workDir, proposedName));
    };
    d.OpenFileName = [](QWidget* parent, const QString& workDir) {
        return RunFileDialog(*NewArchiveOpenDialog(parent, workDir));
    };
    d.AskYesNo = [](QWidget* parent, const QString& question) {
        const std::unique_ptr<QMessageBox> box(
            NewMessageBox(parent, QMessageBox::Warning, BoxTitle(parent), question, QString(), QMessageBox::Yes | QMessageBox::No));
        return box->exec() == QMessageBox::Yes;
    };
    d.ShowError = [](QWidget* parent, const QString& text) {
        const std::unique_ptr<QMessageBox> box(
            NewMessageBox(parent, QMessageBox::Critical, BoxTitle(parent), text, QString(), QMessageBox::Ok));
        box->exec();
    };
    return d;
}

QStringList MemoLines(const QPlainTextEdit* memo)
{
    QStringList lines;
    const QTextDocument* doc = memo->document();
    if (doc->isEmpty()) return lines;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) lines.append(b.text());
    return lines;
}

ArchiveView::ArchiveView(ArchiveDialogs dialogs) : m_dialogs(std::move(dialogs)) {}

bool ArchiveView::SaveArchive(QWidget* owner, const QPlainTextEdit* memo, const QString& addressText)
{
    const ArchiveDialogs& dialogs = m_dialogs;
    QString path = dialogs.SaveFileName(owner, m_workDir, ProposedArchiveName(addressText, DateTag()));
    if (path.isEmpty()) return false;
    path = WithArchiveExtension(path);
    if (QFileInfo::exists(path) && !dialogs.AskYesNo(owner, QStringLiteral("Файл уже существует. Переписать?")))
        return false;

    // The text area is read only now: a download may have replaced it while the dialogs were open.
    const QByteArray bytes = EncodeArchiveLines(MemoLines(memo));
    // Written beside the old file and renamed over it, so a failure keeps the old file whole.
    const QString reason = WriteWholeFile(path, bytes);
    if (!reason.isEmpty()) {
        dialogs.ShowError(owner, QStringLiteral("Не удалось сохранить файл ") + Shown(path) + QStringLiteral(": ") + reason);
        return false;
    }
    return true;
}

bool ArchiveView::ViewArchive(QWidget* owner, QPlainTextEdit* memo, ArchiveChartWindow* chartWindow, const ChartScales& scales)
{
    const ArchiveDialogs& dialogs = m_dialogs;
    QString path = dialogs.OpenFileName(owner, m_workDir);
    if (path.isEmpty()) return false;
    path = WithArchiveExtension(path);

    // A file that cannot be read leaves the text area and the chart as they were.
    QByteArray bytes;
    if (const QString reason = ReadArchiveFile(path, &bytes); !reason.isEmpty()) {
        dialogs.ShowError(owner, QStringLiteral("Не удалось открыть файл ") + Shown(path) + QStringLiteral(": ") + reason);
        return false;
    }

    const QStringList lines = DecodeArchiveLines(bytes);
    QVector<ArchivePoint> points;
    points.reserve(std::min<qsizetype>(lines.size(), ArchiveCapacity));
    qsizetype listed = lines.size();
    qsizetype failed = -1;
    ArchiveLineReader reader;
    const ChartableSpan chartable;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ArchivePoint p;
        if (!reader.read(lines.at(i), &p)) {
            failed = i;
            listed = i + 1;
            break;
        }
        // Beyond the capacity lines are listed and checked but not plotted.
        if (points.size() < ArchiveCapacity && chartable.contains(p.Time)) points.append(p);
    }

    // The text area shows every line read, the failing one included, as if added one by one.
    memo->setPlainText(lines.mid(0, listed).join(QLatin1Char('\n')));
    memo->moveCursor(QTextCursor::End);
    memo->ensureCursorVisible();

    if (failed >= 0) {
        dialogs.ShowError(owner, InvalidDateTimeMessage(ArchiveDateTimeText(lines.at(failed))));
        return false;
    }
    if (!chartWindow) return false;
    chartWindow->fillArchive(path, points, scales);
    chartWindow->showOver(owner ? owner->window() : nullptr);
    return true;
}

}  // namespace qm
