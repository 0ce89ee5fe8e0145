#pragma once
// The journal: every trend sample appended, as it is taken, to the day's file
// "Журнал/yyyy-MM-dd.csv" in the working directory (the day of the sample's local time). A new
// file starts with the byte-order mark and the header; the header is written again whenever the
// polled range differs from the one the file last named. Each line goes out whole in one write
// and is synced to disk before the call returns; files are only ever appended to.
// No widgets: the caller shows the failure text.

#include "JournalFile.h"
#include "TrendJournalFormat.h"

#include <QString>

namespace qm {

class TrendJournal {
public:
    using Result = JournalFile::Result;

    void setWorkDir(const QString& dir) { m_workDir = dir; }

    // Appends sample i (1-based) of the store, labelled by range. A failed line is not kept:
    // the next sample simply tries again.
    Result Append(const TrendStore& store, int i, const PolledRange& range);
    // Appends a sample taken at time that no store holds (the collector keeps none).
    Result Append(DateTime time, const SampleChannels& channels, const PolledRange& range);

    // Forget what is known about the files, so the next append looks at its file afresh (after
    // the journal was switched off for a while, for example), and let another program keep it.
    void Reset();

private:
    Result append(DateTime time, const QByteArray& line, const PolledRange& range);

    QString m_workDir;
    JournalFile m_file{QStringLiteral("Не удалось записать журнал в файл %1: %2"), QStringLiteral(".qm4700-samples.lock")};
    PolledRange m_named;  // the range the last header written names
};

}  // namespace qm
