#include "Collector.h"

#include "AlarmText.h"
#include "DateTimeText.h"
#include "FileWatch.h"
#include "JournalSetting.h"
#include "MqttSettings.h"
#include "PortNames.h"
#include "PortTexts.h"
#include "PublishText.h"
#include "ReadingText.h"
#include "Settings.h"
#include "StatusText.h"

#include <QDir>
#include <QSysInfo>

#include <algorithm>

namespace qm {

// Start, stop, the line's ups and downs and its problems, alarm changes, publishing: on by
// default down to info, so a service logs what matters without QT_LOGGING_RULES; debug (each
// status of the walk, each reading) only when asked for.
Q_LOGGING_CATEGORY(lcCollector, "qm.collector", QtInfoMsg)

namespace {

// it.cfg's lines the collector needs: the port (1), the first address (2), the interval (4) and
// the number of instruments (5).
constexpr int SettingsLinesNeeded = 5;

}  // namespace

QString LogLine(const Notice& notice)
{
    QStringList parts{notice.text};
    for (const QString& line : notice.detail.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) parts << line.trimmed();
    return parts.join(QStringLiteral(" | "));
}

Collector::Collector(const QString& dir, QObject* parent)
    : QObject(parent), m_dir(QDir(dir).absolutePath())
{
    m_pollTimer.setTimerType(Qt::PreciseTimer);  // ten ticks make the one-second poll slot
    m_pollTimer.setInterval(100);
    m_reopenTimer.setSingleShot(true);
    connect(&m_pollTimer, &QTimer::timeout, this, &Collector::pollTick);
    connect(&m_reopenTimer, &QTimer::timeout, this, &Collector::reopenLine);
    connect(&m_alarms, &AlarmMonitor::changed, this, &Collector::alarmChanged);
    connect(&m_publisher, &Publisher::stateChanged, this, &Collector::publishStateChanged);
    connect(&m_publisher, &Publisher::problem, this,
            [](const PublishFailure& f) { qCWarning(lcCollector).noquote() << PublishProblemNotice(f).text; });
    connect(&m_publisher, &Publisher::backlogOverflow, this,
            [](qsizetype capacity) { qCWarning(lcCollector).noquote() << BacklogOverflowNotice(capacity).text; });
}

Collector::~Collector() = default;

QString Collector::portName() const
{
    const QString device = PortDeviceName(m_engine.PortIndex(), m_dir);
    const QString name = PortMessageName(m_engine.PortIndex());
    return device.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, device);
}

void Collector::start()
{
    const QString cfgPath = QDir(m_dir).filePath(SettingsFileName);
    const SettingsRead cfg = ReadSettingsFile(cfgPath);
    const QString shownCfg = QDir::toNativeSeparators(cfgPath);
    // As the window program does: the values read, in order, and its own for the rest; a
    // collector cannot ask, so the log says which were taken by default.
    const QString byDefault = QStringLiteral("Порт, приборы и интервал, которых в нём нет, взяты по умолчанию.");
    if (!cfg.exists)
        qCWarning(lcCollector).noquote() << QStringLiteral("Нет файла настроек %1 (его пишет программа qm4700).").arg(shownCfg)
                                         << byDefault;
    else if (cfg.failed && cfg.failedLine == 0)
        qCWarning(lcCollector).noquote() << QStringLiteral("Не удалось прочитать файл настроек %1: %2.").arg(shownCfg, cfg.detail)
                                         << byDefault;
    else if (cfg.failed && cfg.failedLine <= SettingsLinesNeeded)
        qCWarning(lcCollector).noquote() << QStringLiteral("Ошибка в файле настроек %1, строка %2: %3. Настройки, начиная с "
                                                           "этой строки, взяты по умолчанию.")
                                                .arg(shownCfg)
                                                .arg(cfg.failedLine)
                                                .arg(cfg.failure);
    else if (cfg.linesPresent < SettingsLinesNeeded)
        qCWarning(lcCollector).noquote() << QStringLiteral("В файле настроек %1 меньше %2 строк: недостающие прочитаны как 0.")
                                                .arg(shownCfg)
                                                .arg(SettingsLinesNeeded);
    // The window's other settings (the chart, the commands) are not the collector's business:
    // trouble further down the file is only noted.
    else if (cfg.failed || cfg.linesBeyond)
        qCInfo(lcCollector).noquote() << QStringLiteral("В файле настроек %1 прочитаны не все строки; коллектору нужны "
                                                        "строки 1–%2, они прочитаны.")
                                             .arg(shownCfg)
                                             .arg(SettingsLinesNeeded);
    const Settings settings = WithReadValues(Settings(), cfg);

    // As the window's controls would bound them.
    m_range = PolledRange(settings.firstAddress, settings.deviceCount);
    const int interval = std::clamp(settings.sampleInterval, Sampler::ShortestInterval, Sampler::LongestInterval);
    m_engine.setWorkDir(m_dir);
    m_engine.setPortIndex(settings.portIndex);
    m_engine.Init(m_range);
    m_sampler.setRange(m_range);
    m_sampler.setInterval(interval);

    m_journalOn = ReadJournalSetting(m_dir);
    m_journal.setWorkDir(m_dir);

    m_alarms.setRange(m_range);
    m_alarmJournal.setWorkDir(m_dir);
    reloadLimits();
    m_limitsWatch = new FileWatch(QDir(m_dir).filePath(AlarmFileName()), this);
    connect(m_limitsWatch, &FileWatch::changed, this, &Collector::reloadLimits);

    const MqttSettingsRead mqtt = ReadMqttSettingsFile(m_dir);
    if (!mqtt.message.isEmpty())
        qCWarning(lcCollector).noquote() << QStringLiteral("%1 (папка %2)").arg(mqtt.message, QDir::toNativeSeparators(m_dir));
    m_publisher.configure(mqtt.settings, m_dir, QSysInfo::machineHostName());
    if (std::holds_alternative<publish::Off>(m_publisher.state()))
        qCInfo(lcCollector).noquote() << QStringLiteral("MQTT: ") + PublishStateText(m_publisher.state(), QDateTime::currentDateTime());

    qCInfo(lcCollector).noquote()
        << QStringLiteral("Запуск: папка %1, порт %2, приборы %3–%4, отсчёт каждые %5 с, журнал %6.")
               .arg(QDir::toNativeSeparators(m_dir), portName())
               .arg(m_range.first())
               .arg(m_range.last())
               .arg(interval)
               .arg(m_journalOn ? QStringLiteral("ведётся") : QStringLiteral("не ведётся (journal.cfg)"));

    m_engine.Connect();
    m_pollTimer.start();
}

