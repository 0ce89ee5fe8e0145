#include "readings.h"

#include <cmath>

namespace sim {

namespace {

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A number in [low, high) fixed by the seed, the address and which parameter it is.
double parameter(std::uint64_t seed, int address, int which, double low, double high)
{
    const std::uint64_t h = mix(mix(seed) ^ mix(static_cast<std::uint64_t>(address) * 131 + which));
    return low + (high - low) * static_cast<double>(h >> 11) / 9007199254740992.0;
}

double wave(std::uint64_t seed, int address, int which, double seconds, double amplitude, double minPeriod,
            double maxPeriod)
{
    constexpr double twoPi = 6.283185307179586;
    const double period = parameter(seed, address, which, minPeriod, maxPeriod);
    const double phase = parameter(seed, address, which + 1, 0, twoPi);
    return amplitude * std::sin(twoPi * seconds / period + phase);
}

}  // namespace

Readings simulatedReadings(std::uint64_t seed, int address, double s, const Forced& forced)
{
    Readings r;
    const double phBase = parameter(seed, address, 1, 6.4, 7.6);
    const double phSlow = wave(seed, address, 2, s, parameter(seed, address, 4, 0.3, 0.9), 600, 1800);
    const double phFast = wave(seed, address, 5, s, 0.08, 40, 120);
    r.ph = forced.ph.value_or(phBase + phSlow + phFast);
    // E follows pH roughly as an electrode would (about -57 mV per pH unit) plus its own drift.
    r.e = -57.0 * (r.ph - 7.0) + parameter(seed, address, 7, -30, 30) + wave(seed, address, 8, s, 4.0, 200, 500);
    const double tBase = parameter(seed, address, 10, 18, 26);
    r.t = forced.t.value_or(tBase + wave(seed, address, 11, s, 2.5, 1200, 3600) + wave(seed, address, 13, s, 0.3, 60, 180));
    // Bits 0/1 (pH25 mode) step through a pattern once a minute; bits 4/5 (relays) follow the
    // readings against their own middle values.
    const long minute = static_cast<long>(std::floor(s / 60.0)) + address;
    static const std::uint16_t modes[4] = {0x0000, 0x0001, 0x0002, 0x0003};
    r.status = modes[((minute % 4) + 4) % 4];
    if (forced.ph ? r.ph > phBase : phSlow > 0)
        r.status |= 0x0010;
    if (r.t > tBase)
        r.status |= 0x0020;
    return r;
}

Readings fixedReadings(int address, const Forced& forced)
{
    Readings r;
    r.ph = forced.ph.value_or(7.00 + address / 100.0);
    r.e = -100.0 - address;
    r.t = forced.t.value_or(20.0 + address);
    r.status = (address % 2) ? 0x0011 : 0x0022;
    return r;
}

Readings fixedArchiveReadings(int address, int record)
{
    Readings r;
    r.ph = 6.00 + record / 100.0;
    r.e = -(address + record / 10.0);
    r.t = 20.0 + address + record / 10.0;
    return r;
}

}  // namespace sim
