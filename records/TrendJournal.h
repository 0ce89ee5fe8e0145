#pragma once
// The journal: every trend sample appended, as it is taken, to the day's file
// "Журнал/yyyy-MM-dd.csv" in the working directory (the day of the sample's local time). A new
// file starts with the byte-order mark and the header; the header is written again whenever the
// polled range differs from the one the file last named. Each line goes out whole in one write
// and is synced to disk before the call returns; files are only ever appended to, and an append
// that fails part way is taken back, so a file never holds a row cut short by a full disk. The
// folder and the day's file are written only through names that SafeFile.h allows.
// No widgets: the caller shows the failure text.

#include "TrendJournalFormat.h"

#include <QString>

namespace qm {

class TrendJournal {
public:
    struct Result {
        bool written = true;
        // The failure in the operator's words, given once for a run of failures: empty while the
        // journal keeps failing the same way, and again after a line got through.
        QString report;
        // A line got through after a run of failures.
        bool resumed = false;
    };

    void setWorkDir(const QString& dir) { m_workDir = dir; }

    // Appends sample i (1-based) of the store, labelled by range. A failed line is not kept:
    // the next sample simply tries again.
    Result Append(const TrendStore& store, int i, const PolledRange& range);

    // Forget what is known about the files, so the next append looks at its file afresh (after
    // the journal was switched off for a while, for example).
    void Reset();

private:
    QString m_workDir;
    QString m_path;              // the file the last line went to; empty when unknown
    PolledRange m_named;        // the range its last header names
    bool m_failing = false;
};

}  // namespace qm
