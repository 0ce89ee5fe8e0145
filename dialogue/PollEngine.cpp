// The poll engine's tick: collecting and dispatching answers, the missed-answer checks, giving up,
// the request slot and the address walk.
#include "PollEngine.h"

#include "DeviceTable.h"
#include "Logging.h"
#include "Panel.h"
#include "Port.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

constexpr int kSlotTicks = 10;      // one request per ten 100 ms ticks
constexpr int kFirstCheckTick = 9;  // missed-answer checks on ticks 9 and 10
constexpr int kMissedChecksPerSlot = kSlotTicks - kFirstCheckTick + 1;

// RetryCount counts the failures charged to an instrument: one for each bad frame and one for
// each missed-answer check. A bad frame that takes it above this finishes the instrument: with
// the two checks of its first slot, an instrument whose every answer is bad is finished by its
// second bad answer.
constexpr int kBadFrameFinishesAbove = 3;
// A missed-answer check that takes it above this gives the instrument up: the last check of its
// third silent slot (5).
constexpr int kSilentSlotsToGiveUp = 3;
constexpr int kCheckGivesUpAbove = kSilentSlotsToGiveUp * kMissedChecksPerSlot - 1;

}  // namespace

void PollEngine::Init(PolledRange range)
{
    setRange(range);
    m_roundDone = false;
    m_registerStart = 1;
    m_registerCount = DeviceTable::RegisterCount;
    m_pendingRequest = RequestKind::ReadMeasurement;
}

void PollEngine::setRange(PolledRange range)
{
    m_range = {range.first, std::clamp(range.count, 1, int(MaxDevices))};
    m_pollAddress = quint8(range.first);
}

void PollEngine::setCommandAddress(int address) { m_chosenAddress = address; }
void PollEngine::setArchivePeriod(int minutes) { m_archivePeriod = minutes; }

quint8 PollEngine::RequestAddress() const { return quint8(std::clamp(m_chosenAddress, 1, 247)); }

// ---------------------------------------------------------------------------------------------
// The tick

void PollEngine::Tick()
{
    if (m_tickCount < std::numeric_limits<qint32>::max()) ++m_tickCount;
    // While OpenPort waits in a message box the toolkit keeps ticking. Those ticks only count:
    // the port may be open but not yet configured, and a give-up from here would open it twice.
    if (m_inOpenPort) return;
    if (!m_portOpen) return;

    CollectStep();
    MissedAnswerCheck();
    // A give-up whose reopening failed leaves the port closed: the slot then waits (TickCount
    // keeps counting, so the first tick after the user connects again sends at once), and the
    // status line keeps the name of the port that failed.
    if (m_tickCount >= kSlotTicks && m_portOpen) RequestSlot();
}

void PollEngine::CollectStep()
{
    switch (m_link.Collect(m_port)) {
    case RtuLink::Verdict::Valid:
        if (DispatchFrame()) FinishInstrument();
        m_link.FrameHandled();
        break;
    case RtuLink::Verdict::Bad:
        ++m_retryCount;
        if (m_retryCount > kBadFrameFinishesAbove) FinishInstrument();
        m_link.FrameHandled();
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
    if (m_archiveMode || m_archiveLog.find(m_link.FrameBeganAfter())) return ArchiveAnswerStep();

    const quint8* frame = m_link.RxBuffer();
    // The walk goes on from the address the request went to (the measured instrument, or the one
    // in "NUM" after a command), whoever answered it. An instrument answering with
    // a wrong address (0, a neighbour's, one outside the range) would otherwise send the walk
    // back or past an instrument on every round, and a round that never ends takes no sample.
    const quint8 asked = m_link.TxBuffer()[0];
    setLinkUp(true);
    // The texts and the row go by the address in the answer.
    m_pollAddress = frame[0];
    ShowStatus(m_pollAddress, QStringLiteral("-Ok!  "));
    m_answered = true;
    // A command's confirmation replaces "-Ok!  "; any other answer (an exception too) leaves it.
    HandleCommandAnswer();
    if (frame[1] == ReadRegistersFunction) m_table.HandleMeasurementAnswer(frame, m_link.RxCount(), m_pollAddress);
    m_pollAddress = asked;
    return true;
}

void PollEngine::FinishInstrument()
{
    m_retryCount = 0;
    // During an archive download the address stays with the download.
    if (m_pendingRequest != RequestKind::ReadArchive) ++m_pollAddress;
    WrapTest();
}

void PollEngine::WrapTest()
{
    const int first = m_range.first;
    if (first + m_range.count - 1 < m_pollAddress) {
        m_roundDone = true;
        m_pollAddress = quint8(first);
        m_panel.roundDone();
    } else if (m_pollAddress < first) {
        // After a command or a download to an address below the polled range the walk would
        // otherwise go through the addresses below the range, each without a row: go back to the
        // first.
        m_pollAddress = quint8(first);
    }
}

void PollEngine::MissedAnswerCheck()
{
    if (m_tickCount < kFirstCheckTick || m_answered) return;
    if (m_pendingRequest != RequestKind::ReadArchive)
        ShowStatus(m_pollAddress, QStringLiteral("-No  ") + QString::number(m_link.RxCount()));
    ++m_retryCount;
    if (m_retryCount > kCheckGivesUpAbove) GiveUp();
}

void PollEngine::GiveUp()
{
    // A silent line is often a port that went wrong: close it and open it again.
    qCDebug(lcPoll).noquote() << LogTime() << "give up on address" << m_pollAddress << "- reopen the port";
    ClosePort();
    OpenPort();
    if (m_portOpen) {
        setLinkUp(true);
        CheckSilentLine();
    }

    if (const int row = PolledRow(m_pollAddress)) {
        m_table.ClearDeviceRow(row);
        m_table.MarkSilent(row);
    }
    m_retryCount = 0;
    ++m_pollAddress;  // also during an archive download
    WrapTest();
}

void PollEngine::RequestSlot()
{
    m_tickCount = 0;
    switch (m_pendingRequest) {
    case RequestKind::ReadArchive:
        // A download that ran on past its last block ends here; the slot polls the measurement.
        if (!ArchiveRequestStep()) MeasurementRequest();
        break;
    case RequestKind::SetPeriod:
    case RequestKind::SetClock:
    case RequestKind::EraseArchive:
        CommandRequest();
        break;
    case RequestKind::ReadMeasurement:
        MeasurementRequest();
        break;
    }
}

// Measurement and archive blocks are read alike: function 3 from RegisterStart (one-based, so
// the wire address is one less), RegisterCount registers.
void PollEngine::SendRead(quint8 address)
{
    const int n = BuildRequestBasis(m_link.TxBuffer(), address, ReadRegistersFunction, quint16(m_registerStart - 1), m_registerCount);
    m_link.Send(m_port, n);
}

void PollEngine::MeasurementRequest()
{
    m_answered = false;
    m_registerStart = 1;
    m_registerCount = DeviceTable::RegisterCount;
    SendRead(m_pollAddress);
    ShowStatus(m_pollAddress, QStringLiteral("-"));
    m_archiveMode = false;
}

// ---------------------------------------------------------------------------------------------

void PollEngine::setLinkUp(bool up)
{
    if (m_linkUp == up) return;
    m_linkUp = up;
    m_panel.linkChanged(up);
}

void PollEngine::ShowStatus(int address, const QString& literal)
{
    m_panel.setStatusText(QString::number(address) + literal);
}

int PollEngine::PolledRow(int address) const
{
    const int row = address - m_range.first + 1;
    return row >= 1 && row <= m_range.count ? row : 0;
}

}  // namespace qm
