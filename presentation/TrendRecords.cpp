#include "TrendRecords.h"

#include "JournalSetting.h"
#include "NoticeBoard.h"
#include "TrendChartMenu.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileDialog>

namespace qm {

namespace {
// The notices of this object: the journal's failures, and anything else (an export, journal.cfg).
const QString JournalKey = QStringLiteral("journal");
const QString RecordsKey = QStringLiteral("records");
}  // namespace

TrendRecords::TrendRecords(const TrendStore& store, QWidget* chart1, NoticeBoard* notices)
    : m_store(store), m_chart1(chart1), m_notices(notices), m_menu(new TrendChartMenu(chart1))
{
    m_menu->JournalOn = [this] { return m_on; };
    m_menu->SetJournalOn = [this](bool on) { SetJournalOn(on); };
    m_menu->CanExport = [this] { return m_store.TrendCount() > 0; };
    m_menu->ExportCsv = [this] { ExportCsv(); };

    AskExportPath = [this](const QString& proposedName) {
        QFileDialog dialog(m_chart1->window());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QStringLiteral("Файлы CSV (*.csv)"));
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        dialog.setDirectory(m_workDir);
        dialog.selectFile(proposedName);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    ShowNotice = [this](const QString& text, const QString& detail) {
        if (m_notices) m_notices->post({text, detail}, m_journalNotice ? JournalKey : RecordsKey);
    };
}

TrendRecords::~TrendRecords() { delete m_menu.data(); }

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
