#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// A reading of one instrument forced for a window of time after the simulator started: held at
// one value (--set) or moved in a straight line from one value to another (--ramp). Alarm tests
// use it to cross limits at known moments.
struct Drive {
    enum class Quantity { Ph, T };

    int address = 1;
    Quantity quantity = Quantity::Ph;
    double from = 0;                                         // seconds after start, inclusive
    double to = std::numeric_limits<double>::infinity();     // exclusive
    double startValue = 0;                                   // at `from`
    double endValue = 0;                                     // approached at `to`; = startValue for --set

    bool covers(double seconds) const { return seconds >= from && seconds < to; }
    double valueAt(double seconds) const;
};

// "A:Q=V[@FROM-[TO]]": Q is ph or t, V a decimal number, FROM and TO seconds after start; no
// window means always, no TO means to the end. Throws std::invalid_argument with the reason.
Drive parseSet(const std::string& text);

// "A:Q=V1..V2@FROM-TO": V1 at FROM, V2 approached at TO, straight in between. TO is required.
Drive parseRamp(const std::string& text);

// The value of the last drive in `drives` that covers the moment, or none: a later option wins
// where windows overlap.
std::optional<double> drivenValue(const std::vector<Drive>& drives, int address, Drive::Quantity quantity,
                                  double seconds);

}  // namespace sim
