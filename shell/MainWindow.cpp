#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "Accessibility.h"
#include "AlarmDesk.h"
#include "DateTimeText.h"
#include "ExchangeStatsWindow.h"
#include "FocusFrame.h"
#include "InputWatch.h"
#include "LiveTable.h"
#include "LiveToolTip.h"
#include "NoticeBoard.h"
#include "MessageBoxes.h"
#include "PortNames.h"
#include "PortTexts.h"
#include "PublishDialog.h"
#include "PublishText.h"
#include "Publisher.h"
#include "TrendChartMenu.h"
#include "ReadingText.h"
#include "StatusText.h"
#include "TabLeavingDelegate.h"
#include "TrendFile.h"
#include "TypedSpin.h"
#include "ArchiveChartWindow.h"
#include "WorkDir.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QSysInfo>
#include <QTimer>

namespace {

// The picture of the clear button: a small chart crossed out.
QIcon ClearChartIcon()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 21, 21));
    p.setPen(QPen(QColor(0, 0, 255), 2));
    const QPointF curve[] = {{4, 17}, {8, 11}, {12, 14}, {16, 7}, {20, 9}};
    p.drawPolyline(curve, 5);
    p.setPen(QPen(QColor(255, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
    return QIcon(pm);
}

// A spin box's value as typed: a text that is not a number counts as the range's minimum.
int typedValue(const QSpinBox* spin)
{
    bool ok = false;
    const int v = spin->cleanText().trimmed().toInt(&ok);
    return ok ? v : spin->minimum();
}

// An emptied spin box text becomes value (which the box clamps into its range).
void fillEmptySpin(QSpinBox* spin, int value)
{
    if (spin->cleanText().trimmed().isEmpty()) spin->setValue(value);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), ui(new Ui::MainWindow)
{
    // Every number in this window (the chart's scales included) is written with Latin digits,
    // as the program writes its files, whatever the system's locale. Dialogs are windows of
    // their own and keep the system's.
    setLocale(QLocale::c());
    ui->setupUi(this);
    bindControls();
    qm::RegisterAccessibleInterfaces(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(1236, 807);
    m_notices = new qm::NoticeBoard(this);
    finishControls();
    // QCustomPlot queues a replot of itself when it is made; the chart is drawn when the window is
    // first shown, and that queued replot would only draw it again before the first paint.
    QCoreApplication::removePostedEvents(m_chartPlot, QEvent::MetaCall);

    m_pollTimer = new QTimer(this);
    m_pollTimer->setObjectName(QStringLiteral("Timer1"));
    m_pollTimer->setTimerType(Qt::PreciseTimer);  // ten ticks make the one-second poll slot
    m_pollTimer->setInterval(100);
    m_chartTimer = new QTimer(this);
    m_chartTimer->setObjectName(QStringLiteral("Timer2"));
    m_chartTimer->setInterval(1000);
    connect(m_pollTimer, &QTimer::timeout, this, &MainWindow::pollTick);
    connect(m_chartTimer, &QTimer::timeout, this, &MainWindow::chartTick);

    m_chart = std::make_unique<qm::TrendChart>(
        qm::TrendChartWidgets{m_chartPlot, m_slotLists, m_layoutList, m_scaleGrid, m_dateLabelsBox, m_timeLabelsBox,
                              m_editScalesBox},
        m_store);
    m_records = std::make_unique<qm::TrendRecords>(m_store, m_chartPlot, m_notices);
    // Publishing: what only the operator can mend and a backlog that overflows are told once
    // each; the settings are behind the chart's menu, opened once the menu's click is over.
    m_publisher = new qm::Publisher(this);
    connect(m_publisher, &qm::Publisher::problem, this,
            [this](const qm::PublishFailure& f) { m_notices->post(qm::PublishProblemNotice(f), QStringLiteral("mqtt")); });
    connect(m_publisher, &qm::Publisher::backlogOverflow, this, [this](qsizetype capacity) {
        m_notices->post(qm::BacklogOverflowNotice(capacity), QStringLiteral("mqtt-backlog"));
    });
    connect(qm::TrendChartMenu::of(m_chartPlot)->addItem(QStringLiteral("Публикация MQTT…")), &QAction::triggered, this,
            [this] { QTimer::singleShot(0, this, &MainWindow::openPublishDialog); });
    m_alarms = new qm::AlarmDesk(this, m_liveTable, m_chart.get(), m_chartPlot, m_notices);
    // Every change of an alarm's state, the operator's acknowledgements included, goes to the broker.
    connect(&m_alarms->monitor(), &qm::AlarmMonitor::changed, m_publisher, &qm::Publisher::publishAlarm);
    // F9 brings the alarm window forward from any window of the program.
    auto* alarmKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    alarmKey->setObjectName(QStringLiteral("AlarmWindowKey"));
    alarmKey->setContext(Qt::ApplicationShortcut);
    connect(alarmKey, &QShortcut::activated, m_alarms, &qm::AlarmDesk::showWindow);
    // What the chart tells: the periodic save, each sample for the journal, and the idle count run
    // out, which hands the focus to the archive memo.
    connect(m_chart.get(), &qm::TrendChart::saveDue, this, [this] { saveTrendFile(); });
    connect(m_chart.get(), &qm::TrendChart::sampleTaken, this, [this] { m_records->SampleTaken(); });
    connect(m_chart.get(), &qm::TrendChart::idle, m_archiveMemo, [this] { m_archiveMemo->setFocus(Qt::OtherFocusReason); });
    // The focus goes to the archive memo only when the window has been left alone for the whole
    // count: any key or mouse input restarts it, so nothing typed ever lands in the memo.
    m_inputWatch = new qm::InputWatch(this, [this] { m_chart->NoteUserAction(); });

    connectHandlers();

    centreOnScreen();

    // Start-up runs before either timer ticks, even if it had to show a box.
    startUp();
    m_pollTimer->start();
    m_chartTimer->start();
}

MainWindow::~MainWindow()
{
    delete m_inputWatch;  // it reaches into the chart, which goes first
    delete ui;
}

void MainWindow::bindControls()
{
    m_connectBox = ui->CheckBox1;
    m_portList = ui->ComboBox1;
    m_firstAddressSpin = ui->SpinEdit1;
    m_deviceCountSpin = ui->SpinEdit4;
    m_commandAddressSpin = ui->SpinEdit5;
    m_periodSpin = ui->SpinEdit6;
    m_pointsSpin = ui->SpinEdit2;
    m_intervalSpin = ui->SpinEdit3;
    m_idEdit = ui->Edit4;
    m_clockEdit = ui->Edit1;
    m_tallTableBox = ui->CheckBox6;
    m_liveTable = ui->DrawGrid1;
    m_archiveMemo = ui->Memo1;
    m_readArchiveButton = ui->Button1;
    m_saveArchiveButton = ui->Button2;
    m_viewArchiveButton = ui->Button4;
    m_setClockButton = ui->Button6;
    m_eraseArchiveButton = ui->Button5;
    m_setPeriodButton = ui->Button3;
    m_chartPlot = ui->Chart1;
    m_slotLists = {ui->ComboBox2, ui->ComboBox3, ui->ComboBox4, ui->ComboBox5};
    m_scaleGrid = ui->StringGrid1;
    m_layoutList = ui->ComboBox7;
    m_editScalesBox = ui->CheckBox4;
    m_dateLabelsBox = ui->CheckBox2;
    m_timeLabelsBox = ui->CheckBox3;
    m_clearChartButton = ui->BitBtn1;
    m_statusBar = ui->StatusBar1;
}

void MainWindow::finishControls()
{

    // Labels take the size of their text, as the design's auto-sized labels do.
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        label->adjustSize();

    // The simple text of the status bar: a plain label, so that nothing else clears it.
    m_statusLabel = new QLabel(QStringLiteral("Привет!"), m_statusBar);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    m_statusBar->addWidget(m_statusLabel, 1);
    m_archiveBar = new QProgressBar(m_statusBar);
    m_archiveBar->setObjectName(QStringLiteral("ArchiveProgress"));
    m_archiveBar->setAccessibleName(QStringLiteral("Чтение архива"));
    m_archiveBar->setFixedWidth(330);
    m_archiveBar->hide();
    m_statusBar->addPermanentWidget(m_archiveBar);

    // Where the style shows no keyboard focus, a frame does (the chart gets its own with its keys).
    for (QWidget* control : {static_cast<QWidget*>(m_liveTable), static_cast<QWidget*>(m_archiveMemo),
                             static_cast<QWidget*>(m_scaleGrid)})
        qm::ShowFocusFrame(control);
    for (QComboBox* list : m_slotLists) qm::ShowFocusFrame(list);

    m_clearChartButton->setIcon(ClearChartIcon());
    // Esc presses the clear button wherever the focus is in the window.
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancel->setObjectName(QStringLiteral("BitBtn1Cancel"));
    connect(cancel, &QShortcut::activated, m_clearChartButton, &QPushButton::click);

    // Scale grid: row 0 and column 0 are fixed header cells, the rest are edited in place.
    QTableWidget* grid = m_scaleGrid;
    grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    new qm::TabLeavingDelegate(grid);
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            if (row == 0 || column == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
                item->setForeground(palette().buttonText());
            }
            grid->setItem(row, column, item);
        }
    }
}

void MainWindow::connectHandlers()
{
    // Check boxes react to the user (clicked), never to setChecked from the program.
    connect(m_tallTableBox, &QCheckBox::clicked, this, &MainWindow::tallTableClicked);
    connect(m_editScalesBox, &QCheckBox::clicked, this, &MainWindow::editScalesClicked);
    connect(m_dateLabelsBox, &QCheckBox::clicked, this, &MainWindow::timeLabelsClicked);
    connect(m_timeLabelsBox, &QCheckBox::clicked, this, &MainWindow::timeLabelsClicked);
    connect(m_connectBox, &QCheckBox::clicked, this, &MainWindow::connectClicked);

    connect(m_liveTable, &qm::LiveTable::gridDoubleClicked, this, &MainWindow::tableDoubleClicked);
    connect(m_liveTable, &qm::LiveTable::statisticsRequested, this, &MainWindow::openExchangeStats);

    // Spin edits react to their text, an emptied one included: QSpinBox reports only acceptable
    // texts, so an emptied box is caught on its line edit and refilled by the handler. The points
    // and the interval are sampled as typed, so every text of theirs reaches their handlers.
    const auto connectSpin = [this](QSpinBox* spin, void (MainWindow::*handler)(), bool everyText) {
        connect(spin, &QSpinBox::textChanged, this, handler);
        if (auto* edit = spin->findChild<QLineEdit*>()) {
            connect(edit, &QLineEdit::textEdited, this, [this, handler](const QString& text) {
                if (text.trimmed().isEmpty()) (this->*handler)();
            });
            if (everyText) connect(edit, &QLineEdit::textChanged, this, handler);
        }
    };
    connectSpin(m_commandAddressSpin, &MainWindow::commandAddressChanged, false);
    connectSpin(m_periodSpin, &MainWindow::periodChanged, false);
    connectSpin(m_firstAddressSpin, &MainWindow::firstAddressChanged, false);
    connectSpin(m_deviceCountSpin, &MainWindow::deviceCountChanged, false);
    connectSpin(m_intervalSpin, &MainWindow::intervalChanged, true);
    connectSpin(m_pointsSpin, &MainWindow::pointsChanged, true);

    connect(m_readArchiveButton, &QPushButton::clicked, this, &MainWindow::readArchiveClicked);
    connect(m_saveArchiveButton, &QPushButton::clicked, this, &MainWindow::saveArchiveClicked);
    connect(m_viewArchiveButton, &QPushButton::clicked, this, &MainWindow::viewArchiveClicked);
    connect(m_setClockButton, &QPushButton::clicked, this, &MainWindow::setClockClicked);
    connect(m_eraseArchiveButton, &QPushButton::clicked, this, &MainWindow::eraseArchiveClicked);
    connect(m_setPeriodButton, &QPushButton::clicked, this, &MainWindow::setPeriodClicked);
    connect(m_clearChartButton, &QPushButton::clicked, this, &MainWindow::clearChartClicked);

    // Lists react to the user's choice only; the program's own index changes raise no event.
    connect(m_portList, &QComboBox::activated, this, &MainWindow::portChosen);
    connect(m_layoutList, &QComboBox::activated, this, &MainWindow::layoutChosen);
    for (int slot = 1; slot <= 4; ++slot)
        connect(m_slotLists[size_t(slot - 1)], &QComboBox::activated, this, [this, slot] { slotChosen(slot); });
}

void MainWindow::setArchiveWindow(ArchiveChartWindow* window) { m_archiveWindow = window; }

// --- Panel: the engine's facts in the window's words --------------------------------------

void MainWindow::walkStatus(const qm::WalkStatus& status) { setStatusText(qm::StatusText(status)); }

void MainWindow::reading(const qm::Reading& reading)
{
    if (reading.answered) {
        setIdText(qm::WordHexText(reading.id));
        setClockText(qm::InstrumentClockText(reading));
        m_liveTable->showReading(reading);
    } else {
        // Given up on: the row and the boxes go blank, the table back at its top.
        setClockText(QString());
        setIdText(QString());
        m_liveTable->showReading(reading);
        m_liveTable->setCurrentCell(1, 1);
    }
    m_chart->takeReading(reading);
    m_publisher->publishReading(reading);
    m_alarms->take(reading);
}

void MainWindow::otherIdentification(quint16 id) { setIdText(qm::WordHexText(id)); }

void MainWindow::instrumentCleared(int address)
{
    setClockText(QString());
    setIdText(QString());
    if (const int row = m_engine.Range().rowOf(address)) m_liveTable->clearRow(row);
    m_liveTable->setCurrentCell(1, 1);
}

void MainWindow::archivePeriodRead(int minutes) { m_periodSpin->setValue(minutes); }

void MainWindow::portProblem(const qm::PortProblem& problem)
{
    m_notices->post(qm::PortProblemNotice(problem, m_workDir));
}

void MainWindow::connectionDropped()
{
    // Unticked without running the handler: the engine has done the switch's work.
    const QSignalBlocker blocker(m_connectBox);
    m_connectBox->setChecked(false);
}

void MainWindow::portChoiceAllowed(bool allowed) { m_portList->setEnabled(allowed); }
void MainWindow::linkChanged(bool up)
{
    m_chart->setLinkUp(up);
    if (up) return;
    // A give-up closes and opens the port again within one event: only a link that stays down
    // is a lost connection, after which the table's rows are no longer current and nothing read
    // before is sampled again.
    QTimer::singleShot(0, this, [this] {
        if (m_engine.PortOpen()) return;
        m_liveTable->markAllNotCurrent();
        m_chart->connectionLost();
    });
}
void MainWindow::roundDone(int measurementSlots) { m_chart->setRoundDone(measurementSlots); }

void MainWindow::archiveDownloadEnded(const qm::ArchiveOutcome& outcome)
{
    m_archiveMemo->clear();
    for (const QString& line : qm::ArchiveMemoLines(outcome)) m_archiveMemo->appendPlainText(line);
    m_archiveBar->hide();
}

void MainWindow::archiveProgress(const qm::ArchiveDownloadProgress& progress)
{
    m_archiveBar->setValue(progress.percent);
    m_archiveBar->setFormat(qm::ArchiveProgressText(progress));
    m_archiveBar->show();
}

void MainWindow::exchange(const qm::ExchangeOutcome& outcome)
{
    m_liveTable->showExchange(outcome);
    if (m_statsWindow && m_statsWindow->isVisible()) m_statsWindow->showStats(m_engine.Stats());
}

void MainWindow::openExchangeStats()
{
    if (!m_statsWindow) {
        m_statsWindow = new qm::ExchangeStatsWindow(this);
        connect(m_statsWindow, &qm::ExchangeStatsWindow::resetRequested, this, [this] {
            m_engine.ResetStats();
            m_statsWindow->showStats(m_engine.Stats());
        });
    }
    m_statsWindow->showStats(m_engine.Stats());
    m_statsWindow->show();
    m_statsWindow->raise();
    m_statsWindow->activateWindow();
}

void MainWindow::setStatusText(const QString& text) { m_statusLabel->setText(text); }
QString MainWindow::statusText() const { return m_statusLabel->text(); }
// A text wider than its box shows from its first character.
void MainWindow::setIdText(const QString& text)
{
    m_idEdit->setText(text);
    m_idEdit->home(false);
}
void MainWindow::setClockText(const QString& text)
{
    m_clockEdit->setText(text);
    m_clockEdit->home(false);
}

// --- Start-up and shutdown ---------------------------------------------------------------

void MainWindow::startUp()
{
    m_workDir = qm::CaptureWorkDir();

    // Settings. Without it.cfg the port list proposes COM2 and the scales are those of a first
    // run; every control keeps its design value. The values read are applied one by one in file
    // order, so whatever a damaged file did not give keeps those values.
    const qm::Settings defaults;
    m_engine.setPortIndex(defaults.portIndex);
    m_chart->setScales(defaults.scales);
    const qm::SettingsRead cfg = qm::ReadSettingsFile(QDir(m_workDir).filePath(qm::SettingsFileName));
    {
        // The table, the engine and the chart are set up from these controls below; their change
        // handlers must not run on a half-built window.
        const QSignalBlocker b1(m_firstAddressSpin), b2(m_pointsSpin), b3(m_intervalSpin);
        const QSignalBlocker b4(m_deviceCountSpin), b5(m_commandAddressSpin), b6(m_periodSpin);
        for (int i = 0; i < cfg.valuesRead; ++i) applySetting(i, cfg.values[i]);
    }
    m_portList->setCurrentIndex(m_engine.PortIndex() >= 0 && m_engine.PortIndex() < qm::PortCount ? m_engine.PortIndex() : -1);
    // The port list's tooltip names the devices present and what ports.cfg maps, as they are when
    // it is shown: gathering them costs too much for start-up.
    new qm::LiveToolTip(m_portList, [this] { return qm::PortListToolTip(m_workDir); });

    // The values of the controls, handed down once as they stand after the settings.
    m_engine.setWorkDir(m_workDir);
    m_archive.setWorkDir(m_workDir);
    handCommandAddressDown();
    m_engine.setArchivePeriod(m_periodSpin->value());
    handSamplingDown();
    const qm::PolledRange range{m_firstAddressSpin->value(), m_deviceCountSpin->value()};
    m_engine.Init(range);
    m_liveTable->setRange(range);
    m_liveTable->refreshAll();
    m_chart->setRange(range);
    m_records->setRange(range);
    m_alarms->setRange(range);

    // The chart's time window starts now .. now + 5 minutes; Setup also writes the scale grid's headers.
    const qm::DateTime now = qm::NowDateTime();
    m_chart->Setup(now);

    const qm::TrendLoadResult loaded = qm::LoadTrendFile(m_store, m_workDir);
    if (loaded.fileExisted) m_chart->ShowLoadedSamples();
    // Reported once the window is up, like a damaged it.cfg. A file that was not read whole is
    // set aside before the first save, so its history is never replaced unread.
    m_trendAside = loaded.asidePath;
    if (!loaded.report.isEmpty()) m_notices->post({loaded.report, QString()});

    setStatusText(qm::NowText());
    m_chart->FinishStartUp(now);
    m_records->Start(m_workDir);
    m_alarms->start(m_workDir);

    // Publishing as mqtt.cfg says; a damaged file leaves it off and is reported once.
    const qm::MqttSettingsRead mqtt = qm::ReadMqttSettingsFile(m_workDir);
    if (!mqtt.message.isEmpty()) m_notices->post({mqtt.message, QString()});
    m_publisher->configure(mqtt.settings, m_workDir, QSysInfo::machineHostName());

    // The tall table reaches down over the chart.
    m_liveTable->raise();

    // A damaged it.cfg, or one with more than was read, is reported once, when the window is up
    // and fully initialised; it is set aside before the settings are written over it.
    m_settingsAside = cfg.asidePath;
    if (!cfg.message.isEmpty()) m_notices->post({cfg.message, cfg.detail});
}

void MainWindow::shutDown()
{
    // Nothing is polled or sampled any more: the last words below may wait for their answer.
    m_pollTimer->stop();
    m_chartTimer->stop();
    // The line says "offline" itself rather than through its will.
    m_publisher->stop();
    // The settings always go to the working directory (a file dialog never moves it) and replace
    // the old file whole or not at all. A failure is reported and does not keep the trend data
    // from being saved.
    const QString error =
        qm::WriteSettingsFile(QDir(m_workDir).filePath(qm::SettingsFileName), collectSettings(), m_settingsAside);
    if (!error.isEmpty()) m_notices->showAndWait({error, QString()});
    saveTrendFile(true);
}

bool MainWindow::saveTrendFile(bool closing)
{
    QString error;
    if (!m_trendAside.isEmpty() && m_store.TrendCount() > 0) {
        error = qm::SetAsideTrendFile(m_workDir, m_trendAside);
        if (error.isEmpty()) m_trendAside.clear();
    }
    if (error.isEmpty()) error = qm::SaveTrendFile(m_store, m_workDir);
    if (!error.isEmpty()) {
        // The periodic save reports from the chart's tick: one box, whose text follows the latest
        // failure while it is open.
        if (closing)
            m_notices->showAndWait({error, QString()});
        else
            m_notices->post({error, QString()}, QStringLiteral("trend-save"));
    }
    return error.isEmpty();
}

void MainWindow::openPublishDialog()
{
    if (!m_publishDialog) m_publishDialog = new qm::PublishDialog(*m_publisher, m_workDir, QSysInfo::machineHostName(), this);
    else m_publishDialog->setSettings(m_publisher->settings());
    m_publishDialog->show();
    m_publishDialog->raise();
    m_publishDialog->activateWindow();
}

void MainWindow::centreOnScreen()
{
    // move() places the frame; its size is known only once the window is shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(), screen->availableGeometry())
                 .topLeft());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_centred) return;
    m_centred = true;
    centreOnScreen();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    shutDown();
    event->accept();
    emit closed();
}

