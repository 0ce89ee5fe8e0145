#pragma once
// The chart's long-term records as the operator meets them: the journal switched from the chart's
// mouse menu and kept on or off between runs, the journal fed with every sample the chart takes,
// and the export of the chart's samples to a CSV file chosen in a save dialog. Failures are told
// in a box that does not stop the timers.

#include "TrendJournal.h"

#include <QPointer>
#include <functional>

class QMessageBox;
class QWidget;

namespace qm {

class TrendChart;
class TrendChartMenu;

class TrendRecords {
public:
    using RangeFunction = std::function<PolledRange()>;

    // Hooks itself into the chart's sampling and puts the menu on chart1. range gives the polled
    // range at the moment a sample is written.
    TrendRecords(TrendChart& chart, QWidget* chart1, RangeFunction range);
    ~TrendRecords();
    TrendRecords(const TrendRecords&) = delete;
    TrendRecords& operator=(const TrendRecords&) = delete;

    // Start-up, once the working directory is known: the switch as journal.cfg keeps it.
    void Start();

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
    void showNotice(const QString& text, const QString& detail);

    TrendChart& m_chart;
    QWidget* m_chart1;
    RangeFunction m_range;
    TrendJournal m_journal;
    QPointer<TrendChartMenu> m_menu;  // a child of chart1
    QPointer<QMessageBox> m_notice;
    bool m_journalNotice = false;  // the open box tells of a journal failure
    bool m_on = false;
};

}  // namespace qm
