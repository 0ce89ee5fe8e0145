#include "instrument.h"

#include "readings.h"
#include "record.h"

#include <cmath>
#include <new>

namespace sim {

namespace {

std::uint16_t scaled(double value, double factor)
{
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * factor)));
}

std::uint16_t word(int high, int low)
{
    return static_cast<std::uint16_t>(((high & 0xFF) << 8) | (low & 0xFF));
}

int wireWord(const std::uint8_t* p)
{
    return (p[0] << 8) | p[1];
}

}  // namespace

Instrument::Instrument(const InstrumentSetup& setup, std::time_t now)
    : m_setup(setup)
{
    m_mapping = modbus_mapping_new(0, 0, ServedRegisters, 0);
    if (!m_mapping)
        throw std::bad_alloc();
    m_mapping->tab_registers[RegId] = word(setup.typeCode, setup.address);
    m_mapping->tab_registers[RegPeriod] = static_cast<std::uint16_t>(setup.period);
    fillArchive(now);
    refresh(0, now);
}

Instrument::~Instrument()
{
    modbus_mapping_free(m_mapping);
}

void Instrument::fillArchive(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    const std::time_t newest = now - local.tm_sec;  // records are taken on whole minutes
    const int n = m_setup.archiveRecords;
    const std::time_t step = static_cast<std::time_t>(m_setup.period) * 60;
    for (int r = 1; r <= n; ++r) {
        const std::time_t when = newest - static_cast<std::time_t>(n - r) * step;
        std::tm tm{};
        localtime_r(&when, &tm);
        const Readings values = m_setup.fixed
                                    ? fixedArchiveReadings(m_setup.address, r)
                                    : simulatedReadings(m_setup.seed, m_setup.address, static_cast<double>(when - now));
        ArchiveRecord record;
        record.yearInCentury = (tm.tm_year + 1900) % 100;
        record.minutes = minutesOfYear(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
        record.ph = static_cast<float>(values.ph);
        record.e = static_cast<float>(values.e);
        record.t = static_cast<float>(values.t);
        // Above 200 records the ring has wrapped: record r sits in slot ((r - 1) mod 200) + 1.
        const int slot = (r - 1) % ArchiveSlots + 1;
        const auto regs = encodeRecord(record);
        for (int i = 0; i < 8; ++i)
            m_mapping->tab_registers[RegFirstSlot + 8 * (slot - 1) + i] = regs[static_cast<std::size_t>(i)];
    }
    m_mapping->tab_registers[RegArchiveCount] = static_cast<std::uint16_t>(n);
}

void Instrument::eraseArchive()
{
    for (int reg = RegArchiveCount; reg < RegArchiveEnd; ++reg)
        m_mapping->tab_registers[reg] = 0;
}

void Instrument::refresh(double secondsSinceStart, std::time_t now)
{
    Forced forced;
    forced.ph = drivenValue(m_setup.drives, m_setup.address, Drive::Quantity::Ph, secondsSinceStart);
    forced.t = drivenValue(m_setup.drives, m_setup.address, Drive::Quantity::T, secondsSinceStart);
    const Readings r = m_setup.fixed ? fixedReadings(m_setup.address, forced)
                                     : simulatedReadings(m_setup.seed, m_setup.address, secondsSinceStart, forced);
    std::uint16_t* regs = m_mapping->tab_registers;
    regs[RegId] = word(m_setup.typeCode, m_setup.address);
    regs[RegPh] = scaled(r.ph, 100);
    regs[2] = scaled(r.e, 10);
    regs[3] = scaled(r.t, 10);
    regs[4] = r.status;
    const std::time_t clock = now + m_clockOffset;
    std::tm tm{};
    localtime_r(&clock, &tm);
    const int year = tm.tm_year + 1900;
    regs[RegClockYear] = word(year / 100, year % 100);
    regs[6] = word(tm.tm_mon + 1, tm.tm_mday);
    regs[RegClockTime] = word(tm.tm_hour, tm.tm_min);
}

int Instrument::check(const std::uint8_t* frame, std::size_t length) const
{
    if (length < 8)
        return MODBUS_EXCEPTION_ILLEGAL_FUNCTION;
    const int function = frame[1];
    const int start = wireWord(frame + 2);
    switch (function) {
    case MODBUS_FC_READ_HOLDING_REGISTERS:
        return 0;  // modbus_reply checks the range against the mapping
    case MODBUS_FC_WRITE_SINGLE_REGISTER: {
        const int value = wireWord(frame + 4);
        if (start == RegPeriod)
            return value >= 1 && value <= 255 ? 0 : MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
        if (start == RegArchiveCount)
            return value == 0 ? 0 : MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
        return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
    }
    case MODBUS_FC_WRITE_MULTIPLE_REGISTERS: {
        const int count = wireWord(frame + 4);
        if (start != RegClockYear || count != 3)
            return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
        if (length < 15 || frame[6] != 6)
            return MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
        const int year = frame[7] * 100 + frame[8];
        const int month = frame[9], day = frame[10], hour = frame[11], minute = frame[12];
        const bool valid = frame[8] <= 99 && year >= 1970 && year <= 2099 && month >= 1 && month <= 12 &&
                           day >= 1 && day <= daysInMonth(year, month) && hour <= 23 && minute <= 59;
        return valid ? 0 : MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
    }
    default:
        return MODBUS_EXCEPTION_ILLEGAL_FUNCTION;
    }
}

void Instrument::applyWrite(const std::uint8_t* frame, std::size_t length, std::time_t now)
{
    if (length < 8)
        return;
    const int function = frame[1];
    const int start = wireWord(frame + 2);
    if (function == MODBUS_FC_WRITE_SINGLE_REGISTER && start == RegArchiveCount) {
        eraseArchive();
    } else if (function == MODBUS_FC_WRITE_MULTIPLE_REGISTERS && start == RegClockYear && length >= 15) {
        // The clock runs on from the time written, from second 0.
        std::tm tm{};
        tm.tm_year = frame[7] * 100 + frame[8] - 1900;
        tm.tm_mon = frame[9] - 1;
        tm.tm_mday = frame[10];
        tm.tm_hour = frame[11];
        tm.tm_min = frame[12];
        tm.tm_isdst = -1;
        const std::time_t set = std::mktime(&tm);
        if (set != static_cast<std::time_t>(-1))
            m_clockOffset = set - now;
    }
    // The period needs nothing more: modbus_reply has stored it in register 8.
}

}  // namespace sim
