#include "DeviceTable.h"

#include "Panel.h"

namespace qm {

DeviceTable::DeviceTable(Panel& panel) : m_panel(panel) {}

}  // namespace qm
