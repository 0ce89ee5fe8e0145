#pragma once
// The instruments polled: consecutive addresses from the first, one device row each. Every room
// counts them alike: device row k (1..10) is the instrument at address first + k - 1 and owns live
// channel 2k - 1 (its pH) and 2k (its temperature).

namespace qm {

constexpr int MaxDevices = 10;                 // device rows 1..10
constexpr int ChannelCount = 2 * MaxDevices;   // live channels 1..20

// Both channels of an instrument that stopped answering hold this mark.
constexpr float NoDataMark = -100.0f;

// The polled range: "Нач.NUM " and "К-во приб. " as the window hands them down when they change.
struct PolledRange {
    int first = 1;
    int count = 1;
    bool operator==(const PolledRange&) const = default;
};

}  // namespace qm
