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
#include <utility>

namespace qm {

namespace {

constexpr int kSlotTicks = 10;      // one request per ten 100 ms ticks
constexpr int kFirstCheckTick = 9;  // missed-answer checks on ticks 9 and 10
constexpr int kMissedChecksPerSlot = kSlotTicks - kFirstCheckTick + 1;

// RetryCount counts the missed-answer checks charged to an instrument, two a slot. A check that
// takes it above this gives the instrument up: the last check of its third slot without an
// accepted answer (5). A bad frame, an answer from another address, an exception or an answer
// that fails identification is no accepted answer: such an instrument is given up on like a
// silent one, and its values are never kept as if it had answered.
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
    m_roundSlots = 0;
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
        // Not an answer: the slot's checks count it as silence.
        NoteRejected({ExchangeOutcome::Kind::BadCrc});
        m_link.FrameHandled();
        break;
    case RtuLink::Verdict::NoFrame:
    case RtuLink::Verdict::Pending:
        break;
    }
}

bool PollEngine::DispatchFrame()
{
    // Bytes on the line before the first request answer nothing (noise, or another master): the
    // walk must not take its address from a request buffer that was never written.
    if (m_link.RequestsSent() == 0) return false;
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
    // The status goes by the address in the answer.
    m_pollAddress = frame[0];
    ShowStatus(walk::Answered{m_pollAddress});
    // A command's confirmation replaces the plain answer; any other answer (an exception too)
    // leaves it.
    HandleCommandAnswer();
    // A measurement slot is answered only by the instrument asked, with a measurement that
    // identifies it; anything else (another address, an exception, a short or unidentified
    // answer) leaves the slot unanswered, so that its checks count it as silence. A command's
    // slot is answered by any valid frame.
    const bool measuring = std::holds_alternative<MeasurementRead>(m_slotRequest);
    bool accepted = !measuring;
    ExchangeOutcome taken{ExchangeOutcome::Kind::UnexpectedFunction};
    if (frame[1] == modbus::ReadHoldingRegisters) {
        taken = TakeMeasurement(frame, m_link.RxCount(), m_pollAddress, measuring && frame[0] == asked);
        if (measuring) accepted = taken.kind == ExchangeOutcome::Kind::Answered;
    }
    m_answered = accepted;
    m_pollAddress = asked;
    if (measuring) {
        const ExchangeOutcome outcome = JudgeMeasurementAnswer(asked, taken);
        if (accepted)
            TellExchange(outcome);
        else
            NoteRejected(outcome);
    }
    return accepted;
}

// Why a valid frame did or did not answer the measurement slot: another address first (the
// instrument asked did not answer at all), then what its own answer was; `taken` is how
// TakeMeasurement judged a function-3 answer.
ExchangeOutcome PollEngine::JudgeMeasurementAnswer(quint8 asked, const ExchangeOutcome& taken) const
{
    using Kind = ExchangeOutcome::Kind;
    const quint8* frame = m_link.RxBuffer();
    ExchangeOutcome outcome;
    if (frame[0] != asked) {
        outcome.kind = Kind::OtherAddress;
        outcome.from = frame[0];
    } else if (m_link.RxCount() < modbus::ExceptionAnswerLength) {
        outcome.kind = Kind::Short;
    } else if (frame[1] & modbus::ExceptionBit) {
        outcome.kind = Kind::Exception;
        outcome.function = quint8(frame[1] & ~modbus::ExceptionBit);
        outcome.code = frame[2];
    } else if (frame[1] != modbus::ReadHoldingRegisters) {
        outcome.kind = Kind::UnexpectedFunction;
        outcome.function = frame[1];
    } else {
        outcome = taken;
    }
    return outcome;
}

// A measurement answer from `address`: decoded once into a reading, which goes to the panel when
// it answers the slot's own request (ownAnswer) and identifies the polled instrument at its own
// address. An answer that names no QM4700 blanks the row; any other shows only its
// identification. The instrument in "NUM" tells its archive period once it has been asked for.
// Returns Answered when the reading was taken, otherwise why not.
ExchangeOutcome PollEngine::TakeMeasurement(const quint8* frame, int length, quint8 address, bool ownAnswer)
{
    using Kind = ExchangeOutcome::Kind;
    const std::optional<Reading> reading = DecodeMeasurementAnswer(frame, length, address, CurrentDateTime());
    if (!reading) return {Kind::Short};
    if (!reading->identified()) {
        m_panel.instrumentCleared(address);
        ShowStatus(walk::IdentificationFailed{address});
        return {Kind::Unidentified};
    }
    if (m_periodPending && m_chosenAddress == reading->idAddress()) {
        // The period is an unsigned word; the box holds 1..255.
        m_panel.archivePeriodRead(std::clamp(int(reading->period), 1, 255));
        m_periodPending = false;
    }
    if (!ownAnswer || reading->idAddress() != address || !m_range.rowOf(address)) {
        m_panel.otherIdentification(reading->id);
        return {ownAnswer ? Kind::NamedOther : Kind::OtherAddress, 0, ownAnswer ? reading->idAddress() : address};
    }
    m_panel.reading(*reading);
    return {Kind::Answered};
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
        m_panel.roundDone(std::exchange(m_roundSlots, 0));
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
    const bool givingUp = m_retryCount > kCheckGivesUpAbove;
    // The slot's last check (or a give-up, which ends it) settles how its exchange went.
    if (auto* slot = std::get_if<MeasurementRead>(&m_slotRequest); slot && (m_tickCount >= kSlotTicks || givingUp))
        TellExchange(slot->exchange);
    if (givingUp) GiveUp();
}

void PollEngine::NoteRejected(ExchangeOutcome outcome)
{
    auto* slot = std::get_if<MeasurementRead>(&m_slotRequest);
    // A frame that began before the slot's request answers an earlier one: it tells nothing of
    // this exchange.
    if (!slot || slot->told || m_link.FrameBeganAfter() != m_link.RequestsSent()) return;
    outcome.address = slot->exchange.address;
    slot->exchange = outcome;
}

void PollEngine::TellExchange(ExchangeOutcome outcome)
{
    auto* slot = std::get_if<MeasurementRead>(&m_slotRequest);
    if (!slot || slot->told) return;
    slot->told = true;
    outcome.address = slot->exchange.address;
    slot->exchange = outcome;
    m_stats.count(outcome);
    m_panel.exchange(outcome);
}

void PollEngine::ResetStats() { m_stats.reset(CurrentDateTime()); }

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
    // The slot of a command that cut in on a download is over, and with it that download, unless
    // the archive was asked for again meanwhile: that is a new download, which ends on its own.
    if (const auto* command = std::get_if<CommandWrite>(&m_slotRequest);
        command && command->cutInOnDownload && !std::holds_alternative<Downloading>(m_business))
        AbandonDownload();
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
    ++m_roundSlots;
    m_answered = false;
    SendRead(m_pollAddress, qm4700::MeasurementRegister, quint8(qm4700::MeasurementRegisters));
    ShowStatus(walk::Requested{m_pollAddress});
    m_slotRequest = MeasurementRead{{ExchangeOutcome::Kind::NoAnswer, m_pollAddress}};
}

void PollEngine::ShowStatus(const WalkStatus& status) { m_panel.walkStatus(status); }

}  // namespace qm