// --- Handlers ----------------------------------------------------------------------------

void MainWindow::pollTick() { m_engine.Tick(); }
void MainWindow::chartTick() { m_chart->Tick(); }

void MainWindow::tallTableClicked() { m_liveTable->setTall(m_tallTableBox->isChecked()); }
void MainWindow::tableDoubleClicked()
{
    // Item r - 1 of the first slot list is row r's instrument; a row without one leaves the slot empty.
    m_chart->SelectSlot(1, m_liveTable->currentGridRow() - 1);
}
void MainWindow::commandAddressChanged()
{
    fillEmptySpin(m_commandAddressSpin, 5);
    handCommandAddressDown();
}
void MainWindow::periodChanged()
{
    fillEmptySpin(m_periodSpin, 1);
    m_engine.setArchivePeriod(m_periodSpin->value());
}
void MainWindow::readArchiveClicked() { m_engine.ReadArchive(); }
void MainWindow::saveArchiveClicked() { m_archive.SaveArchive(this, m_archiveMemo, m_commandAddressSpin->text()); }
void MainWindow::viewArchiveClicked() { m_archive.ViewArchive(this, m_archiveMemo, archiveWindow(), m_chart->Scales()); }
void MainWindow::setClockClicked() { m_engine.SetClock(); }
void MainWindow::eraseArchiveClicked() { m_engine.EraseArchive(); }
void MainWindow::setPeriodClicked() { m_engine.SetPeriod(); }
void MainWindow::portChosen(int index) { m_engine.setPortIndex(index); }

