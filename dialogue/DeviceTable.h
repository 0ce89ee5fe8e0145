#pragma once
// The device table: the text of the live table (CellText), the live pH/T channels (LiveValues)
// and the decoding of measurement answers.

#include <QString>
#include <QtGlobal>

namespace qm {

class Panel;

class DeviceTable {
public:
    static constexpr int Columns = 13;     // CellText is 13 x 21, addressed column first
    static constexpr int Rows = 21;
    static constexpr int UsedColumns = 8;  // columns 0..7 are shown
    static constexpr int MaxDevices = 10;  // device rows 1..10
    static constexpr int Channels = 20;    // LiveValues 1..20: row k owns 2k-1 (pH) and 2k (T)
    static constexpr int RegisterCount = 9;
    static constexpr float NoDataMark = -100.0f;

    explicit DeviceTable(Panel& panel);

    QString CellText[Columns][Rows];
    float LiveValues[Channels + 1] = {};   // index 0 unused
    qint32 Registers[RegisterCount] = {};
    bool PeriodPending = false;

    // Start-up: the header row and the address column of rows 1..count.
    void FillHeaders();
    // Renumbers the address column for rows 1..count and blanks rows count+1..10 whole.
    void Renumber(int firstAddress, int count);

    // address - first address + 1 (may lie outside 1..10; callers check).
    int DeviceRow(int address) const;

    // Decodes a CRC-checked function-3 answer of the given length (bytes of the frame, CRC included).
    void HandleMeasurementAnswer(const quint8* frame, int length, int pollAddress, int deviceCount);
    // Blanks columns 1..7 of a row and the ID and clock boxes, moves the current cell to (1, 1).
    void ClearDeviceRow(int row);
    // Both channels of a row become the no-data mark (an instrument that stopped answering).
    void MarkSilent(int row);

    // "10 05 hex"
    static QString WordHexText(quint16 word);

private:
    Panel& m_panel;
};

}  // namespace qm
