#pragma once
// The main window: the controls of MainWindow.ui, the two timers and the handlers, each a few
// lines that forward to the poll engine, the trend chart or the archive files. It hands the
// values of its controls down when they change, wires what the engine and the chart tell to where
// it goes, and is the Panel through which the dialogue logic shows things.
//
// The controls, by caption (the objectName keeps the name tools and tests look them up by):
//
//   caption                     member                objectName
//   "Соединение"                m_connectBox          CheckBox1
//   port list ("Подключение")   m_portList            ComboBox1
//   "Нач.NUM "                  m_firstAddressSpin    SpinEdit1
//   "К-во приб. "               m_deviceCountSpin     SpinEdit4
//   "NUM"                       m_commandAddressSpin  SpinEdit5
//   "P,мин"                     m_periodSpin          SpinEdit6
//   "К-во точек"                m_pointsSpin          SpinEdit2
//   "Интервал,с"                m_intervalSpin        SpinEdit3
//   "ID"                        m_idEdit              Edit4
//   "Дата/Время  "              m_clockEdit           Edit1
//   "Таб"                       m_tallTableBox        CheckBox6
//   live table                  m_liveTable           DrawGrid1
//   archive text area           m_archiveMemo         Memo1
//   "Читать архив из QM"        m_readArchiveButton   Button1
//   "Сохранить в файл"          m_saveArchiveButton   Button2
//   "Просмотр"                  m_viewArchiveButton   Button4
//   "Коррекция времени"         m_setClockButton      Button6
//   "Удалить архив"             m_eraseArchiveButton  Button5
//   "Установить период"         m_setPeriodButton     Button3
//   trend chart                 m_chartPlot           Chart1
//   the four slot lists         m_slotLists[0..3]     ComboBox2 .. ComboBox5
//   scale grid                  m_scaleGrid           StringGrid1
//   "К-во графиков"             m_layoutList          ComboBox7
//   "Норм"                      m_editScalesBox       CheckBox4
//   "Дата", "Время"             m_dateLabelsBox, m_timeLabelsBox   CheckBox2, CheckBox3
//   clear button                m_clearChartButton    BitBtn1
//   status bar                  m_statusBar           StatusBar1
//   100 ms poll timer           m_pollTimer           Timer1
//   1 s chart timer             m_chartTimer          Timer2

#include "ArchiveView.h"
#include "Panel.h"
#include "PollEngine.h"
#include "LinePort.h"
#include "Settings.h"
#include "TrendChart.h"
#include "TrendRecords.h"
#include "TrendStore.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTableWidget;
class QTimer;

namespace Ui {
class MainWindow;
}

class ArchiveChartWindow;

namespace qm {
class AlarmDesk;
class ExchangeStatsWindow;
class InputWatch;
class LiveTable;
class NoticeBoard;
class PublishDialog;
class Publisher;
}

class MainWindow : public QWidget, public qm::Panel {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The archive chart window lives beside this one for the whole run.
    void setArchiveWindow(ArchiveChartWindow* window);
    ArchiveChartWindow* archiveWindow() const { return m_archiveWindow; }

    // The directory the program was started from, captured at start-up.
    const QString& workDir() const { return m_workDir; }

    // The logic behind the window, for tests and benchmarks.
    qm::PollEngine& engine() { return m_engine; }
    qm::LiveTable& liveTable() { return *m_liveTable; }
    qm::NoticeBoard& notices() { return *m_notices; }
    qm::TrendStore& store() { return m_store; }
    qm::TrendChart& chart() { return *m_chart; }
    qm::ArchiveView& archiveFiles() { return m_archive; }
    qm::Publisher& publisher() { return *m_publisher; }
    qm::AlarmDesk& alarms() { return *m_alarms; }
    QTimer* pollTimer() const { return m_pollTimer; }
    QTimer* chartTimer() const { return m_chartTimer; }

    // qm::Panel: the engine's facts, put into the window's words.
    void walkStatus(const qm::WalkStatus& status) override;
    void reading(const qm::Reading& reading) override;
    void otherIdentification(quint16 id) override;
    void instrumentCleared(int address) override;
    void archivePeriodRead(int minutes) override;
    void portProblem(const qm::PortProblem& problem) override;
    void connectionDropped() override;
    void portChoiceAllowed(bool allowed) override;
    void linkChanged(bool up) override;
    void roundDone(int measurementSlots) override;
    void archiveDownloadEnded(const qm::ArchiveOutcome& outcome) override;
    void archiveProgress(const qm::ArchiveDownloadProgress& progress) override;
    void exchange(const qm::ExchangeOutcome& outcome) override;

    QString statusText() const;
    // The "ID" box; a text wider than the box shows from its first character.
    void setIdText(const QString& text);

    // it.cfg's values: value `index` (0..17, file order) put where it lives (a spin edit clamps it
    // to its range, a list index outside the list leaves the list without a selection, the port
    // index and the scales are kept as read); and the 18 values as they stand at closing, the
    // port list's and the slot lists' selections stored back into the engine and the chart.
    void applySetting(int index, qint32 value);
    qm::Settings collectSettings();

public slots:
    // Start-up, before either timer ticks: working directory, it.cfg, the engine, the chart and
    // its trend file. Shutdown: it.cfg and the trend file written.
    void startUp();
    void shutDown();

