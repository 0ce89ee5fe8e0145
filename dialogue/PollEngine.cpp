#include "PollEngine.h"

#include "DateTimeText.h"
#include "DeviceTable.h"
#include "InstrumentCommands.h"
#include "Logging.h"
#include "Panel.h"
#include "Port.h"
#include "PortNames.h"
#include "SerialDevices.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace qm {

namespace {

constexpr int kSlotTicks = 10;       // one request per ten 100 ms ticks
constexpr int kFirstCheckTick = 9;   // missed-answer checks on ticks 9 and 10
constexpr int kBadFrameLimit = 3;    // above this, bad frames finish the instrument
constexpr int kSilentLimit = 5;      // above this, the instrument is given up on

// Marks the port as being opened for as long as OpenPort runs (its message boxes included).
class InOpenPort {
public:
    explicit InOpenPort(bool& flag) : m_flag(flag) { m_flag = true; }
    ~InOpenPort() { m_flag = false; }

private:
    bool& m_flag;
};

}  // namespace

PollEngine::PollEngine(Port& port, Panel& panel, DeviceTable& table) : m_port(port), m_panel(panel), m_table(table)
{
    m_port.setLostHandler([this] { PortLost(); });
    Link.setLogTick(&TickCount);
}

void PollEngine::Init(int firstAddress, int deviceCount)
{
    PollAddress = quint8(firstAddress);
    RoundDone = false;
    DeviceCount = std::clamp(deviceCount, 1, int(DeviceTable::MaxDevices));
    RegisterStart = 1;
    RegisterCount = MeasureRegisterCount;
    PendingRequest = ReadMeasurement;
}

// ---------------------------------------------------------------------------------------------
// The tick

void PollEngine::Timer1Timer()
{
    if (TickCount < std::numeric_limits<qint32>::max()) ++TickCount;
    // While OpenPort waits in a message box the toolkit keeps ticking. Those ticks only count:
    // the port may be open but not yet configured, and a give-up from here would open it twice.
    if (m_inOpenPort) return;
    if (!PortOpen) return;

    CollectStep();
    MissedAnswerCheck();
    // A give-up whose reopening failed leaves the port closed: the slot then waits (TickCount
    // keeps counting, so the first tick after the user connects again sends at once), and the
    // status line keeps the name of the port that failed.
    if (TickCount >= kSlotTicks && PortOpen) RequestSlot();
}

void PollEngine::CollectStep()
{
    switch (Link.Collect(m_port)) {
    case RtuLink::Verdict::Valid:
        if (DispatchFrame()) FinishInstrument();
        Link.RxCount = 0;
        break;
    case RtuLink::Verdict::Bad:
        ++RetryCount;
        if (RetryCount > kBadFrameLimit) FinishInstrument();
        Link.RxCount = 0;
        break;
    case RtuLink::Verdict::NoFrame:
    case RtuLink::Verdict::Pending:
        break;
    }
}

bool PollEngine::DispatchFrame()
{
    // The archive download judges what arrives while it reads, and a late answer to one of its
    // reads: an archive block must never be taken for anything else.
    if (ArchiveMode || ArchiveLog.find(Link.FrameBeganAfter)) return ArchiveAnswerStep();

    const quint8* frame = Link.RxBuffer;
    // The walk goes on from the address the request went to (the measured instrument, or the one
    // in "NUM" after a command), whoever answered it. An instrument answering with
    // a wrong address (0, a neighbour's, one outside the range) would otherwise send the walk
    // back or past an instrument on every round, and a round that never ends takes no sample.
    const quint8 asked = Link.TxBuffer[0];
    LinkUp = true;
    // The texts and the row go by the address in the answer.
    PollAddress = frame[0];
    ShowStatus(PollAddress, QStringLiteral("-Ok!  "));
    Answered = true;
    // Each test on its own; any other code (an exception answer too) leaves "-Ok!  ".
    const quint8 function = frame[1];
    if (function == 0x10) HandleCommandAnswer();
    if (function == 6 && frame[3] == 0x08) ShowStatus(PollAddress, QStringLiteral("-Период-Ok!"));
    if (function == 6 && frame[3] == 0xF9) ShowStatus(PollAddress, QStringLiteral("-Удалить архив-Ok!"));
    if (function == 3) m_table.HandleMeasurementAnswer(frame, Link.RxCount, PollAddress, DeviceCount);
    PollAddress = asked;
    return true;
}

void PollEngine::FinishInstrument()
{
    RetryCount = 0;
    // During an archive download the address stays with the download.
    if (PendingRequest != ReadArchive) ++PollAddress;
    WrapTest();
}