void Collector::stop()
{
    if (m_stopped) return;
    m_stopped = true;
    m_pollTimer.stop();
    m_reopenTimer.stop();
    m_engine.Disconnect();
    // The line says "offline" itself, and the broker hears a clean goodbye rather than the will.
    m_publisher.stop();
    // Every journal line is already on disk (each is synced as it is written); the journals' locks
    // go with them.
    m_journal.Reset();
    qCInfo(lcCollector).noquote() << QStringLiteral("Остановлен: порт %1 закрыт.").arg(PortMessageName(m_engine.PortIndex()));
}

// --- The timers --------------------------------------------------------------------------

void Collector::pollTick()
{
    m_engine.Tick();
    // Every tenth tick, that is once a second, a sample when one is due: a timer of its own
    // would wake the process once more each second for nothing else.
    if (++m_ticks % 10 == 0) sampleTick();
}

void Collector::sampleTick()
{
    // Samples go nowhere but the journal.
    if (!m_journalOn || !m_sampler.linkUp()) return;
    const DateTime now = NowDateTime();
    m_sampler.followClock(now);
    if (!m_sampler.due(now)) return;
    const Sampler::Channels channels = m_sampler.take(now);
    const TrendJournal::Result written = m_journal.Append(now, channels, m_range);
    if (!written.report.isEmpty())
        qCWarning(lcCollector).noquote() << written.report
                                         << QStringLiteral("| Журнал пробует записать каждый следующий отсчёт.");
    if (written.resumed)
        qCInfo(lcCollector).noquote() << QStringLiteral("Запись журнала возобновлена в %1.")
                                             .arg(FromDateTime(now).toString(QStringLiteral("HH:mm:ss")));
}

// --- The line ----------------------------------------------------------------------------

void Collector::connectionDropped()
{
    // The window would untick "Соединение" and wait for the operator; a collector tries again.
    if (m_stopped) return;
    const int delay = m_reopenDelaySeconds;
    m_reopenDelaySeconds = std::min(2 * delay, LongestReopenSeconds);
    qCInfo(lcCollector).noquote() << QStringLiteral("Порт %1 не открыт; следующая попытка через %2 с.").arg(portName()).arg(delay);
    m_reopenTimer.start(delay * 1000);
}

void Collector::reopenLine()
{
    if (m_stopped || m_engine.PortOpen()) return;
    ++m_reopenAttempt;
    qCInfo(lcCollector).noquote() << QStringLiteral("Открываю порт %1 снова (попытка %2).").arg(portName()).arg(m_reopenAttempt);
    m_engine.Connect();
}

