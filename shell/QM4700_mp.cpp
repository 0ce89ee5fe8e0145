#include "QM4700_mp.h"
#include "ui_QM4700_mp.h"

#include "Accessibility.h"
#include "DateTimeText.h"
#include "InputWatch.h"
#include "LiveToolTip.h"
#include "PortNames.h"
#include "SettingsBinding.h"
#include "TabLeavingDelegate.h"
#include "TrendFile.h"
#include "Uarhgr.h"
#include "WorkDir.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
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

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui(new Ui::TForm1)
{
    // Every number in this window (the chart's scales included) is written with Latin digits,
    // as the program writes its files, whatever the system's locale. Dialogs are windows of
    // their own and keep the system's.
    setLocale(QLocale::c());
    ui->setupUi(this);
    qm::RegisterAccessibleInterfaces(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(1236, 807);
    finishControls();
    // QCustomPlot queues a replot of itself when it is made; the chart is drawn when the window is
    // first shown, and that queued replot would only draw it again before the first paint.
    QCoreApplication::removePostedEvents(ui->Chart1, QEvent::MetaCall);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);  // ten ticks make the one-second poll slot
    Timer1->setInterval(100);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);

    Chart = std::make_unique<qm::TrendChart>(
        qm::TrendChartWidgets{ui->Chart1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4, ui->ComboBox5, ui->ComboBox7,
                              ui->StringGrid1, ui->CheckBox2, ui->CheckBox3, ui->CheckBox4},
        Store, Table.LiveValues());
    Records = std::make_unique<qm::TrendRecords>(Store, ui->Chart1);
    // What the chart tells: the periodic save, each sample for the journal, and the idle count run
    // out, which hands the focus to the archive memo.
    connect(Chart.get(), &qm::TrendChart::saveDue, this, [this] { saveTrendFile(); });
    connect(Chart.get(), &qm::TrendChart::sampleTaken, this, [this] { Records->SampleTaken(); });
    connect(Chart.get(), &qm::TrendChart::idle, ui->Memo1, [this] { ui->Memo1->setFocus(Qt::OtherFocusReason); });
    // The focus goes to the archive memo only when the window has been left alone for the whole
    // count: any key or mouse input restarts it, so nothing typed ever lands in the memo.
    m_inputWatch = new qm::InputWatch(this, [this] { Chart->NoteUserAction(); });

    connectHandlers();

    centreOnScreen();

    // Start-up runs before either timer ticks, even if it had to show a box.
    FormCreate();
    Timer1->start();
    Timer2->start();
}

TForm1::~TForm1()
{
    delete m_inputWatch;  // it reaches into the chart, which goes first
    ui->DrawGrid1->setDeviceTable(nullptr);
    delete ui;
}

