#pragma once
// The instruments polled: consecutive addresses from the first, one device row each. Every room
// counts them alike: device row k (1..10) is the instrument at address first + k - 1 and owns live
// channel 2k - 1 (its pH) and 2k (its temperature).

#include <algorithm>

namespace qm {

constexpr int MaxDevices = 10;                 // device rows 1..10
constexpr int ChannelCount = 2 * MaxDevices;   // live channels 1..20

// Both channels of an instrument that stopped answering hold this mark.
constexpr double NoDataMark = -100.0;

// The polled range: "Нач.NUM " and "К-во приб. ". It is bounded once, when it is made (first
// address 1..99, one to ten instruments), so whoever is handed one takes it as it is.
class PolledRange {
public:
    static constexpr int FirstAddressMin = 1;
    static constexpr int FirstAddressMax = 99;
    static constexpr int CountMin = 1;
    static constexpr int CountMax = MaxDevices;

    constexpr PolledRange() = default;
    constexpr PolledRange(int first, int count)
        : m_first(std::clamp(first, FirstAddressMin, FirstAddressMax)), m_count(std::clamp(count, CountMin, CountMax))
    {
    }

    constexpr int first() const { return m_first; }
    constexpr int count() const { return m_count; }
    constexpr int last() const { return m_first + m_count - 1; }
    // The device row of an address, 1..count; 0 for an address outside the range.
    constexpr int rowOf(int address) const
    {
        const int row = address - m_first + 1;
        return row >= 1 && row <= m_count ? row : 0;
    }
    constexpr int addressOf(int row) const { return m_first + row - 1; }

    constexpr bool operator==(const PolledRange&) const = default;

private:
    int m_first = 1;
    int m_count = 1;
};

}  // namespace qm
