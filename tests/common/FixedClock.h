#pragma once
// For its scope, the program's clock stands still at a given time.

#include "DateTimeText.h"

#include <QDateTime>

namespace qm::test {

class FixedClock {
public:
    explicit FixedClock(const QDateTime& t)
    {
        SetClock([t] { return t; });
    }
    ~FixedClock() { SetClock({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

}  // namespace qm::test
