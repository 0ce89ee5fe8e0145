// The commands of the poll engine: the slot that sends a pending command and the confirmation
// of its answer.
#include "InstrumentCommands.h"

#include "DateTimeText.h"
#include "DeviceTable.h"
#include "Panel.h"
#include "PollEngine.h"
#include "RtuLink.h"

#include <algorithm>

namespace qm {

namespace {

constexpr quint8 kCentury = 20;
constexpr quint16 kClockRegister = 0x05;         // wire 5..7: year, date, time
constexpr quint16 kPeriodRegister = 0x08;
constexpr quint16 kRecordCountRegister = 0xF9;  // ArchiveRecordCount: writing 0 erases the archive

constexpr quint8 kWriteSingle = 0x06;
constexpr quint8 kWriteMultiple = 0x10;

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
        return BuildRequestBasis(tx, address, kWriteSingle, kPeriodRegister, quint16(std::clamp(period, 1, 255)));
    case RequestKind::SetClock: {
        const int n = BuildRequestBasis(tx, address, kWriteMultiple, kClockRegister, 3);  // three registers
        tx[n] = 0x06;  // six data bytes
        tx[n + 1] = kCentury;
        tx[n + 2] = quint8(clock.year);
        tx[n + 3] = quint8(clock.month);
        tx[n + 4] = quint8(clock.day);
        tx[n + 5] = quint8(clock.hour);
        tx[n + 6] = quint8(clock.minute);
        return n + 7;
    }
    case RequestKind::EraseArchive:
        return BuildRequestBasis(tx, address, kWriteSingle, kRecordCountRegister, 0);
    default:
        return 0;
    }
}

QString CommandSentLiteral(RequestKind kind)
{
    switch (kind) {
    case RequestKind::SetPeriod:
        return QStringLiteral("-Период-");
    case RequestKind::SetClock:
        return QStringLiteral("-Коррекция времени - ");
    case RequestKind::EraseArchive:
        return QStringLiteral("-Удалить архив-");
    default:
        return QString();
    }
}

QString CommandAnswerLiteral(const quint8* frame)
{
    if (frame[1] == kWriteMultiple) return QStringLiteral("-Коррекция времени -Ok!");
    if (frame[1] == kWriteSingle) {
        if (frame[3] == kPeriodRegister) return QStringLiteral("-Период-Ok!");
        if (frame[3] == kRecordCountRegister) return QStringLiteral("-Удалить архив-Ok!");
    }
    return QString();
}

void PollEngine::SetPeriod() { m_pendingRequest = RequestKind::SetPeriod; }
void PollEngine::SetClock() { m_pendingRequest = RequestKind::SetClock; }
void PollEngine::EraseArchive() { m_pendingRequest = RequestKind::EraseArchive; }

// The request slot for a pending command: sends it once, shows it, returns to measurement
// polling; after the period command the next matching measurement answer shows the period read
// back.
void PollEngine::CommandRequest()
{
    const RequestKind kind = m_pendingRequest;
    m_answered = false;
    m_commandAddress = RequestAddress();
    const PcClock clock = kind == RequestKind::SetClock ? ReadPcClock() : PcClock{};
    const int n = BuildCommandFrame(kind, m_commandAddress, m_archivePeriod, clock, m_link.TxBuffer());
    if (n == 0) return;
    m_link.Send(m_port, n);
    ShowStatus(m_commandAddress, CommandSentLiteral(kind));
    m_pendingRequest = RequestKind::ReadMeasurement;
    if (kind == RequestKind::SetPeriod) m_table.setPeriodPending(true);
}

void PollEngine::HandleCommandAnswer()
{
    const QString literal = CommandAnswerLiteral(m_link.RxBuffer());
    if (!literal.isEmpty()) ShowStatus(m_pollAddress, literal);
}

}  // namespace qm