qm::PolledRange MainWindow::typedRange() const
{
    // A value typed beyond the range is bounded at once, never carried into the walk or the table.
    return {qm::SpinValue(m_firstAddressSpin->cleanText(), qm::FirstAddressSpin),
            qm::SpinValue(m_deviceCountSpin->cleanText(), qm::DeviceCountSpin)};
}

void MainWindow::handRangeDown(qm::PolledRange range)
{
    // The walk starts again at the first address, the table renumbers its rows, the chart its slot
    // lists, and the journal names its columns anew.
    m_engine.setRange(range);
    m_liveTable->setRange(range);
    m_chart->setRange(range);
    m_records->setRange(range);
    m_alarms->setRange(range);
}

void MainWindow::handCommandAddressDown()
{
    m_engine.setCommandAddress(m_commandAddressSpin->value());
}

void MainWindow::handSamplingDown()
{
    m_chart->setSampling(typedValue(m_pointsSpin), typedValue(m_intervalSpin), m_intervalSpin->maximum());
}

void MainWindow::firstAddressChanged()
{
    fillEmptySpin(m_firstAddressSpin, 1);
    fillEmptySpin(m_deviceCountSpin, 1);
    handRangeDown(typedRange());
    m_liveTable->refreshAll();
    m_liveTable->setCurrentCell(1, 1);
    m_chart->ApplyChartSetup();
}
void MainWindow::deviceCountChanged()
{
    firstAddressChanged();
    m_chart->ResetSlotLists();
    layoutChosen();
}
void MainWindow::intervalChanged()
{
    fillEmptySpin(m_intervalSpin, 3);
    handSamplingDown();
}
void MainWindow::pointsChanged()
{
    fillEmptySpin(m_pointsSpin, 1);
    handSamplingDown();
}
void MainWindow::layoutChosen() { m_chart->ApplyLayout(); }
void MainWindow::editScalesClicked() { m_chart->EditScales(); }
void MainWindow::timeLabelsClicked() { m_chart->ApplyTimeLabels(); }
void MainWindow::clearChartClicked()
{
    if (!askYesNo(QStringLiteral("Очистить график?"))) return;
    m_chart->ClearChart();
    // A file not read whole is set aside rather than deleted: what was never loaded was never
    // on the chart to be cleared.
    if (!m_trendAside.isEmpty() && qm::SetAsideTrendFile(m_workDir, m_trendAside).isEmpty()) m_trendAside.clear();
    if (m_trendAside.isEmpty()) qm::RemoveTrendFile(m_workDir);  // a failed delete is not reported
}

bool MainWindow::askYesNo(const QString& question)
{
    const std::unique_ptr<QMessageBox> box(
        qm::NewMessageBox(this, QMessageBox::Warning, windowTitle(), question, QString(), QMessageBox::Yes | QMessageBox::No));
    box->setDefaultButton(QMessageBox::Yes);  // Enter answers Yes
    box->setEscapeButton(QMessageBox::No);    // Esc answers No
    return box->exec() == QMessageBox::Yes;
}
void MainWindow::connectClicked()
{
    if (m_connectBox->isChecked())
        m_engine.Connect();
    else
        m_engine.Disconnect();
}
void MainWindow::slotChosen(int slot) { m_chart->SelectSlot(slot); }