    void pollTick();   // the poll timer: the engine's tick
    void chartTick();  // the chart timer: sampling, the periodic save, the idle count

    void connectClicked();
    void portChosen(int index);
    void firstAddressChanged();
    void deviceCountChanged();
    void commandAddressChanged();
    void periodChanged();
    void pointsChanged();
    void intervalChanged();
    void tallTableClicked();
    void tableDoubleClicked();
    void readArchiveClicked();
    void saveArchiveClicked();
    void viewArchiveClicked();
    void setClockClicked();
    void eraseArchiveClicked();
    void setPeriodClicked();
    void slotChosen(int slot);
    void layoutChosen();
    void editScalesClicked();
    void timeLabelsClicked();
    void clearChartClicked();
    // "Публикация MQTT…" in the chart's menu: the publishing settings, non-modal.
    void openPublishDialog();
    // "Статистика обмена…" in the live table's context menu: the counts, non-modal.
    void openExchangeStats();

signals:
    // The window was closed and its files written: the program ends, whatever notice is still open.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void bindControls();
    void finishControls();
    void connectHandlers();
    void centreOnScreen();
    // "Нач.NUM " and "К-во приб. " as typed, each bounded to its range.
    qm::PolledRange typedRange() const;
    // The values below the window follow the controls.
    void handRangeDown(qm::PolledRange range);
    void handCommandAddressDown();
    void handSamplingDown();
    void setStatusText(const QString& text);
    void setClockText(const QString& text);
    // A Yes/No warning over the window: Enter answers Yes, Esc answers No.
    bool askYesNo(const QString& question);
    // Writes the trend data file; a failure is shown once, at close in a box that waits for its
    // answer, otherwise in one that does not. Returns true when the file is written.
    bool saveTrendFile(bool closing = false);

    Ui::MainWindow* ui = nullptr;

    // The controls (see the table above).
    QCheckBox* m_connectBox = nullptr;
    QComboBox* m_portList = nullptr;
    QSpinBox* m_firstAddressSpin = nullptr;
    QSpinBox* m_deviceCountSpin = nullptr;
    QSpinBox* m_commandAddressSpin = nullptr;
    QSpinBox* m_periodSpin = nullptr;
    QSpinBox* m_pointsSpin = nullptr;
    QSpinBox* m_intervalSpin = nullptr;
    QLineEdit* m_idEdit = nullptr;
    QLineEdit* m_clockEdit = nullptr;
    QCheckBox* m_tallTableBox = nullptr;
    qm::LiveTable* m_liveTable = nullptr;
    QPlainTextEdit* m_archiveMemo = nullptr;
    QPushButton* m_readArchiveButton = nullptr;
    QPushButton* m_saveArchiveButton = nullptr;
    QPushButton* m_viewArchiveButton = nullptr;
    QPushButton* m_setClockButton = nullptr;
    QPushButton* m_eraseArchiveButton = nullptr;
    QPushButton* m_setPeriodButton = nullptr;
    QCustomPlot* m_chartPlot = nullptr;
    std::array<QComboBox*, 4> m_slotLists{};
    QTableWidget* m_scaleGrid = nullptr;
    QComboBox* m_layoutList = nullptr;
    QCheckBox* m_editScalesBox = nullptr;
    QCheckBox* m_dateLabelsBox = nullptr;
    QCheckBox* m_timeLabelsBox = nullptr;
    QPushButton* m_clearChartButton = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    QProgressBar* m_archiveBar = nullptr;  // beside the status text while a download runs
    QTimer* m_pollTimer = nullptr;
    QTimer* m_chartTimer = nullptr;

    // Every notice reaches the screen through here, never holding a timer.
    qm::NoticeBoard* m_notices = nullptr;

    qm::LinePort m_port;  // the serial device or network line that the chosen COM name maps to
    qm::PollEngine m_engine{m_port, *this};
    // The trend store: the chart draws it and samples into it, "График.txt" keeps it.
    qm::TrendStore m_store;
    // The trend chart and its controls; made once the controls exist.
    std::unique_ptr<qm::TrendChart> m_chart;
    // The journal and the CSV export, from the chart's mouse menu.
    std::unique_ptr<qm::TrendRecords> m_records;
    // Limits, alarm window, sound, journal and marks; beside the window's own layout.
    qm::AlarmDesk* m_alarms = nullptr;
    // "Сохранить в файл" and "Просмотр".
    qm::ArchiveView m_archive;
    // Every reading also goes to the MQTT broker when mqtt.cfg says so.
    qm::Publisher* m_publisher = nullptr;
    QPointer<qm::PublishDialog> m_publishDialog;
    QPointer<qm::ExchangeStatsWindow> m_statsWindow;

    QString m_workDir;
    qm::InputWatch* m_inputWatch = nullptr;
    ArchiveChartWindow* m_archiveWindow = nullptr;
    bool m_centred = false;
    // Where "График.txt" and it.cfg go before they are first written, when they were not read
    // whole; empty once done, or when there is nothing to keep.
    QString m_trendAside;
    QString m_settingsAside;
};
