#pragma once
// What the dialogue logic tells the main window. MainWindow implements it; tests use a FakePanel that
// records every call. The values of the window's controls travel the other way: the window hands
// them to the engine and the device table when they change.

#include <QString>

namespace qm {

class Panel {
public:
    virtual ~Panel() = default;

    virtual void setStatusText(const QString& text) = 0;  // StatusBar1
    virtual void setIdText(const QString& text) = 0;      // Edit4 "ID"
    virtual void setClockText(const QString& text) = 0;   // Edit1 "Дата/Время  "
    virtual void setPeriodValue(int value) = 0;           // SpinEdit6, clamped to 1..255 by the control

    // Live table: repaint columns 1..7 of a device row whose cells changed, when it is in view;
    // move the current cell.
    virtual void repaintDeviceRow(int row) = 0;
    virtual void setTableCurrentCell(int column, int row) = 0;

    // A modal warning with one OK button; detail is the system's reason, shown beneath (may be empty).
    virtual void showWarning(const QString& text, const QString& detail) = 0;
    // The same without waiting for an answer: told from inside the tick, which must go on.
    virtual void showNotice(const QString& text, const QString& detail) = 0;
    // Ticks or unticks "Соединение" without running its handler; the caller runs it.
    virtual void setConnectChecked(bool checked) = 0;
    virtual void setPortListEnabled(bool enabled) = 0;  // ComboBox1

    // Archive text area Memo1.
    virtual void clearMemo() = 0;
    virtual void addMemoLine(const QString& line) = 0;

    // LinkUp changed: the trend chart samples only while the link is up.
    virtual void linkChanged(bool up) = 0;
    // The address walk passed the last instrument and went back to the first (RoundDone).
    virtual void roundDone() = 0;
};

}  // namespace qm