void PollEngine::WrapTest()
{
    const int first = m_panel.firstAddress();
    if (first + DeviceCount - 1 < PollAddress) {
        RoundDone = true;
        PollAddress = quint8(first);
    } else if (PollAddress < first) {
        // After a command or a download to an address below the polled range the walk would
        // otherwise go through the addresses below the range, each without a row: go back to the
        // first.
        PollAddress = quint8(first);
    }
}

void PollEngine::MissedAnswerCheck()
{
    if (TickCount < kFirstCheckTick || Answered) return;
    if (PendingRequest != ReadArchive) ShowStatus(PollAddress, QStringLiteral("-No  ") + QString::number(Link.RxCount));
    ++RetryCount;
    if (RetryCount > kSilentLimit) GiveUp();
}

void PollEngine::GiveUp()
{
    // A silent line is often a port that went wrong: close it and open it again.
    qCDebug(lcPoll).noquote() << LogTime() << "give up on address" << PollAddress << "- reopen the port";
    ClosePort();
    OpenPort();
    if (PortOpen) {
        LinkUp = true;
        CheckSilentLine();
    }

    if (const int row = PolledRow(PollAddress)) {
        m_table.ClearDeviceRow(row);
        m_table.MarkSilent(row);
    }
    RetryCount = 0;
    ++PollAddress;  // also during an archive download
    WrapTest();
}

void PollEngine::RequestSlot()
{
    TickCount = 0;
    switch (PendingRequest) {
    case ReadArchive:
        ArchiveRequestStep();
        break;
    case SetPeriod:
    case SetClock:
    case EraseArchive:
        CommandRequest();
        break;
    case ReadMeasurement:
    default:
        PendingRequest = ReadMeasurement;
        MeasurementRequest();
        break;
    }
}

void PollEngine::MeasurementRequest()
{
    Answered = false;
    RegisterStart = 1;
    RegisterCount = MeasureRegisterCount;
    const int wireStart = RegisterStart - 1;
    quint8* tx = Link.TxBuffer;
    tx[0] = PollAddress;
    tx[1] = 0x03;
    tx[2] = quint8(wireStart >> 8);
    tx[3] = quint8(wireStart & 0xFF);
    tx[4] = 0x00;
    tx[5] = RegisterCount;
    Link.Send(m_port, 6);
    ShowStatus(PollAddress, QStringLiteral("-"));
    ArchiveMode = false;
}

// ---------------------------------------------------------------------------------------------
// Archive download and instrument commands

void PollEngine::ArchiveRequestStep()
{
    // A download that ran on past its last block ends here; the slot polls the measurement.
    if (!qm::ArchiveRequestStep(*this, m_port, m_panel)) MeasurementRequest();
}

bool PollEngine::ArchiveAnswerStep() { return qm::ArchiveAnswerStep(*this, m_panel, Link.RxBuffer, Link.RxCount); }

void PollEngine::CommandRequest() { qm::CommandRequest(*this, m_port, m_panel, m_table); }

void PollEngine::HandleCommandAnswer()
{
    const QString literal = CommandAnswerLiteral(Link.RxBuffer, Link.RxCount);
    if (!literal.isEmpty()) ShowStatus(PollAddress, literal);
}

// ---------------------------------------------------------------------------------------------
// The port and its switch

void PollEngine::OpenPort()
{
    if (m_inOpenPort) return;  // never open the port a second time from inside one of its boxes
    InOpenPort guard(m_inOpenPort);

    const QString name = PortMessageName(PortIndex);
    m_panel.setStatusText(name);

    // An index outside the list has no device: it is refused like a missing port.
    const QString device = PortDeviceName(PortIndex, WorkDir());
    m_device = device;
    QString reason;
    PortOpen = !device.isEmpty() && m_port.open(device, &reason);
    if (!PortOpen) {
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
            const QString cfg = m_cfgReported ? QString() : PortsConfigReport(WorkDir());
            if (!cfg.isEmpty()) detail << cfg;
            m_cfgReported = true;
            detail << SerialDevicesHint(SerialDevicesPresent(), name, QDir(WorkDir()).filePath(QStringLiteral("ports.cfg")));
        }
        m_panel.showWarning(QStringLiteral("Порт ") + name + QStringLiteral(" занят или не существует"),
                            detail.join(QLatin1Char('\n')));
        // The panel unticks without running the handler; run it here.
        m_panel.setConnectChecked(false);
        CheckBox1Click(false);
        return;
    }
    qCDebug(lcPoll).noquote() << LogTime() << "open" << name << device;

    const Port::ConfigResult config = m_port.configure();
    if (config.stage == Port::ConfigStage::Ok) return;
    const QString call = config.stage == Port::ConfigStage::GetState ? QStringLiteral(": GetCommState")
                                                                      : QStringLiteral(": SetCommState");
    m_panel.showWarning(QStringLiteral("ERROR ") + QString::number(config.code & 0xFFFF) + call, config.reason);
    m_port.close();
    PortOpen = false;
    qCDebug(lcPoll).noquote() << LogTime() << "close" << name << "after" << call.mid(2) << "failed";
}

