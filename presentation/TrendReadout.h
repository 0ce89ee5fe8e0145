#pragma once
// What the trend chart's readout reads: the samples of the trend store, and at each one the
// values of the slot curves on show, under their lists' names ("pH.1", "T.3").

#include "CursorReadout.h"
#include "TrendPlot.h"
#include "TrendStore.h"

#include <functional>

namespace qm {

class TrendReadout : public ReadoutSource {
public:
    // The name of a slot's list as shown ("pH.1"); slot = 1..4.
    using SlotName = std::function<QString(int slot)>;

    TrendReadout(const TrendStore& store, const TrendPlot& series, SlotName name);

    int nearest(DateTime t) const override;
    DateTime timeOf(int sample) const override { return m_store.TrendTime(sample); }
    QList<ReadoutRow> rows(int sample) const override;

private:
    const TrendStore& m_store;
    const TrendPlot& m_series;
    SlotName m_name;
};

}  // namespace qm
