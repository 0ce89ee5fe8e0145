#include "InstrumentCommands.h"

#include "DateTimeText.h"
#include "DeviceTable.h"
#include "Panel.h"
#include "PollEngine.h"

#include <algorithm>

namespace qm {

namespace {

constexpr quint8 kCentury = 20;
constexpr quint8 kPeriodRegister = 0x08;
constexpr quint8 kClockRegister = 0x05;
constexpr quint8 kRecordCountRegister = 0xF9;  // ArchiveRecordCount: writing 0 erases the archive

}  // namespace

PcClock ReadPcClock()
{
    const QDateTime now = CurrentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return PcClock{date.year() % 100, date.month(), date.day(), time.hour(), time.minute()};
}

quint8 CommandAddressValue(const Panel& panel) { return quint8(std::clamp(panel.commandAddress(), 1, 247)); }

int BuildCommandFrame(quint8 kind, quint8 address, int period, const PcClock& clock, quint8* tx)
{
    tx[0] = address;
    switch (kind) {
    case request::SetPeriod:
        tx[1] = 0x06;
        tx[2] = 0x00;
        tx[3] = kPeriodRegister;
        tx[4] = 0x00;
        tx[5] = quint8(std::clamp(period, 1, 255));
        return 6;
    case request::SetClock:
        tx[1] = 0x10;
        tx[2] = 0x00;
        tx[3] = kClockRegister;
        tx[4] = 0x00;
        tx[5] = 0x03;  // three registers
        tx[6] = 0x06;  // six data bytes
        tx[7] = kCentury;
        tx[8] = quint8(clock.year);
        tx[9] = quint8(clock.month);
        tx[10] = quint8(clock.day);
        tx[11] = quint8(clock.hour);
        tx[12] = quint8(clock.minute);
        return 13;
    case request::EraseArchive:
        tx[1] = 0x06;
        tx[2] = 0x00;
        tx[3] = kRecordCountRegister;
        tx[4] = 0x00;
        tx[5] = 0x00;
        return 6;
    default:
        return 0;
    }
}

QString CommandSentLiteral(quint8 kind)
{
    switch (kind) {
    case request::SetPeriod:
        return QStringLiteral("-Период-");
    case request::SetClock:
        return QStringLiteral("-Коррекция времени - ");
    case request::EraseArchive:
        return QStringLiteral("-Удалить архив-");
    default:
        return QString();
    }
}

QString CommandAnswerLiteral(const quint8* frame, int length)
{
    if (!frame || length < 2) return QString();
    if (frame[1] == 0x10) return QStringLiteral("-Коррекция времени -Ok!");
    if (frame[1] == 0x06 && length >= 4) {
        if (frame[3] == kPeriodRegister) return QStringLiteral("-Период-Ok!");
        if (frame[3] == kRecordCountRegister) return QStringLiteral("-Удалить архив-Ok!");
    }
    return QString();
}

void CommandRequest(PollEngine& engine, Port& port, Panel& panel, DeviceTable& table)
{
    const quint8 kind = engine.PendingRequest;
    engine.Answered = false;
    engine.CommandAddress = CommandAddressValue(panel);
    const PcClock clock = kind == request::SetClock ? ReadPcClock() : PcClock{};
    const int n = BuildCommandFrame(kind, engine.CommandAddress, panel.periodValue(), clock, engine.Link.TxBuffer);
    if (n == 0) return;
    engine.Link.Send(port, n);
    panel.setStatusText(QString::number(engine.CommandAddress) + CommandSentLiteral(kind));
    engine.PendingRequest = PollEngine::ReadMeasurement;
    if (kind == request::SetPeriod) table.PeriodPending = true;
}

}  // namespace qm
