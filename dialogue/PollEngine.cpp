// Placeholder: the tick, the port switch and the walk come with the link work.
#include "PollEngine.h"

namespace qm {

PollEngine::PollEngine(Port& port, Panel& panel, DeviceTable& table) : m_port(port), m_panel(panel), m_table(table) {}

void PollEngine::Init(int firstAddress, int deviceCount)
{
    PollAddress = quint8(firstAddress);
    RoundDone = false;
    DeviceCount = deviceCount;
    RegisterStart = 1;
    RegisterCount = MeasureRegisterCount;
    PendingRequest = ReadMeasurement;
}
void PollEngine::Timer1Timer() { ++TickCount; }
void PollEngine::OpenPort() {}
void PollEngine::CheckBox1Click(bool) {}
void PollEngine::ComboBox1Change(int index) { PortIndex = index; }
void PollEngine::Button1Click() {}
void PollEngine::Button3Click() {}
void PollEngine::Button5Click() {}
void PollEngine::Button6Click() {}
void PollEngine::SetFirstAddress(int firstAddress) { PollAddress = quint8(firstAddress); }
void PollEngine::SetDeviceCount(int count) { DeviceCount = count; }

}  // namespace qm
