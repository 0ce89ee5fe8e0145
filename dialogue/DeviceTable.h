#pragma once
// The device table: the text of the live table (CellText), the live pH/T channels (LiveValues)
// and the decoding of measurement answers. The window hands it the polled range and the
// instrument in "NUM" when they change.

#include "PolledRange.h"

#include <QString>
#include <QtGlobal>

namespace qm {

class Panel;

class DeviceTable {
public:
    static constexpr int Columns = 13;     // CellText is 13 x 21, addressed column first
    static constexpr int Rows = 21;
    static constexpr int UsedColumns = 8;  // columns 0..7 are shown
    static constexpr int MaxDevices = qm::MaxDevices;  // device rows 1..10
    static constexpr int Channels = ChannelCount;      // LiveValues 1..20: row k owns 2k-1 (pH) and 2k (T)
    static constexpr int RegisterCount = 9;
    static constexpr float NoDataMark = qm::NoDataMark;
    static constexpr int AnswerLength = 23;  // address, 3, byte count, nine registers, CRC

    // The spin edits that choose the polled range and the instrument for commands.
    struct SpinRange {
        int minimum;
        int maximum;
        int emptyValue;  // what an emptied spin edit is refilled with
    };
    static constexpr SpinRange FirstAddressSpin{1, 99, 1};    // SpinEdit1 "Нач.NUM "
    static constexpr SpinRange DeviceCountSpin{1, 10, 1};     // SpinEdit4 "К-во приб. "
    static constexpr SpinRange CommandAddressSpin{1, 99, 5};  // SpinEdit5 "NUM"

    explicit DeviceTable(Panel& panel);

    // Start-up: the header row, and the address column of the range's rows.
    void FillHeaders(PolledRange range);
    // The polled range changed: renumbers the address column for rows 1..count and blanks rows
    // count+1..10 whole. Readings of the rows that stay are kept; LiveValues are not touched.
    // Both values are bounded to their spin ranges, so no row beyond 10 is ever written.
    void setRange(PolledRange range);
    // "NUM" changed: the instrument whose archive period a pending period copy waits for.
    void setCommandAddress(int address) { m_commandAddress = address; }

    // The value a spin edit's change handler works with, from the text as typed: the refill
    // value for an empty text, the minimum for a text that is not a number, otherwise the number
    // bounded to the range (a value typed half-way never reaches the table or the walk).
    static int SpinValue(const QString& text, SpinRange range);
    static bool IsEmptySpinText(const QString& text);

    // address - first address + 1 (may lie outside 1..10; callers check).
    int DeviceRow(int address) const;

    // Decodes a CRC-checked function-3 answer of the given length (bytes of the frame, CRC included).
    // An answer shorter than AnswerLength is dropped whole (Registers keep their values). An
    // answer whose row lies outside the polled rows is treated like one whose identification
    // names another address: only the ID box and a pending period are shown.
    void HandleMeasurementAnswer(const quint8* frame, int length, int pollAddress);
    // Blanks columns 1..7 of a row and the ID and clock boxes, moves the current cell to (1, 1).
    // A row outside 1..10 only blanks the boxes and moves the current cell.
    void ClearDeviceRow(int row);
    // Both channels of a row become the no-data mark (an instrument that stopped answering).
    void MarkSilent(int row);

    // The next answer from the instrument in "NUM" that passes identification shows its period.
    void setPeriodPending(bool pending) { m_periodPending = pending; }
    bool PeriodPending() const { return m_periodPending; }

    // CellText[column][row]; empty outside the table.
    QString CellText(int column, int row) const;
    // LiveValues[1..20] (index 0 unused); the pointer stays valid as long as the table.
    const float* LiveValues() const { return m_liveValues; }
    // Registers[a] of the last measurement answer, wire address a = 0..8, sign-extended.
    qint32 Registers(int a) const { return a >= 0 && a < RegisterCount ? m_registers[a] : 0; }

    // "10 05 hex"
    static QString WordHexText(quint16 word);
    // A register as fixed-point text with "." whatever the locale: (-5, 2) -> "-0.05".
    static QString FixedText(qint32 value, int decimals);

private:
    bool isDeviceRow(int row) const;

    Panel& m_panel;
    QString m_cellText[Columns][Rows];
    float m_liveValues[Channels + 1] = {};
    qint32 m_registers[RegisterCount] = {};
    bool m_periodPending = false;
    PolledRange m_range;
    int m_commandAddress = 1;
};

}  // namespace qm
