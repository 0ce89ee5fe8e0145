// The commands of the poll engine: the slot that sends a pending command and the confirmation
// of its answer.
#include "InstrumentCommands.h"

#include "DateTimeText.h"
#include "ModbusProtocol.h"
#include "Panel.h"
#include "PollEngine.h"
#include "RtuLink.h"

#include <algorithm>

namespace qm {

namespace {
constexpr quint8 kCentury = 20;
}  // namespace

PcClock ReadPcClock()
{
    const QDateTime now = CurrentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return PcClock{date.year() % 100, date.month(), date.day(), time.hour(), time.minute()};
}

int BuildCommandFrame(RequestKind kind, quint8 address, int period, const PcClock& clock, quint8* tx)
{
    switch (kind) {
    case RequestKind::SetPeriod:
        return BuildRequestBasis(tx, address, modbus::WriteSingleRegister, qm4700::WritablePeriodRegister,
                                 quint16(std::clamp(period, 1, 255)));
    case RequestKind::SetClock: {
        // Three registers, six data bytes: century, year, month, day, hour, minute.
        const int n = BuildRequestBasis(tx, address, modbus::WriteMultipleRegisters, qm4700::ClockRegister, 3);
        tx[n] = 0x06;
        tx[n + 1] = kCentury;
        tx[n + 2] = quint8(clock.year);
        tx[n + 3] = quint8(clock.month);
        tx[n + 4] = quint8(clock.day);
        tx[n + 5] = quint8(clock.hour);
        tx[n + 6] = quint8(clock.minute);
        return n + 7;
    }
    case RequestKind::EraseArchive:
        return BuildRequestBasis(tx, address, modbus::WriteSingleRegister, qm4700::ArchiveRecordCountRegister, 0);
    default:
        return 0;
    }
}

std::optional<RequestKind> ConfirmedCommand(const quint8* frame)
{
    if (frame[1] == modbus::WriteMultipleRegisters) return RequestKind::SetClock;
    if (frame[1] == modbus::WriteSingleRegister) {
        if (frame[3] == qm4700::WritablePeriodRegister) return RequestKind::SetPeriod;
        if (frame[3] == qm4700::ArchiveRecordCountRegister) return RequestKind::EraseArchive;
    }
    return std::nullopt;
}

void PollEngine::SetPeriod() { m_business = Commanding{RequestKind::SetPeriod}; }
void PollEngine::SetClock() { m_business = Commanding{RequestKind::SetClock}; }
void PollEngine::EraseArchive() { m_business = Commanding{RequestKind::EraseArchive}; }

// The request slot for a pending command: sends it once, shows it, returns to measurement
// polling; after the period command the next matching measurement answer shows the period read
// back.
void PollEngine::CommandRequest(RequestKind kind)
{
    m_answered = false;
    const quint8 address = RequestAddress();
    const PcClock clock = kind == RequestKind::SetClock ? ReadPcClock() : PcClock{};
    const int n = BuildCommandFrame(kind, address, m_archivePeriod, clock, m_link.TxBuffer());
    if (n == 0) return;
    m_link.Send(m_port, n);
    ShowStatus(walk::CommandSent{address, kind});
    m_business = Measuring{};
    // A command that follows an archive read, or another command that did, has its answer judged
    // as the download's.
    bool cutIn = std::holds_alternative<ArchiveBlockRead>(m_slotRequest);
    if (const auto* command = std::get_if<CommandWrite>(&m_slotRequest)) cutIn = command->cutInOnDownload;
    m_slotRequest = CommandWrite{cutIn};
    if (kind == RequestKind::SetPeriod) m_periodPending = true;
}

void PollEngine::HandleCommandAnswer()
{
    if (const std::optional<RequestKind> command = ConfirmedCommand(m_link.RxBuffer()))
        ShowStatus(walk::CommandConfirmed{m_pollAddress, *command});
}

}  // namespace qm
