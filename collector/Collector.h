#pragma once
// One line collected without a display: what the window program does for its line, run from a
// directory of settings and told to a log instead of a screen.
//
// At start it reads it.cfg (the port and the polled range, the sampling interval), journal.cfg,
// alarms.cfg (and again whenever it changes on disk) and mqtt.cfg from its directory, opens the
// line at once and polls. A line that cannot be opened, or is lost and cannot be opened again, is
// tried again and again, 1, 2, 4 ... 30 s apart, each attempt logged (a network line reconnects
// on its own inside the port and is left to it). Samples go to the journal when journal.cfg says
// so, readings and alarm changes to the broker, alarm changes to the alarm journal. Every fact
// worth a word is logged on qm.collector in the operator's words (wording/), the same words the
// window shows: a problem once, not again while it stays the same.

#include "AlarmJournal.h"
#include "AlarmLimitsFile.h"
#include "AlarmMonitor.h"
#include "LinePort.h"
#include "Notice.h"
#include "Panel.h"
#include "PollEngine.h"
#include "Publisher.h"
#include "Sampler.h"
#include "TrendJournal.h"

#include <QLoggingCategory>
#include <QObject>
#include <QTimer>

#include <optional>

namespace qm {

Q_DECLARE_LOGGING_CATEGORY(lcCollector)

class FileWatch;

class Collector : public QObject, public Panel {
    Q_OBJECT
public:
    // The longest wait between two attempts to open a line that is gone.
    static constexpr int LongestReopenSeconds = 30;

    // dir: the line's directory, where the settings are read and the journals kept.
    explicit Collector(const QString& dir, QObject* parent = nullptr);
    ~Collector() override;

    // Reads the settings, opens the line and starts polling. A settings file missing or damaged
    // is logged, naming the file and the line, and what it did not give is taken by default.
    void start();
    // The end: the line closed, the journals left whole, "offline" published with a clean goodbye.
    void stop();

    // Panel: the engine's facts, into the log.
    void walkStatus(const WalkStatus& status) override;
    void reading(const Reading& reading) override;
    void otherIdentification(quint16 id) override;
    void instrumentCleared(int) override {}
    void archivePeriodRead(int) override {}
    void portProblem(const PortProblem& problem) override;
    void connectionDropped() override;
    void portChoiceAllowed(bool) override {}
    void linkChanged(bool up) override;
    void roundDone(int measurementSlots) override;
    void archiveDownloadEnded(const ArchiveOutcome&) override {}

    const PollEngine& engine() const { return m_engine; }
    const Publisher& publisher() const { return m_publisher; }

private:
    void pollTick();
    void sampleTick();
    void reopenLine();
    void reloadLimits();
    void alarmChanged(const AlarmChange& change);
    void publishStateChanged(const PublishState& state);
    // Logs a problem for the operator as a warning, unless it is the one logged last in this
    // outage.
    void tellProblem(const Notice& notice);
    QString portName() const;

    QString m_dir;
    LinePort m_port;
    PollEngine m_engine{m_port, *this};
    PolledRange m_range;
    Sampler m_sampler;
    QTimer m_pollTimer;    // the engine's 100 ms tick
    int m_ticks = 0;       // of the poll timer, for the sample due once a second
    QTimer m_reopenTimer;
    int m_reopenDelaySeconds = 1;  // the wait before the next attempt to open the line
    int m_reopenAttempt = 0;       // attempts since the line was last working
    bool m_lineTold = false;       // "line open" was logged and the line has not been lost since
    QString m_lastProblem;         // the problem logged last; told again only once the line works

    bool m_journalOn = false;
    TrendJournal m_journal;

    AlarmMonitor m_alarms;
    AlarmJournal m_alarmJournal;
    FileWatch* m_limitsWatch = nullptr;
    std::optional<AlarmLimitsRead> m_limitsRead;

    Publisher m_publisher;
    bool m_stopped = false;
};

// A notice as one log line: its text, then the lines of its detail, " | " between them.
QString LogLine(const Notice& notice);

}  // namespace qm
