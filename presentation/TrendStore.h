#pragma once
// The trend store: up to 10000 samples of the 20 live channels, oldest first, allocated once.

#include "DateTimeText.h"

#include <QtGlobal>
#include <vector>

namespace qm {

class TrendStore {
public:
    static constexpr int TrendCapacity = 10000;
    static constexpr int Channels = 20;

    TrendStore();

    // 1-based like the rest of the program: TrendTime(1) is the oldest sample held.
    DateTime TrendTime(int i) const;
    double TrendValue(int channel, int i) const;
    int TrendCount() const;

private:
    std::vector<double> m_block;  // allocated once
    int m_count = 0;
};

}  // namespace qm
