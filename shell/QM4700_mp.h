#pragma once
// Form1, the main window: the controls of QM4700_mp.ui, the two timers, and the handlers of the
// control table, each forwarding to the poll engine, the trend chart or the archive files. It
// hands the values of its controls down when they change, wires what the engine and the chart
// tell to where it goes, and is the Panel through which the dialogue logic shows things.

#include "ArchiveView.h"
#include "DeviceTable.h"
#include "Panel.h"
#include "PollEngine.h"
#include "SerialPort.h"
#include "TrendChart.h"
#include "TrendRecords.h"
#include "TrendStore.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class TForm1;
}

class TFormARHGR;

namespace qm {
class InputWatch;
}

class TForm1 : public QWidget, public qm::Panel {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The generated controls, by their names in the control table (ui->SpinEdit1, ui->Chart1 ...).
    Ui::TForm1* ui = nullptr;

    qm::SerialPort Port;
    qm::DeviceTable Table{*this};
    qm::PollEngine Engine{Port, *this, Table};

    // The trend store: the chart draws it and samples into it, "График.txt" keeps it.
    qm::TrendStore Store;
    // The trend chart on Chart1 and its controls; made once the controls exist.
    std::unique_ptr<qm::TrendChart> Chart;
    // The journal and the CSV export, from the chart's mouse menu.
    std::unique_ptr<qm::TrendRecords> Records;
    // "Сохранить в файл" and "Просмотр".
    qm::ArchiveView Archive;

    QTimer* Timer1 = nullptr;  // 100 ms: the poll engine's tick
    QTimer* Timer2 = nullptr;  // 1000 ms: the trend chart's tick

    // The archive chart window lives beside this one for the whole run.
    void setArchiveWindow(TFormARHGR* window);
    TFormARHGR* archiveWindow() const;

    // The directory the program was started from, captured by FormCreate.
    const QString& WorkDir() const { return m_workDir; }

    // qm::Panel
    void setStatusText(const QString& text) override;
    void setIdText(const QString& text) override;
    void setClockText(const QString& text) override;
    void setPeriodValue(int value) override;
    void repaintDeviceRow(int row) override;
    void setTableCurrentCell(int column, int row) override;
    void showWarning(const QString& text, const QString& detail) override;
    void showNotice(const QString& text, const QString& detail) override;
    void setConnectChecked(bool checked) override;
    void setPortListEnabled(bool enabled) override;
    void clearMemo() override;
    void addMemoLine(const QString& line) override;
    void linkChanged(bool up) override;
    void roundDone() override;

    QString statusText() const;

public slots:
    void FormCreate();
    void FormClose();

    void Timer1Timer();
    void Timer2Timer();

    void CheckBox6Click();
    void DrawGrid1DrawCell();
    void DrawGrid1TopLeftChanged();
    void DrawGrid1DblClick();
    void SpinEdit5Change();
    void SpinEdit6Change();
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button6Click();
    void Button5Click();
    void Button3Click();
    void ComboBox1Change(int index);
    void SpinEdit1Change();
    void SpinEdit4Change();
    void SpinEdit3Change();
    void SpinEdit2Change();
    void ComboBox7Change();
    void CheckBox4Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void CheckBox1Click();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void finishControls();
    void connectHandlers();
    void centreOnScreen();
    // "Нач.NUM " and "К-во приб. " as typed, each bounded to its range.
    qm::PolledRange typedRange() const;
    // The values below the window follow the controls.
    void handRangeDown(qm::PolledRange range);
    void handCommandAddressDown();
    void handSamplingDown();
    // A Yes/No warning over the window: Enter answers Yes, Esc answers No.
    bool askYesNo(const QString& question);
    // Writes the trend data file; a failure is shown once, at close in a box that waits for its
    // answer, otherwise in one that does not. Returns true when the file is written.
    bool saveTrendFile(bool closing = false);
    void showWarningWithoutWaiting(const QString& text);

    QString m_workDir;
    QLabel* m_statusLabel = nullptr;
    qm::InputWatch* m_inputWatch = nullptr;
    TFormARHGR* m_archiveWindow = nullptr;
    bool m_centred = false;
    bool m_savingTrend = false;
    bool m_trendUnread = false;
    QPointer<QMessageBox> m_saveWarning;  // the periodic save's warning while it is open
};
