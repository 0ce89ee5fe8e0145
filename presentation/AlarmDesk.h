#pragma once
// The alarms as the operator meets them, wired in one place so that the main window only hands
// over readings and the polled range: the alarm logic (AlarmMonitor) fed with every reading, its
// changes put into the live table's marks, the alarm window, the sound, the chart's limit lines
// and the alarm journal; the limits read from alarms.cfg at start and whenever the file changes
// on disk, and edited in the limits dialog from the chart's menu. Every warning (a damaged
// alarms.cfg, a journal that cannot be written) goes through the notice board, so nothing here
// ever holds a timer. The publisher takes the monitor's changed signal.

#include "AlarmJournal.h"
#include "AlarmLimitsFile.h"
#include "AlarmMonitor.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace qm {

class AlarmLimitsDialog;
class AlarmSound;
class AlarmWindow;
class FileWatch;
class LiveTable;
class NoticeBoard;
class TrendChart;

class AlarmDesk : public QObject {
    Q_OBJECT
public:
    // window is the main window (the alarm window and the dialog stand over it); chart1 is the
    // chart's widget, whose menu gets "Окно тревог" and "Уставки тревог…".
    AlarmDesk(QWidget* window, LiveTable* table, TrendChart* chart, QWidget* chart1, NoticeBoard* notices);
    ~AlarmDesk() override;

    // Start-up, once the working directory is known: alarms.cfg is read and watched, the journal
    // kept there.
    void start(const QString& workDir);
    void setRange(PolledRange range);
    void take(const Reading& reading);

    // F9: the alarm window in front, with the keyboard.
    void showWindow();
    // "Уставки тревог…": the limits dialog for the polled range.
    void editLimits();
    // Reads alarms.cfg again (start-up and a change on disk).
    void reloadLimits();

    AlarmMonitor& monitor() { return m_monitor; }
    AlarmWindow* window() const { return m_window; }
    AlarmSound* sound() const { return m_sound; }
    AlarmLimitsDialog* limitsDialog() const;

private:
    void changed(const AlarmChange& change);
    void applyLimits(const AlarmLimits& limits);
    void refreshWindow();

    QWidget* m_main;
    LiveTable* m_table;
    TrendChart* m_chart;
    NoticeBoard* m_notices;
    AlarmMonitor m_monitor;
    AlarmJournal m_journal;
    AlarmWindow* m_window;
    AlarmSound* m_sound;
    QPointer<AlarmLimitsDialog> m_dialog;
    FileWatch* m_watch = nullptr;
    QString m_workDir;
    PolledRange m_range;
    AlarmLimitsRead m_lastRead;  // what alarms.cfg gave last, so that an unchanged file is not told again
    bool m_read = false;
    bool m_windowPending = false;  // a refresh of the alarm window is queued
};

}  // namespace qm
