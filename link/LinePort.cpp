#include "LinePort.h"

#include "NetworkLine.h"

namespace qm {

LinePort::LinePort()
{
    m_serial.setLostHandler([this] { reportLost(); });
    m_network.setTroubleHandler([this](const LineTrouble& trouble) { reportTrouble(trouble); });
}

bool LinePort::open(const QString& device, QString* reason)
{
    Port* wanted = IsUrl(device) ? static_cast<Port*>(&m_network) : static_cast<Port*>(&m_serial);
    if (wanted != m_active) {
        m_active->close();
        m_active = wanted;
    }
    return m_active->open(device, reason);
}

}  // namespace qm
