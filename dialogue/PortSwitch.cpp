// The poll engine's port: opening and closing it, the connect switch, a device that went away and
// a line that answers nothing. Problems are told as facts; the window words them.
#include "PollEngine.h"

#include "DateTimeText.h"
#include "Logging.h"
#include "NetworkLine.h"
#include "Panel.h"
#include "Port.h"
#include "PortNames.h"

namespace qm {

PollEngine::PollEngine(Port& port, Panel& panel) : m_port(port), m_panel(panel)
{
    m_port.setLostHandler([this] { PortLost(); });
    m_port.setTroubleHandler([this](const LineTrouble& trouble) { LineTroubled(trouble); });
    m_link.setLogTick(&m_tickCount);
}

void PollEngine::setWorkDir(const QString& dir) { m_workDir = dir; }
void PollEngine::setPortIndex(int index) { m_portIndex = index; }

bool PollEngine::takePortsCfgReport()
{
    if (m_connectNotes.portsCfgTold) return false;
    m_connectNotes.portsCfgTold = true;
    return !LoadPortsConfig(m_workDir).problems.isEmpty();
}

void PollEngine::setLinkState(LinkState state)
{
    if (m_linkState == state) return;
    m_linkState = state;
    m_panel.linkChanged(state == LinkState::Open);
}

void PollEngine::OpenPort()
{
    ShowStatus(walk::PortOpening{m_portIndex});
    const QString name = PortMessageName(m_portIndex);

    // An index outside the list has no device: it is refused like a missing port.
    const QString device = PortDeviceName(m_portIndex, m_workDir);
    m_device = device;
    QString reason;
    if (device.isEmpty() || !m_port.open(device, &reason)) {
        qCDebug(lcPoll).noquote() << LogTime() << "open" << name << device << "refused";
        PortProblem problem;
        problem.portIndex = m_portIndex;
        if (device.isEmpty()) {
            problem.kind = PortProblem::Kind::NotInList;
        } else {
            problem.kind = PortProblem::Kind::OpenRefused;
            problem.device = device;
            problem.reason = reason;
            problem.denied = m_port.openDenied();
            // Perhaps a line of ports.cfg that could not be read was meant for this port; it is
            // told once per connect.
            problem.withPortsCfgReport = takePortsCfgReport();
        }
        m_panel.portProblem(problem);
        // The connection is given up: "Соединение" is unticked and the switch's work is done here.
        m_panel.connectionDropped();
        Disconnect();
        return;
    }
    qCDebug(lcPoll).noquote() << LogTime() << "open" << name << device;

    const Port::ConfigResult config = m_port.configure();
    if (config.stage == Port::ConfigStage::Ok) {
        setLinkState(LinkState::Open);
        return;
    }
    PortProblem problem;
    problem.kind = config.stage == Port::ConfigStage::GetState ? PortProblem::Kind::GetStateFailed
                                                              : PortProblem::Kind::SetStateFailed;
    problem.portIndex = m_portIndex;
    problem.device = device;
    problem.reason = config.reason;
    problem.code = config.code & 0xFFFF;
    m_panel.portProblem(problem);
    m_port.close();
    qCDebug(lcPoll).noquote() << LogTime() << "close" << name << "after"
                              << (config.stage == Port::ConfigStage::GetState ? "GetCommState" : "SetCommState")
                              << "failed";
}

void PollEngine::ClosePort()
{
    if (!PortOpen()) return;
    m_port.close();
    m_link.Forget();
    // A measurement slot cut short by closing has no outcome to tell.
    if (auto* slot = std::get_if<MeasurementRead>(&m_slotRequest)) slot->told = true;
    setLinkState(LinkState::Closed);
    qCDebug(lcPoll).noquote() << LogTime() << "close" << PortMessageName(m_portIndex);
}

void PollEngine::PortLost()
{
    if (!PortOpen()) return;
    qCDebug(lcPoll).noquote() << LogTime() << "device of" << PortMessageName(m_portIndex) << "went away";
    // The give-up, at once rather than after three silent slots: the same reopening, and the
    // same problem told when the device is not back.
    GiveUp();
}

void PollEngine::LineTroubled(const LineTrouble& trouble)
{
    if (!PortOpen()) return;
    qCDebug(lcPoll).noquote() << LogTime() << "network line of" << PortMessageName(m_portIndex) << m_device
                              << "has no connection; it connects again on its own";
    PortProblem problem;
    switch (trouble.kind) {
    case LineTrouble::Kind::Refused: problem.kind = PortProblem::Kind::GatewayRefused; break;
    case LineTrouble::Kind::Unreachable: problem.kind = PortProblem::Kind::GatewayUnreachable; break;
    case LineTrouble::Kind::UnknownHost: problem.kind = PortProblem::Kind::GatewayUnknown; break;
    case LineTrouble::Kind::TimedOut: problem.kind = PortProblem::Kind::GatewayTimedOut; break;
    case LineTrouble::Kind::Dropped: problem.kind = PortProblem::Kind::GatewayDropped; break;
    }
    problem.portIndex = m_portIndex;
    problem.device = m_device;
    problem.reason = trouble.reason;
    m_panel.portProblem(problem);
}

void PollEngine::CheckSilentLine()
{
    std::optional<int>& giveUps = m_connectNotes.silentGiveUps;
    if (!giveUps) return;
    if (m_link.bytesReceived() != m_connectNotes.bytesAtConnect) {
        giveUps.reset();  // the line brings something: it is the right one
        return;
    }
    if (++*giveUps < m_range.count()) return;
    giveUps.reset();
    // A built-in port that nothing answers on is most often a COM name meant for a USB adapter;
    // a network line, a gateway in another mode than its URL says, or set for another speed.
    if (!m_device.startsWith(QLatin1String("/dev/ttyS")) && !IsUrl(m_device)) return;
    PortProblem problem;
    problem.kind = PortProblem::Kind::NothingAnswers;
    problem.portIndex = m_portIndex;
    problem.device = m_device;
    m_panel.portProblem(problem);
}

void PollEngine::Connect()
{
    const bool opening = !PortOpen();  // already open: nothing to open again
    if (opening) {
        m_connectNotes = {};
        // The exchange statistics count from here.
        ResetStats();
        OpenPort();
        m_connectNotes.silentGiveUps = 0;
        m_connectNotes.bytesAtConnect = m_link.bytesReceived();
    }
    // Connecting starts over with measurements: a download still running goes no further.
    AbandonDownload();
    m_business = Measuring{};
    m_panel.portChoiceAllowed(!PortOpen());
    // A line of ports.cfg that could not be read may be why the wrong device opened: it is told
    // once per connect (a refused open has told it with its own problem).
    if (opening && takePortsCfgReport()) {
        PortProblem problem;
        problem.kind = PortProblem::Kind::PortsCfgUnread;
        problem.portIndex = m_portIndex;
        problem.device = m_device;
        problem.withPortsCfgReport = true;
        m_panel.portProblem(problem);
    }
}

void PollEngine::Disconnect()
{
    if (PortOpen()) {
        ClosePort();
        if (m_range.rowOf(m_pollAddress)) m_panel.instrumentCleared(m_pollAddress);
    }
    // A download goes no further without the link (the next connect starts with measurements).
    AbandonDownload();
    m_panel.portChoiceAllowed(!PortOpen());
}

}  // namespace qm
