#pragma once
// The number a spin edit's change handler works with, from the text as typed, so that a value
// typed half-way never reaches the walk or the table.

#include <QString>

namespace qm {

struct SpinRange {
    int minimum;
    int maximum;
    int emptyValue;  // what an emptied spin edit is refilled with
};
constexpr SpinRange FirstAddressSpin{1, 99, 1};    // "Нач.NUM "
constexpr SpinRange DeviceCountSpin{1, 10, 1};     // "К-во приб. "
constexpr SpinRange CommandAddressSpin{1, 99, 5};  // "NUM"

// The refill value for an empty text, the minimum for a text that is not a number, otherwise the
// number bounded to the range (one too long for any integer by its sign).
int SpinValue(const QString& text, SpinRange range);

}  // namespace qm