void Collector::linkChanged(bool up)
{
    m_sampler.setLinkUp(up);
    if (up) {
        if (!m_lineTold) qCInfo(lcCollector).noquote() << QStringLiteral("Порт %1 открыт, опрос идёт.").arg(portName());
        m_lineTold = true;
        return;
    }
    // A give-up closes and opens the port again within one event: only a port that stays closed
    // is a lost connection, after which nothing read before is sampled again.
    QTimer::singleShot(0, this, [this] {
        if (m_engine.PortOpen()) return;
        m_sampler.connectionLost();
        if (m_lineTold && !m_stopped) qCWarning(lcCollector).noquote() << QStringLiteral("Порт %1 закрыт: связь потеряна.").arg(portName());
        m_lineTold = false;
    });
}

void Collector::portProblem(const PortProblem& problem) { tellProblem(PortProblemNotice(problem, m_dir)); }

void Collector::tellProblem(const Notice& notice)
{
    const QString line = LogLine(notice);
    if (line == m_lastProblem) return;
    m_lastProblem = line;
    qCWarning(lcCollector).noquote() << line;
}

void Collector::walkStatus(const WalkStatus& status) { qCDebug(lcCollector).noquote() << StatusText(status); }

void Collector::reading(const Reading& reading)
{
    if (reading.answered) {
        // The line works: a later loss starts its attempts from the shortest wait, and its
        // problems are told again.
        m_reopenDelaySeconds = 1;
        m_reopenAttempt = 0;
        m_lastProblem.clear();
        qCDebug(lcCollector).noquote() << QStringLiteral("прибор %1: pH %2, E %3 мВ, T %4 °C")
                                              .arg(reading.address)
                                              .arg(LiveCellText(reading, 1), LiveCellText(reading, 2), LiveCellText(reading, 3));
    } else {
        qCDebug(lcCollector).noquote() << QStringLiteral("прибор %1 не отвечает").arg(reading.address);
    }
    m_sampler.takeReading(reading);
    m_publisher.publishReading(reading);
    m_alarms.take(reading);
}

void Collector::otherIdentification(quint16 id)
{
    qCDebug(lcCollector).noquote() << QStringLiteral("ответил другой прибор: ID %1").arg(WordHexText(id));
}

void Collector::roundDone(int measurementSlots) { m_sampler.setRoundDone(measurementSlots); }

// --- Alarms and publishing -------------------------------------------------------------------

void Collector::reloadLimits()
{
    const QString path = QDir(m_dir).filePath(AlarmFileName());
    const AlarmLimitsRead read = ReadAlarmLimitsFile(path);
    if (m_limitsRead && read == *m_limitsRead) return;
    const std::optional<Notice> notice = AlarmLimitsNotice(path, read, m_limitsRead);
    m_limitsRead = read;
    m_alarms.setLimits(read.limits);
    if (notice) qCWarning(lcCollector).noquote() << LogLine(*notice);
    // How many limits are in force, unless the notice has just said what is wrong with them.
    if (read.exists && !notice)
        qCInfo(lcCollector).noquote() << QStringLiteral("Уставки тревог из %1: %2.")
                                             .arg(QDir::toNativeSeparators(path))
                                             .arg(read.limits.size());
}

void Collector::alarmChanged(const AlarmChange& change)
{
    const AlarmJournalLine line = AlarmJournalLineOf(change);
    qCInfo(lcCollector).noquote() << QStringLiteral("Тревога: прибор %1, %2%3: %4.")
                                         .arg(change.address)
                                         .arg(line.condition)
                                         .arg(line.value.isEmpty() ? QString() : QStringLiteral(", значение ") + line.value)
                                         .arg(line.state);
    const AlarmJournal::Result written = m_alarmJournal.Append(line);
    if (!written.report.isEmpty())
        qCWarning(lcCollector).noquote() << written.report
                                         << QStringLiteral("| Журнал тревог пробует записать каждое следующее изменение.");
    if (written.resumed)
        qCInfo(lcCollector).noquote() << QStringLiteral("Запись журнала тревог возобновлена в %1.")
                                             .arg(change.time.toString(QStringLiteral("HH:mm:ss")));
    m_publisher.publishAlarm(change);
}

void Collector::publishStateChanged(const PublishState& state)
{
    // Attempts are logged on qm.publish; here what the operator would read in the dialog's state
    // line. Off comes only from (re)configuring and stopping: the start tells it once.
    if (std::holds_alternative<publish::Connecting>(state) || std::holds_alternative<publish::Off>(state)) return;
    const QString text = QStringLiteral("MQTT: ") + PublishStateText(state, QDateTime::currentDateTime());
    if (std::holds_alternative<publish::Stopped>(state))
        qCWarning(lcCollector).noquote() << text;
    else
        qCInfo(lcCollector).noquote() << text;
}

}  // namespace qm