void PollEngine::ClosePort()
{
    if (!PortOpen) return;
    m_port.close();
    PortOpen = false;
    LinkUp = false;
    qCDebug(lcPoll).noquote() << LogTime() << "close" << PortMessageName(PortIndex);
}

void PollEngine::PortLost()
{
    // A box of OpenPort is open: it deals with the port when it is answered.
    if (!PortOpen || m_inOpenPort) return;
    qCDebug(lcPoll).noquote() << LogTime() << "device of" << PortMessageName(PortIndex) << "went away";
    // The give-up, at once rather than after three silent slots: the same reopening, and the
    // same box when the device is not back.
    GiveUp();
}

void PollEngine::CheckSilentLine()
{
    if (m_silentGiveUps < 0) return;
    if (Link.bytesReceived() != m_bytesAtConnect) {
        m_silentGiveUps = -1;  // the line brings something: it is the right one
        return;
    }
    if (++m_silentGiveUps < DeviceCount) return;
    m_silentGiveUps = -1;
    // A built-in port that nothing answers on is most often a COM name meant for a USB adapter.
    if (!ShowNotice || !m_device.startsWith(QLatin1String("/dev/ttyS"))) return;
    const QString name = PortMessageName(PortIndex);
    ShowNotice(QStringLiteral("На порту %1 (%2) не ответил ни один прибор").arg(name, m_device),
               SerialDevicesHint(SerialDevicesPresent(), name, QDir(WorkDir()).filePath(QStringLiteral("ports.cfg"))));
}

void PollEngine::CheckBox1Click(bool checked)
{
    bool opening = false;
    if (checked) {
        opening = !PortOpen;  // already open: nothing to open again
        if (opening) {
            m_cfgReported = false;
            OpenPort();
            m_silentGiveUps = 0;
            m_bytesAtConnect = Link.bytesReceived();
        }
        PendingRequest = ReadMeasurement;
        if (PortOpen) LinkUp = true;
    } else if (PortOpen) {
        ClosePort();
        if (const int row = PolledRow(PollAddress)) m_table.ClearDeviceRow(row);
    }
    m_panel.setPortListEnabled(!LinkUp);
    // A line of ports.cfg that could not be read may be why the wrong device opened: it is told
    // once per connect (a refused open has told it in its own box), after the port is set up, so
    // that polling goes on while the box is open.
    if (opening && !m_cfgReported) {
        m_cfgReported = true;
        const QString cfg = PortsConfigReport(WorkDir());
        if (!cfg.isEmpty()) m_panel.showWarning(QStringLiteral("Файл ports.cfg прочитан не весь"), cfg);
    }
}

void PollEngine::ComboBox1Change(int index) { PortIndex = index; }

// ---------------------------------------------------------------------------------------------
// Buttons and the polled range

void PollEngine::Button1Click()
{
    // A press during a download continues it; any other press starts at the first block, even
    // when the last download ended less than a slot ago and left RegisterStart at its last block.
    if (PendingRequest != ReadArchive) RegisterStart = 1;
    PendingRequest = ReadArchive;
    ArchiveRetries = 0;
}
void PollEngine::Button3Click() { PendingRequest = SetPeriod; }
void PollEngine::Button5Click() { PendingRequest = EraseArchive; }
void PollEngine::Button6Click() { PendingRequest = SetClock; }

void PollEngine::SetFirstAddress(int firstAddress) { PollAddress = quint8(firstAddress); }
void PollEngine::SetDeviceCount(int count) { DeviceCount = std::clamp(count, 1, int(DeviceTable::MaxDevices)); }

// ---------------------------------------------------------------------------------------------

void PollEngine::ShowStatus(int address, const QString& literal)
{
    m_panel.setStatusText(QString::number(address) + literal);
}

int PollEngine::PolledRow(int address) const
{
    const int row = address - m_panel.firstAddress() + 1;
    return row >= 1 && row <= std::min(DeviceCount, int(DeviceTable::MaxDevices)) ? row : 0;
}

}  // namespace qm
