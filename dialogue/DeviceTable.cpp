// Placeholder bodies so that every room links; the decoding comes with the table work.
#include "DeviceTable.h"

#include "Panel.h"

namespace qm {

DeviceTable::DeviceTable(Panel& panel) : m_panel(panel) {}
void DeviceTable::FillHeaders() {}
void DeviceTable::Renumber(int, int) {}
int DeviceTable::DeviceRow(int address) const { return address - m_panel.firstAddress() + 1; }
void DeviceTable::HandleMeasurementAnswer(const quint8*, int, int, int) {}
void DeviceTable::ClearDeviceRow(int) {}
void DeviceTable::MarkSilent(int) {}
QString DeviceTable::WordHexText(quint16) { return {}; }

}  // namespace qm
