#pragma once

#include <cstdint>
#include <optional>

namespace sim {

struct Readings {
    double ph = 0;
    double e = 0;
    double t = 0;
    std::uint16_t status = 0;
};

// Readings that --set or --ramp force at a moment, in place of the instrument's own.
struct Forced {
    std::optional<double> ph;
    std::optional<double> t;
};

// What instrument `address` measures `seconds` after the simulator started (negative: before).
// Smooth and slow, so that a trend chart shows curves; the same seed gives the same curves.
// A forced pH carries E and the pH status bit with it, a forced T the T status bit.
Readings simulatedReadings(std::uint64_t seed, int address, double seconds, const Forced& forced = {});

// The frozen readings of --fixed: pH 7.00 + A/100, E -100.0 - A, T 20.0 + A,
// status 0x0011 for an odd address and 0x0022 for an even one. Forced values replace pH and T
// alone.
Readings fixedReadings(int address, const Forced& forced = {});

// The values of archive record r (1 = oldest) of instrument `address` under --fixed:
// pH 6.00 + r/100, E -(A + r/10), T 20.0 + A + r/10.
Readings fixedArchiveReadings(int address, int record);

}  // namespace sim
