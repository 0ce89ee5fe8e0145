#include "TrendJournal.h"

namespace qm {

void TrendJournal::Reset() { m_file.Reset(); }

TrendJournal::Result TrendJournal::Append(const TrendStore& store, int i, const PolledRange& range)
{
    if (i < 1 || i > store.TrendCount()) return Result();
    QDate day = FromDateTime(store.TrendTime(i)).date();
    if (!day.isValid()) day = CurrentDateTime().date();
    const Result result = m_file.Append(JournalFilePath(m_workDir, day), JournalHeader(range), JournalLine(store, i, range),
                                        !(range == m_named));
    if (result.written) m_named = range;
    return result;
}

}  // namespace qm
