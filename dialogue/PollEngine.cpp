// The poll engine's tick: collecting and dispatching answers, the missed-answer checks, giving up,
// the request slot and the address walk.
#include "PollEngine.h"

#include "DateTimeText.h"
#include "InstrumentCommands.h"
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
    m_business = Measuring{};
}

void PollEngine::setRange(PolledRange range)
{
    m_range = range;
    m_pollAddress = quint8(range.first());
}

void PollEngine::setCommandAddress(int address)
{
    m_chosenAddress = address;
    m_periodPending = true;
}

void PollEngine::setArchivePeriod(int minutes) { m_archivePeriod = minutes; }

quint8 PollEngine::RequestAddress() const { return quint8(std::clamp(m_chosenAddress, 1, 247)); }

RequestKind PollEngine::PendingRequest() const
{
    if (std::holds_alternative<Downloading>(m_business)) return RequestKind::ReadArchive;
    if (const auto* command = std::get_if<Commanding>(&m_business)) return command->kind;
    return RequestKind::ReadMeasurement;
}

// ---------------------------------------------------------------------------------------------
// The tick

void PollEngine::Tick()
{
    if (m_tickCount < std::numeric_limits<qint32>::max()) ++m_tickCount;
    // While the port is closed the ticks only count, so the first tick after the operator
    // connects again sends at once. A give-up whose reopening failed leaves the port closed, and
    // the status line keeps the name of the port that failed.
    if (!PortOpen()) return;

    CollectStep();
    MissedAnswerCheck();
    if (m_tickCount >= kSlotTicks && PortOpen()) RequestSlot();
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
    const bool downloadsAnswer = std::holds_alternative<ArchiveBlockRead>(m_slotRequest)
                                 || (std::holds_alternative<CommandWrite>(m_slotRequest)
                                     && std::get<CommandWrite>(m_slotRequest).cutInOnDownload);
    if (downloadsAnswer || m_download.find(m_link.FrameBeganAfter())) return ArchiveAnswerStep();

    const quint8* frame = m_link.RxBuffer();
    // The walk goes on from the address the request went to (the measured instrument, or the one
    // in "NUM" after a command), whoever answered it. An instrument answering with a wrong
    // address (0, a neighbour's, one outside the range) would otherwise send the walk back or
    // past an instrument on every round, and a round that never ends takes no sample.
    const quint8 asked = m_link.TxBuffer()[0];
    // The status and the row go by the address in the answer.
    m_pollAddress = frame[0];
    ShowStatus(walk::Answered{m_pollAddress});
    m_answered = true;
    // A command's confirmation replaces the plain answer; any other answer (an exception too)
    // leaves it.
    HandleCommandAnswer();
    if (frame[1] == modbus::ReadHoldingRegisters) TakeMeasurement(frame, m_link.RxCount(), m_pollAddress);
    m_pollAddress = asked;
    return true;
}

// A measurement answer: decoded once into a reading, which goes to the panel when it identifies
// the polled instrument at its own address. An answer that names no QM4700 blanks the row; one
// that names another instrument shows only its identification. The instrument in "NUM" tells its
// archive period once it has been asked for.
void PollEngine::TakeMeasurement(const quint8* frame, int length, quint8 address)
{
    const std::optional<Reading> reading = DecodeMeasurementAnswer(frame, length, address, CurrentDateTime());
    if (!reading) return;
    if (!reading->identified()) {
        m_panel.instrumentCleared(address);
        ShowStatus(walk::IdentificationFailed{address});
        return;
    }
    if (m_periodPending && m_chosenAddress == reading->idAddress()) {
        // The period is an unsigned word; the box holds 1..255.
        m_panel.archivePeriodRead(std::clamp(int(reading->period), 1, 255));
        m_periodPending = false;
    }
    if (reading->idAddress() != address || !m_range.rowOf(address)) {
        m_panel.otherIdentification(reading->id);
        return;
    }
    m_panel.reading(*reading);
}

void PollEngine::FinishInstrument()
{
    m_retryCount = 0;
    // During an archive download the address stays with the download.
    if (!std::holds_alternative<Downloading>(m_business)) ++m_pollAddress;
    WrapTest();
}

void PollEngine::WrapTest()
{
    if (m_range.last() < m_pollAddress) {
        m_roundDone = true;
        m_pollAddress = quint8(m_range.first());
        m_panel.roundDone();
    } else if (m_pollAddress < m_range.first()) {
        // After a command or a download to an address below the polled range the walk would
        // otherwise go through the addresses below the range, each without a row: go back to the
        // first.
        m_pollAddress = quint8(m_range.first());
    }
}

void PollEngine::MissedAnswerCheck()
{
    if (m_tickCount < kFirstCheckTick || m_answered) return;
    if (!std::holds_alternative<Downloading>(m_business)) ShowStatus(walk::NoAnswer{m_pollAddress, m_link.RxCount()});
    ++m_retryCount;
    if (m_retryCount > kCheckGivesUpAbove) GiveUp();
}

void PollEngine::GiveUp()
{
    // A silent line is often a port that went wrong: close it and open it again. Not a network
    // line still connecting, or waiting to connect again: it keeps its own schedule.
    if (!m_port.waitingForLine()) {
        qCDebug(lcPoll).noquote() << LogTime() << "give up on address" << m_pollAddress << "- reopen the port";
        ClosePort();
        OpenPort();
        if (PortOpen()) CheckSilentLine();
    } else {
        qCDebug(lcPoll).noquote() << LogTime() << "give up on address" << m_pollAddress << "- the network line waits for its connection";
    }

    if (m_range.rowOf(m_pollAddress)) m_panel.reading(Reading::silent(m_pollAddress, CurrentDateTime()));
    m_retryCount = 0;
    ++m_pollAddress;  // also during an archive download
    WrapTest();
}

void PollEngine::RequestSlot()
{
    m_tickCount = 0;
    if (auto* downloading = std::get_if<Downloading>(&m_business)) {
        // A download that ran on past its last block ends here; the slot polls the measurement.
        if (!ArchiveRequestStep(*downloading)) MeasurementRequest();
    } else if (const auto* command = std::get_if<Commanding>(&m_business)) {
        CommandRequest(command->kind);
    } else {
        MeasurementRequest();
    }
}

// Measurement and archive blocks are read alike: function 3, registerCount registers from the
// wire address registerStart.
void PollEngine::SendRead(quint8 address, quint16 registerStart, quint8 registerCount)
{
    const int n = BuildRequestBasis(m_link.TxBuffer(), address, modbus::ReadHoldingRegisters, registerStart, registerCount);
    m_link.Send(m_port, n);
}

void PollEngine::MeasurementRequest()
{
    m_answered = false;
    SendRead(m_pollAddress, qm4700::MeasurementRegister, quint8(qm4700::MeasurementRegisters));
    ShowStatus(walk::Requested{m_pollAddress});
    m_slotRequest = MeasurementRead{};
}

void PollEngine::ShowStatus(const WalkStatus& status) { m_panel.walkStatus(status); }

}  // namespace qm
