// The poll engine's port: opening it with the operator's messages, closing it, the connect switch,
// a device that went away and a line that answers nothing.
#include "PollEngine.h"

#include "DeviceTable.h"
#include "Logging.h"
#include "Panel.h"
#include "Port.h"
#include "PortNames.h"
#include "SerialDevices.h"

#include <QScopedValueRollback>
#include <QStringList>

namespace qm {

PollEngine::PollEngine(Port& port, Panel& panel, DeviceTable& table) : m_port(port), m_panel(panel), m_table(table)
{
    m_port.setLostHandler([this] { PortLost(); });
    m_link.setLogTick(&m_tickCount);
}

void PollEngine::setWorkDir(const QString& dir) { m_workDir = dir; }
void PollEngine::setPortIndex(int index) { m_portIndex = index; }

QString PollEngine::takePortsCfgReport()
{
    if (m_cfgReported) return {};
    m_cfgReported = true;
    return PortsConfigReport(m_workDir);
}

void PollEngine::OpenPort()
{
    if (m_inOpenPort) return;  // never open the port a second time from inside one of its boxes
    // Marked as being opened for as long as OpenPort runs, its message boxes included.
    const QScopedValueRollback<bool> guard(m_inOpenPort, true);

    const QString name = PortMessageName(m_portIndex);
    m_panel.setStatusText(name);

    // An index outside the list has no device: it is refused like a missing port.
    const QString device = PortDeviceName(m_portIndex, m_workDir);
    m_device = device;
    QString reason;
    m_portOpen = !device.isEmpty() && m_port.open(device, &reason);
    if (!m_portOpen) {
        qCDebug(lcPoll).noquote() << LogTime() << "open" << name << device << "refused";
        QStringList detail;
        if (device.isEmpty()) {
            detail << QStringLiteral("В списке есть только порты COM1 … COM17.");
        } else {
            if (!reason.isEmpty()) detail << reason;
            if (m_port.openDenied())
                detail << QStringLiteral("Нет прав на ") + device
                              + QStringLiteral(": добавьте пользователя в группу dialout "
                                               "(sudo usermod -aG dialout $USER) и войдите в систему заново.");
            // Perhaps a line of ports.cfg that could not be read was meant for this port; it is
            // told once per connect.
            const QString cfg = takePortsCfgReport();
            if (!cfg.isEmpty()) detail << cfg;
            detail << SerialDevicesHint(SerialDevicesPresent(), name, PortsCfgPath(m_workDir));
        }
        m_panel.showWarning(QStringLiteral("Порт ") + name + QStringLiteral(" занят или не существует"),
                            detail.join(QLatin1Char('\n')));
        // The panel unticks without running the handler; run it here.
        m_panel.setConnectChecked(false);
        Disconnect();
        return;
    }
    qCDebug(lcPoll).noquote() << LogTime() << "open" << name << device;

    const Port::ConfigResult config = m_port.configure();
    if (config.stage == Port::ConfigStage::Ok) return;
    const QString call = config.stage == Port::ConfigStage::GetState ? QStringLiteral(": GetCommState")
                                                                      : QStringLiteral(": SetCommState");
    m_panel.showWarning(QStringLiteral("ERROR ") + QString::number(config.code & 0xFFFF) + call, config.reason);
    m_port.close();
    m_portOpen = false;
    qCDebug(lcPoll).noquote() << LogTime() << "close" << name << "after" << call.mid(2) << "failed";
}

void PollEngine::ClosePort()
{
    if (!m_portOpen) return;
    m_port.close();
    m_portOpen = false;
    setLinkUp(false);
    qCDebug(lcPoll).noquote() << LogTime() << "close" << PortMessageName(m_portIndex);
}

void PollEngine::PortLost()
{
    // A box of OpenPort is open: it deals with the port when it is answered.
    if (!m_portOpen || m_inOpenPort) return;
    qCDebug(lcPoll).noquote() << LogTime() << "device of" << PortMessageName(m_portIndex) << "went away";
    // The give-up, at once rather than after three silent slots: the same reopening, and the
    // same box when the device is not back.
    GiveUp();
}

void PollEngine::CheckSilentLine()
{
    if (m_silentGiveUps < 0) return;
    if (m_link.bytesReceived() != m_bytesAtConnect) {
        m_silentGiveUps = -1;  // the line brings something: it is the right one
        return;
    }
    if (++m_silentGiveUps < m_range.count) return;
    m_silentGiveUps = -1;
    // A built-in port that nothing answers on is most often a COM name meant for a USB adapter.
    if (!m_device.startsWith(QLatin1String("/dev/ttyS"))) return;
    const QString name = PortMessageName(m_portIndex);
    m_panel.showNotice(QStringLiteral("На порту %1 (%2) не ответил ни один прибор").arg(name, m_device),
                       SerialDevicesHint(SerialDevicesPresent(), name, PortsCfgPath(m_workDir)));
}

void PollEngine::Connect()
{
    const bool opening = !m_portOpen;  // already open: nothing to open again
    if (opening) {
        m_cfgReported = false;
        OpenPort();
        m_silentGiveUps = 0;
        m_bytesAtConnect = m_link.bytesReceived();
    }
    m_pendingRequest = RequestKind::ReadMeasurement;
    if (m_portOpen) setLinkUp(true);
    m_panel.setPortListEnabled(!m_linkUp);
    // A line of ports.cfg that could not be read may be why the wrong device opened: it is told
    // once per connect (a refused open has told it in its own box), after the port is set up, so
    // that polling goes on while the box is open.
    if (opening) {
        const QString cfg = takePortsCfgReport();
        if (!cfg.isEmpty()) m_panel.showWarning(QStringLiteral("Файл ports.cfg прочитан не весь"), cfg);
    }
}

void PollEngine::Disconnect()
{
    if (m_portOpen) {
        ClosePort();
        if (const int row = PolledRow(m_pollAddress)) m_table.ClearDeviceRow(row);
    }
    m_panel.setPortListEnabled(!m_linkUp);
}

}  // namespace qm
