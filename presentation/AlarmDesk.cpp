#include "AlarmDesk.h"

#include "AlarmLimitsDialog.h"
#include "AlarmSound.h"
#include "AlarmText.h"
#include "AlarmWindow.h"
#include "FileWatch.h"
#include "LiveTable.h"
#include "NoticeBoard.h"
#include "TrendChart.h"
#include "TrendChartMenu.h"

#include <QAction>
#include <QDir>
#include <QTimer>

namespace qm {

namespace {
const QString LimitsKey = QStringLiteral("alarms-cfg");
const QString JournalKey = QStringLiteral("alarm-journal");
}  // namespace

AlarmDesk::AlarmDesk(QWidget* window, LiveTable* table, TrendChart* chart, QWidget* chart1, NoticeBoard* notices)
    : QObject(window), m_main(window), m_table(table), m_chart(chart), m_notices(notices)
{
    if (chart1) {
        TrendChartMenu* menu = TrendChartMenu::of(chart1);
        // Both open once the menu's click is over, not inside it.
        QAction* window = menu->addItem(QStringLiteral("Окно тревог\tF9"));
        connect(window, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, &AlarmDesk::showWindow); });
        QAction* limits = menu->addItem(QStringLiteral("Уставки тревог…"));
        connect(limits, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, &AlarmDesk::editLimits); });
    }
    m_window = new AlarmWindow(window);
    m_sound = new AlarmSound(this);
    connect(&m_monitor, &AlarmMonitor::changed, this, &AlarmDesk::changed);
    connect(m_window, &AlarmWindow::acknowledgeRequested, &m_monitor, &AlarmMonitor::acknowledge);
    connect(m_window, &AlarmWindow::acknowledgeAllRequested, &m_monitor, &AlarmMonitor::acknowledgeAll);
    connect(m_window, &AlarmWindow::silenceRequested, m_sound, &AlarmSound::silence);
    connect(m_sound, &AlarmSound::stateChanged, m_window,
            [this] { m_window->setSoundState(m_sound->repeating(), m_sound->silenced()); });
}

AlarmDesk::~AlarmDesk() = default;

AlarmLimitsDialog* AlarmDesk::limitsDialog() const { return m_dialog; }

void AlarmDesk::start(const QString& workDir)
{
    m_workDir = workDir;
    m_journal.setWorkDir(workDir);
    reloadLimits();
    delete m_watch;
    m_watch = new FileWatch(QDir(workDir).filePath(AlarmFileName()), this);
    connect(m_watch, &FileWatch::changed, this, &AlarmDesk::reloadLimits);
}

void AlarmDesk::setRange(PolledRange range)
{
    m_range = range;
    m_monitor.setRange(range);
}

void AlarmDesk::take(const Reading& reading)
{
    m_monitor.take(reading);
    // The latest values of the alarms listed, unless a change will refresh the whole list anyway.
    if (m_window->isVisible() && !m_windowPending) m_window->updateValues(m_monitor.book().alarms());
}

void AlarmDesk::reloadLimits()
{
    const QString path = QDir(m_workDir).filePath(AlarmFileName());
    const AlarmLimitsRead read = ReadAlarmLimitsFile(path);
    if (m_read && read == m_lastRead) return;
    const std::optional<Notice> notice = AlarmLimitsNotice(path, read, m_read ? std::optional(m_lastRead) : std::nullopt);
    m_lastRead = read;
    m_read = true;
    applyLimits(read.limits);
    if (m_notices && notice) m_notices->post(*notice, LimitsKey);
}

void AlarmDesk::applyLimits(const AlarmLimits& limits)
{
    m_monitor.setLimits(limits);
    if (m_chart) m_chart->setLimits(limits);
}

void AlarmDesk::editLimits()
{
    if (!m_dialog) {
        m_dialog = new AlarmLimitsDialog(m_main);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_dialog->keep = [this](const AlarmLimits& limits) {
            const QString failure = WriteAlarmLimitsFile(QDir(m_workDir).filePath(AlarmFileName()), limits);
            if (failure.isEmpty()) reloadLimits();
            return failure;
        };
    }
    m_dialog->load(m_range, m_monitor.book().limits());
    // Not exec(): the dialog has no event loop of its own, and nothing waits for it.
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void AlarmDesk::showWindow()
{
    refreshWindow();
    m_window->bringForward();
}

void AlarmDesk::refreshWindow()
{
    m_windowPending = false;
    m_window->setAlarms(m_monitor.book().alarms());
}

void AlarmDesk::changed(const AlarmChange& change)
{
    if (m_table) m_table->showAlarm(change);
    const AlarmJournal::Result written = m_journal.Append(AlarmJournalLineOf(change));
    if (m_notices && !written.report.isEmpty())
        m_notices->post({written.report, QStringLiteral("Тревоги по-прежнему показываются и звучат; журнал тревог "
                                                        "пробует записать каждое следующее изменение.")},
                        JournalKey);
    if (m_notices && written.resumed)
        m_notices->amend(JournalKey, QStringLiteral("Запись журнала тревог возобновлена в %1.")
                                         .arg(change.time.toString(QStringLiteral("HH:mm:ss"))));
    m_sound->update(m_monitor.book().anyUnacknowledged(), change.raised());
    // Several changes of one reading refresh the list once, after the reading has been handled.
    if (!m_windowPending) {
        m_windowPending = true;
        QTimer::singleShot(0, this, &AlarmDesk::refreshWindow);
    }
    if (change.raised()) m_window->showQuietly();
}

}  // namespace qm
