#include "Reading.h"

#include "ModbusProtocol.h"

namespace qm {

namespace {
quint16 wordAt(const quint8* frame, int index) { return quint16((frame[index] << 8) | frame[index + 1]); }
}  // namespace

bool Reading::identified() const
{
    // A negative word has a type code of 0x80 or more and fails.
    return typeCode() >= qm4700::FirstTypeCode && typeCode() <= qm4700::LastTypeCode;
}

bool Reading::hasClock() const { return typeCode() != qm4700::TypeWithoutClock; }

Reading Reading::silent(quint8 address, const QDateTime& at)
{
    Reading r;
    r.address = address;
    r.answered = false;
    r.received = at;
    return r;
}

std::optional<Reading> DecodeMeasurementAnswer(const quint8* frame, int length, quint8 address, const QDateTime& received)
{
    // A truncated answer carries no trustworthy registers: nothing is decoded.
    if (!frame || length < qm4700::MeasurementAnswerLength) return std::nullopt;
    const auto reg = [frame](int wire) { return wordAt(frame, 3 + 2 * wire); };
    Reading r;
    r.address = address;
    r.answered = true;
    r.received = received;
    r.id = reg(qm4700::IdentificationRegister);
    r.phRaw = qint16(reg(qm4700::PhRegister));
    r.eRaw = qint16(reg(qm4700::ERegister));
    r.tRaw = qint16(reg(qm4700::TRegister));
    r.status = reg(qm4700::StatusRegister);
    r.clockYear = reg(qm4700::ClockYearRegister);
    r.clockDate = reg(qm4700::ClockDateRegister);
    r.clockTime = reg(qm4700::ClockTimeRegister);
    r.period = reg(qm4700::PeriodRegister);
    return r;
}

}  // namespace qm
