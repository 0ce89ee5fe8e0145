#pragma once
// How the measurement exchanges with each instrument went since the line was connected (or the
// counts were reset): the requests whose slots are over, and what became of each, so that the
// kinds add up to the requests. The poll engine counts; the
// statistics window only shows the counts.

#include "EngineEvents.h"

#include <QDateTime>
#include <QList>

#include <map>

namespace qm {

struct ExchangeCounts {
    int requests = 0;      // measurement requests whose slot is over
    int answered = 0;      // answers taken
    int noAnswer = 0;      // slots in which no frame came in
    int badCrc = 0;        // slots whose last frame failed its CRC
    int exceptions = 0;    // exception answers
    int otherAddress = 0;  // valid frames from another address
    int otherFaults = 0;   // answers not taken for any other reason: short, garbled, unidentified

    friend bool operator==(const ExchangeCounts&, const ExchangeCounts&) = default;
};

class ExchangeStats {
public:
    // A measurement slot is over.
    void count(const ExchangeOutcome& outcome);
    // Starts counting afresh from `since`.
    void reset(const QDateTime& since);

    // The addresses counted, ascending, and their counts (all zero for one not counted).
    QList<int> addresses() const;
    ExchangeCounts of(int address) const;
    const QDateTime& since() const { return m_since; }

private:
    std::map<int, ExchangeCounts> m_counts;  // at most one entry per address byte
    QDateTime m_since;
};

}  // namespace qm
