#include "ExchangeStats.h"

namespace qm {

void ExchangeStats::count(const ExchangeOutcome& outcome)
{
    using Kind = ExchangeOutcome::Kind;
    ExchangeCounts& c = m_counts[outcome.address];
    ++c.requests;
    switch (outcome.kind) {
    case Kind::Answered: ++c.answered; break;
    case Kind::NoAnswer: ++c.noAnswer; break;
    case Kind::BadCrc: ++c.badCrc; break;
    case Kind::Exception: ++c.exceptions; break;
    case Kind::OtherAddress: ++c.otherAddress; break;
    case Kind::Unidentified:
    case Kind::NamedOther:
    case Kind::Short:
    case Kind::UnexpectedFunction: ++c.otherFaults; break;
    }
}

void ExchangeStats::reset(const QDateTime& since)
{
    m_counts.clear();
    m_since = since;
}

QList<int> ExchangeStats::addresses() const
{
    QList<int> list;
    for (const auto& [address, counts] : m_counts) list << address;
    return list;
}

ExchangeCounts ExchangeStats::of(int address) const
{
    const auto it = m_counts.find(address);
    return it == m_counts.end() ? ExchangeCounts{} : it->second;
}

}  // namespace qm
