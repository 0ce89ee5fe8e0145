#pragma once
// An archive record in the instrument's own bytes: the year byte, the minutes since the start of
// the year in three bytes, then pH, E and T as floats, low byte first.

#include "ArchiveRecord.h"

#include <array>
#include <bit>
#include <cstdint>

namespace qm::test {

using RecordBytes = std::array<quint8, ArchiveRecordBytes>;

inline RecordBytes EncodeRecord(int year, int minutes, float ph = 7.0f, float e = -12.3f, float t = 25.0f)
{
    RecordBytes b{};
    b[0] = quint8(year);
    b[1] = quint8(minutes & 0xFF);
    b[2] = quint8((minutes >> 8) & 0xFF);
    b[3] = quint8((minutes >> 16) & 0xFF);
    const float values[3] = {ph, e, t};
    for (int v = 0; v < 3; ++v) {
        const auto bits = std::bit_cast<std::uint32_t>(values[v]);
        for (int k = 0; k < 4; ++k) b[size_t(4 + 4 * v + k)] = quint8(bits >> (8 * k));
    }
    return b;
}

}  // namespace qm::test
