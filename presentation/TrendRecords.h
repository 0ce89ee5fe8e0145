#pragma once
// The trend store's long-term records as the operator meets them: the journal switched from the
// chart's menu and kept on or off between runs, the journal fed with every sample the chart
// takes (the window wires the chart's sampleTaken to SampleTaken), and the export of the store's
// samples to a CSV file chosen in a save dialog. Failures are told through the notice board, whose
// boxes never stop the timers.

#include "TrendJournal.h"

#include <QPointer>
#include <functional>

class QAction;
class QWidget;

namespace qm {

class NoticeBoard;

class TrendRecords {
public:
    // Puts its items in the menu of chart1; the samples are those of store; failures go to notices.
    TrendRecords(const TrendStore& store, QWidget* chart1, NoticeBoard* notices);
    ~TrendRecords();
    TrendRecords(const TrendRecords&) = delete;
    TrendRecords& operator=(const TrendRecords&) = delete;

    // Start-up, once the working directory is known: the journal is kept there, and the switch
    // is as journal.cfg keeps it.
    void Start(const QString& workDir);
    // The polled range, which names the columns of the journal and of an export.
    void setRange(PolledRange range) { m_range = range; }

    bool JournalOn() const { return m_on; }
    // The menu item: switches the journal and keeps the choice in journal.cfg.
    void SetJournalOn(bool on);
    // The store has just taken a sample: it goes into the journal when the journal is on.
    void SampleTaken();
    // "Экспорт в CSV…": the store's samples, now, to the file the operator picks.
    void ExportCsv();

    // The save dialog (an empty name: cancelled) and the failure box; tests replace them.
    std::function<QString(const QString& proposedName)> AskExportPath;
    std::function<void(const QString& text, const QString& detail)> ShowNotice;

private:
    const TrendStore& m_store;
    QWidget* m_chart1;
    NoticeBoard* m_notices;
    QString m_workDir;
    PolledRange m_range;
    TrendJournal m_journal;
    // Its items in the chart's menu (which may go first, with the chart).
    QPointer<QAction> m_journalItem, m_exportItem;
    bool m_journalNotice = false;  // the notice being told is a journal failure
    bool m_on = false;
};

}  // namespace qm
