#include "TrendRecords.h"

#include "FileDialogs.h"
#include "JournalSetting.h"
#include "NoticeBoard.h"
#include "TrendChartMenu.h"
#include "WholeFile.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

namespace qm {

namespace {
// The notices of this object: the journal's failures, and anything else (an export, journal.cfg).
const QString JournalKey = QStringLiteral("journal");
const QString RecordsKey = QStringLiteral("records");
}  // namespace

TrendRecords::TrendRecords(const TrendStore& store, QWidget* chart1, NoticeBoard* notices)
    : m_store(store), m_chart1(chart1), m_notices(notices)
{
    TrendChartMenu* menu = TrendChartMenu::of(chart1);
    m_journalItem = menu->addItem(QStringLiteral("Вести журнал"), [this](QAction* item) { item->setChecked(m_on); });
    m_journalItem->setCheckable(true);
    // triggered, not toggled: the menu's own setChecked as it opens is no choice of the operator.
    QObject::connect(m_journalItem, &QAction::triggered, m_journalItem, [this](bool on) { SetJournalOn(on); });
    m_exportItem = menu->addItem(QStringLiteral("Экспорт в CSV…"),
                                 [this](QAction* item) { item->setEnabled(m_store.TrendCount() > 0); });
    // The save dialog opens once the menu's click is over, not inside it.
    QObject::connect(m_exportItem, &QAction::triggered, m_exportItem, [this] {
        QTimer::singleShot(0, m_exportItem, [this] { ExportCsv(); });
    });

    AskExportPath = [this](const QString& proposedName) {
        const auto dialog = NewFileDialog(m_chart1->window(), QFileDialog::AcceptSave, m_workDir,
                                          QStringLiteral("Файлы CSV (*.csv)"));
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(QStringLiteral("csv"));
        dialog->selectFile(proposedName);
        return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
    };
    ShowNotice = [this](const QString& text, const QString& detail) {
        if (m_notices) m_notices->post({text, detail}, m_journalNotice ? JournalKey : RecordsKey);
    };
}

TrendRecords::~TrendRecords()
{
    // The menu stays with the chart; this object's items go with it.
    delete m_journalItem.data();
    delete m_exportItem.data();
}

void TrendRecords::Start(const QString& workDir)
{
    m_workDir = workDir;
    m_journal.setWorkDir(workDir);
    m_on = ReadJournalSetting(workDir);
}

void TrendRecords::SetJournalOn(bool on)
{
    m_on = on;
    m_journal.Reset();
    const QString error = WriteJournalSetting(m_workDir, on);
    if (!error.isEmpty()) ShowNotice(error, QStringLiteral("Выбор действует до закрытия программы."));
}

void TrendRecords::SampleTaken()
{
    const TrendStore& store = m_store;
    if (!m_on || store.TrendCount() == 0) return;
    const TrendJournal::Result result = m_journal.Append(store, store.TrendCount(), m_range);
    if (!result.report.isEmpty()) {
        m_journalNotice = true;
        ShowNotice(result.report, QStringLiteral("Отсчёты по-прежнему идут на график; журнал пробует записать "
                                                 "каждый следующий отсчёт."));
        m_journalNotice = false;
    }
    // A box still open about the failure must not go on saying that the journal is not written.
    if (result.resumed && m_notices)
        m_notices->amend(JournalKey, QStringLiteral("Запись журнала возобновлена в %1.")
                                         .arg(FromDateTime(store.TrendTime(store.TrendCount())).toString(QStringLiteral("HH:mm:ss"))));
}

void TrendRecords::ExportCsv()
{
    const QString proposed = QStringLiteral("График_%1.csv").arg(CurrentDateTime().date().toString(QStringLiteral("yyyy-MM-dd")));
    const QString path = AskExportPath ? AskExportPath(proposed) : QString();
    if (path.isEmpty()) return;
    // The samples as they are once the dialog closes; written beside the file and renamed over it.
    const QString reason = WriteWholeFile(path, TrendCsv(m_store, m_range));
    if (!reason.isEmpty())
        ShowNotice(QStringLiteral("Не удалось сохранить файл %1: %2").arg(QDir::toNativeSeparators(path), reason), QString());
}

}  // namespace qm