void TForm1::finishControls()
{
    ui->DrawGrid1->setDeviceTable(&Table);

    // Labels take the size of their text, as the design's auto-sized labels do.
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        label->adjustSize();

    // The simple text of the status bar: a plain label, so that nothing else clears it.
    m_statusLabel = new QLabel(QStringLiteral("Привет!"), ui->StatusBar1);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    ui->StatusBar1->addWidget(m_statusLabel, 1);

    ui->BitBtn1->setIcon(ClearChartIcon());
    // Esc presses the clear button wherever the focus is in the window.
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancel->setObjectName(QStringLiteral("BitBtn1Cancel"));
    connect(cancel, &QShortcut::activated, ui->BitBtn1, &QPushButton::click);

    // Scale grid: row 0 and column 0 are fixed header cells, the rest are edited in place.
    QTableWidget* grid = ui->StringGrid1;
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

void TForm1::connectHandlers()
{
    Ui::TForm1& u = *ui;
    // Check boxes react to the user (clicked), never to setChecked from the program.
    connect(u.CheckBox6, &QCheckBox::clicked, this, &TForm1::CheckBox6Click);
    connect(u.CheckBox4, &QCheckBox::clicked, this, &TForm1::CheckBox4Click);
    connect(u.CheckBox2, &QCheckBox::clicked, this, &TForm1::CheckBox2Click);
    connect(u.CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox2Click);
    connect(u.CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);

    connect(u.DrawGrid1->verticalScrollBar(), &QScrollBar::valueChanged, this, &TForm1::DrawGrid1TopLeftChanged);
    connect(u.DrawGrid1, &qm::LiveTable::gridDoubleClicked, this, &TForm1::DrawGrid1DblClick);

    // Spin edits react to their text, an emptied one included: QSpinBox reports only acceptable
    // texts, so an emptied box is caught on its line edit and refilled by the handler. The points
    // and the interval are sampled as typed, so every text of theirs reaches their handlers.
    const auto connectSpin = [this](QSpinBox* spin, void (TForm1::*handler)(), bool everyText) {
        connect(spin, &QSpinBox::textChanged, this, handler);
        if (auto* edit = spin->findChild<QLineEdit*>()) {
            connect(edit, &QLineEdit::textEdited, this, [this, handler](const QString& text) {
                if (text.trimmed().isEmpty()) (this->*handler)();
            });
            if (everyText) connect(edit, &QLineEdit::textChanged, this, handler);
        }
    };
    connectSpin(u.SpinEdit5, &TForm1::SpinEdit5Change, false);
    connectSpin(u.SpinEdit6, &TForm1::SpinEdit6Change, false);
    connectSpin(u.SpinEdit1, &TForm1::SpinEdit1Change, false);
    connectSpin(u.SpinEdit4, &TForm1::SpinEdit4Change, false);
    connectSpin(u.SpinEdit3, &TForm1::SpinEdit3Change, true);
    connectSpin(u.SpinEdit2, &TForm1::SpinEdit2Change, true);

    connect(u.Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(u.Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(u.Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(u.Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(u.Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(u.Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(u.BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    // Lists react to the user's choice only; the program's own index changes raise no event.
    connect(u.ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
    connect(u.ComboBox7, &QComboBox::activated, this, &TForm1::ComboBox7Change);
    connect(u.ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Change);
    connect(u.ComboBox3, &QComboBox::activated, this, &TForm1::ComboBox3Change);
    connect(u.ComboBox4, &QComboBox::activated, this, &TForm1::ComboBox4Change);
    connect(u.ComboBox5, &QComboBox::activated, this, &TForm1::ComboBox5Change);
}

void TForm1::setArchiveWindow(TFormARHGR* window) { m_archiveWindow = window; }
TFormARHGR* TForm1::archiveWindow() const { return m_archiveWindow; }

// --- Panel -------------------------------------------------------------------------------

void TForm1::setStatusText(const QString& text) { m_statusLabel->setText(text); }
QString TForm1::statusText() const { return m_statusLabel->text(); }
// A text wider than its box shows from its first character.
void TForm1::setIdText(const QString& text)
{
    ui->Edit4->setText(text);
    ui->Edit4->home(false);
}
void TForm1::setClockText(const QString& text)
{
    ui->Edit1->setText(text);
    ui->Edit1->home(false);
}
void TForm1::setPeriodValue(int value) { ui->SpinEdit6->setValue(value); }
void TForm1::repaintDeviceRow(int row) { ui->DrawGrid1->RepaintDeviceRow(row); }
void TForm1::setTableCurrentCell(int column, int row) { ui->DrawGrid1->setCurrentCell(column, row); }

void TForm1::showWarning(const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Предупреждение"), text, QMessageBox::Ok, this);
    if (!detail.isEmpty()) box.setInformativeText(detail);
    box.exec();
}

void TForm1::showNotice(const QString& text, const QString& detail)
{
    // Shown without waiting for an answer: the engine tells it from inside its own tick.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Предупреждение"), text, QMessageBox::Ok, this);
    box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TForm1::setConnectChecked(bool checked)
{
    const QSignalBlocker blocker(ui->CheckBox1);
    ui->CheckBox1->setChecked(checked);
}

void TForm1::setPortListEnabled(bool enabled) { ui->ComboBox1->setEnabled(enabled); }
void TForm1::clearMemo() { ui->Memo1->clear(); }
void TForm1::addMemoLine(const QString& line) { ui->Memo1->appendPlainText(line); }
void TForm1::linkChanged(bool up) { Chart->setLinkUp(up); }
void TForm1::roundDone() { Chart->setRoundDone(); }

// --- Start-up and shutdown ---------------------------------------------------------------

void TForm1::FormCreate()
{
    m_workDir = qm::CaptureWorkDir();

    // Settings. Without it.cfg the port list proposes COM2 and the scales are those of a first
    // run; every control keeps its design value. The values read are applied one by one in file
    // order, so whatever a damaged file did not give keeps those values.
    const qm::Settings defaults;
    Engine.setPortIndex(defaults.portIndex);
    Chart->setScales(defaults.scales);
    const qm::SettingsRead cfg = qm::ReadSettingsFile(QDir(m_workDir).filePath(qm::SettingsFileName));
    {
        // The table, the engine and the chart are set up from these controls below; their change
        // handlers must not run on a half-built window.
        const QSignalBlocker b1(ui->SpinEdit1), b2(ui->SpinEdit2), b3(ui->SpinEdit3);
        const QSignalBlocker b4(ui->SpinEdit4), b5(ui->SpinEdit5), b6(ui->SpinEdit6);
        for (int i = 0; i < cfg.valuesRead; ++i) qm::ApplySetting(*this, i, cfg.values[i]);
    }
    ui->ComboBox1->setCurrentIndex(Engine.PortIndex() >= 0 && Engine.PortIndex() < qm::PortCount ? Engine.PortIndex() : -1);
    // The port list's tooltip names the devices present and what ports.cfg maps, as they are when
    // it is shown: gathering them costs too much for start-up.
    new qm::LiveToolTip(ui->ComboBox1, [this] { return qm::PortListToolTip(m_workDir); });

    // The values of the controls, handed down once as they stand after the settings.
    Engine.setWorkDir(m_workDir);
    Archive.setWorkDir(m_workDir);
    handCommandAddressDown();
    Engine.setArchivePeriod(ui->SpinEdit6->value());
    handSamplingDown();
    const qm::PolledRange range{ui->SpinEdit1->value(), ui->SpinEdit4->value()};
    Table.FillHeaders(range);
    Engine.Init(range);
    Chart->setRange(range);
    Records->setRange(range);

    // The chart's time window starts now .. now + 5 minutes; Setup also writes the scale grid's headers.
    const qm::DateTime now = qm::NowDateTime();
    Chart->Setup(now);

    const qm::TrendLoadResult loaded = qm::LoadTrendFile(Store, m_workDir);
    if (loaded.fileExisted) Chart->ShowLoadedSamples();
    // Reported once the window is up, like a damaged it.cfg. A file that could not be read is
    // set aside before the first save, so its history is never replaced unread.
    m_trendUnread = loaded.fileExisted && !loaded.error.isEmpty();
    if (!loaded.error.isEmpty()) QTimer::singleShot(0, this, [this, text = loaded.error] { showWarning(text, QString()); });

    setStatusText(qm::NowText());
    Chart->FinishStartUp(now);
    Records->Start(m_workDir);

    // The tall table reaches down over the chart.
    ui->DrawGrid1->raise();

    Table.setPeriodPending(true);

    // A damaged it.cfg is reported once, when the window is up and fully initialised.
    if (cfg.failed)
        QTimer::singleShot(0, this, [this, text = cfg.message, detail = cfg.detail] { showWarning(text, detail); });
}

void TForm1::FormClose()
{
    // The settings always go to WorkDir (a file dialog never moves it) and replace the old file
    // whole or not at all. A failure is reported and does not keep the trend data from being saved.
    const QString error =
        qm::WriteSettingsFile(QDir(m_workDir).filePath(qm::SettingsFileName), qm::CollectSettings(*this));
    if (!error.isEmpty()) showWarning(error, QString());
    saveTrendFile(true);
}

bool TForm1::saveTrendFile(bool closing)
{
    // A box waiting at close keeps the timers running; the save it reports must not start again
    // meanwhile.
    if (m_savingTrend) return false;
    m_savingTrend = true;
    QString error;
    if (m_trendUnread && Store.TrendCount() > 0) {
        error = qm::SetAsideTrendFile(m_workDir);
        m_trendUnread = !error.isEmpty();
    }
    if (error.isEmpty()) error = qm::SaveTrendFile(Store, m_workDir);
    if (!error.isEmpty()) {
        if (closing)
            showWarning(error, QString());
        else
            showWarningWithoutWaiting(error);
    }
    m_savingTrend = false;
    return error.isEmpty();
}

void TForm1::showWarningWithoutWaiting(const QString& text)
{
    // Timer2's periodic save reports here: a box that waited for its answer inside the timer's
    // slot would stop the sampling until then. While the box is open, the same report is not
    // stacked into another one.
    if (m_saveWarning) return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Предупреждение"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_saveWarning = box;
    box->open();
}

void TForm1::centreOnScreen()
{
    // move() places the frame; its size is known only once the window is shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(), screen->availableGeometry())
                 .topLeft());
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_centred) return;
    m_centred = true;
    centreOnScreen();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

// --- Handlers ----------------------------------------------------------------------------

void TForm1::Timer1Timer() { Engine.Tick(); }
void TForm1::Timer2Timer() { Chart->Tick(); }

void TForm1::CheckBox6Click() { ui->DrawGrid1->setTall(ui->CheckBox6->isChecked()); }
void TForm1::DrawGrid1DrawCell() {}  // the live table paints its own cells
void TForm1::DrawGrid1TopLeftChanged() {}
void TForm1::DrawGrid1DblClick()
{
    // Item r - 1 of the first slot list is row r's instrument; a row without one leaves the slot empty.
    Chart->SelectSlot(1, ui->DrawGrid1->currentGridRow() - 1);
}
void TForm1::SpinEdit5Change()
{
    fillEmptySpin(ui->SpinEdit5, 5);
    handCommandAddressDown();
    Table.setPeriodPending(true);
}
void TForm1::SpinEdit6Change()
{
    fillEmptySpin(ui->SpinEdit6, 1);
    Engine.setArchivePeriod(ui->SpinEdit6->value());
}
void TForm1::Button1Click() { Engine.ReadArchive(); }
void TForm1::Button2Click() { Archive.SaveArchive(this, ui->Memo1, ui->SpinEdit5->text()); }
void TForm1::Button4Click() { Archive.ViewArchive(this, ui->Memo1, archiveWindow(), Chart->Scales()); }
void TForm1::Button6Click() { Engine.SetClock(); }
void TForm1::Button5Click() { Engine.EraseArchive(); }
void TForm1::Button3Click() { Engine.SetPeriod(); }
void TForm1::ComboBox1Change(int index) { Engine.setPortIndex(index); }

qm::PolledRange TForm1::typedRange() const
{
    // A value typed beyond the range is bounded at once, never carried into the walk or the table.
    return {qm::DeviceTable::SpinValue(ui->SpinEdit1->cleanText(), qm::DeviceTable::FirstAddressSpin),
            qm::DeviceTable::SpinValue(ui->SpinEdit4->cleanText(), qm::DeviceTable::DeviceCountSpin)};
}

void TForm1::handRangeDown(qm::PolledRange range)
{
    // The walk starts again at the first address, the table renumbers its rows, the chart its slot
    // lists, and the journal names its columns anew.
    Engine.setRange(range);
    Table.setRange(range);
    Chart->setRange(range);
    Records->setRange(range);
}

void TForm1::handCommandAddressDown()
{
    Engine.setCommandAddress(ui->SpinEdit5->value());
    Table.setCommandAddress(ui->SpinEdit5->value());
}

void TForm1::handSamplingDown()
{
    Chart->setSampling(typedValue(ui->SpinEdit2), typedValue(ui->SpinEdit3), ui->SpinEdit3->maximum());
}

void TForm1::SpinEdit1Change()
{
    fillEmptySpin(ui->SpinEdit1, 1);
    fillEmptySpin(ui->SpinEdit4, 1);
    handRangeDown(typedRange());
    ui->DrawGrid1->refreshAll();
    ui->DrawGrid1->setCurrentCell(1, 1);
    Chart->ApplyChartSetup();
}
void TForm1::SpinEdit4Change()
{
    SpinEdit1Change();
    Chart->ResetSlotLists();
    ComboBox7Change();
}
void TForm1::SpinEdit3Change()
{
    fillEmptySpin(ui->SpinEdit3, 3);
    handSamplingDown();
}
void TForm1::SpinEdit2Change()
{
    fillEmptySpin(ui->SpinEdit2, 1);
    handSamplingDown();
}
void TForm1::ComboBox7Change() { Chart->ApplyLayout(); }
void TForm1::CheckBox4Click() { Chart->EditScales(); }
void TForm1::CheckBox2Click() { Chart->ApplyTimeLabels(); }
void TForm1::BitBtn1Click()
{
    if (!askYesNo(QStringLiteral("Очистить график?"))) return;
    Chart->ClearChart();
    qm::RemoveTrendFile(m_workDir);  // a failed delete is not reported
}

bool TForm1::askYesNo(const QString& question)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);  // Enter answers Yes
    box.setEscapeButton(QMessageBox::No);    // Esc answers No
    return box.exec() == QMessageBox::Yes;
}
void TForm1::CheckBox1Click()
{
    if (ui->CheckBox1->isChecked())
        Engine.Connect();
    else
        Engine.Disconnect();
}
void TForm1::ComboBox2Change() { Chart->SelectSlot(1); }
void TForm1::ComboBox3Change() { Chart->SelectSlot(2); }
void TForm1::ComboBox4Change() { Chart->SelectSlot(3); }
void TForm1::ComboBox5Change() { Chart->SelectSlot(4); }
