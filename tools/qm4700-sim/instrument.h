#pragma once

#include "drive.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

#include <modbus.h>

namespace sim {

// Wire addresses of the instrument's registers.
constexpr int RegId = 0;
constexpr int RegPh = 1;
constexpr int RegClockYear = 5;
constexpr int RegClockTime = 7;
constexpr int RegPeriod = 8;
constexpr int RegArchiveCount = 249;
constexpr int RegFirstSlot = 254;
constexpr int ArchiveSlots = 200;
constexpr int RegArchiveEnd = RegFirstSlot + 8 * ArchiveSlots;  // one past slot 200
constexpr int ServedRegisters = 1957;                           // wire 0..1956; beyond: exception 2

struct InstrumentSetup {
    int address = 1;
    int typeCode = 0x11;
    int archiveRecords = 0;
    int period = 5;
    bool fixed = false;
    std::uint64_t seed = 1;
    std::vector<Drive> drives;  // --set and --ramp; only those of this address act
};

// One simulated QM4700: its registers live in a libmodbus mapping that modbus_reply serves.
class Instrument {
public:
    Instrument(const InstrumentSetup& setup, std::time_t now);
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    int address() const { return m_setup.address; }
    modbus_mapping_t* mapping() { return m_mapping; }
    std::uint16_t reg(int wire) const { return m_mapping->tab_registers[wire]; }

    // Brings readings and clock up to date; called before every answer.
    void refresh(double secondsSinceStart, std::time_t now);

    // 0 when the request may be served as it stands, otherwise the exception code to answer.
    int check(const std::uint8_t* frame, std::size_t length) const;

    // Side effects of a write that modbus_reply has just stored in the mapping.
    void applyWrite(const std::uint8_t* frame, std::size_t length, std::time_t now);

private:
    void fillArchive(std::time_t now);
    void eraseArchive();

    InstrumentSetup m_setup;
    modbus_mapping_t* m_mapping = nullptr;
    std::time_t m_clockOffset = 0;  // instrument clock minus computer clock, seconds
};

}  // namespace sim
