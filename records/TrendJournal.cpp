#include "TrendJournal.h"

namespace qm {

void TrendJournal::Reset() { m_file.Reset(); }

TrendJournal::Result TrendJournal::Append(const TrendStore& store, int i, const PolledRange& range)
{
    if (i < 1 || i > store.TrendCount()) return Result();
    return append(store.TrendTime(i), JournalLine(store, i, range), range);
}

TrendJournal::Result TrendJournal::Append(DateTime time, const SampleChannels& channels, const PolledRange& range)
{
    return append(time, JournalLine(time, channels, range), range);
}

TrendJournal::Result TrendJournal::append(DateTime time, const QByteArray& line, const PolledRange& range)
{
    QDate day = FromDateTime(time).date();
    if (!day.isValid()) day = CurrentDateTime().date();
    const Result result = m_file.Append(JournalFilePath(m_workDir, day), JournalHeader(range), line, !(range == m_named));
    if (result.written) m_named = range;
    return result;
}

}  // namespace qm
