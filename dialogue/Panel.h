#pragma once
// What the dialogue logic reads from and shows on the main window. TForm1 implements it;
// tests use a FakePanel that records every call.

#include <QString>

namespace qm {

class Panel {
public:
    virtual ~Panel() = default;

    // Values of the spin edits, as the controls report them now.
    virtual int firstAddress() const = 0;     // SpinEdit1 "Нач.NUM "
    virtual int deviceCountValue() const = 0; // SpinEdit4 "К-во приб. "
    virtual int commandAddress() const = 0;   // SpinEdit5 "NUM"
    virtual int periodValue() const = 0;      // SpinEdit6 "P,мин"

    virtual void setStatusText(const QString& text) = 0;  // StatusBar1
    virtual void setIdText(const QString& text) = 0;      // Edit4 "ID"
    virtual void setClockText(const QString& text) = 0;   // Edit1 "Дата/Время  "
    virtual void setPeriodValue(int value) = 0;           // SpinEdit6, clamped to 1..255 by the control

    // Live table: repaint columns 1..7 of a device row when it is in view; move the current cell.
    virtual void repaintDeviceRow(int row) = 0;
    virtual void setTableCurrentCell(int column, int row) = 0;

    // A modal warning with one OK button; detail is the system's reason, shown beneath (may be empty).
    virtual void showWarning(const QString& text, const QString& detail) = 0;
    // Ticks or unticks "Соединение" without running its handler; the caller runs it.
    virtual void setConnectChecked(bool checked) = 0;
    virtual void setPortListEnabled(bool enabled) = 0;  // ComboBox1

    // Archive text area Memo1.
    virtual void clearMemo() = 0;
    virtual void addMemoLine(const QString& line) = 0;
};

}  // namespace qm
