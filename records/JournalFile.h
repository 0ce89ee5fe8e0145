#pragma once
// Appending whole lines to a journal's CSV files, shared by the sample journal and the alarm
// journal. A new or empty file starts with the byte-order mark and the header; a file this object
// has not written to yet is looked at first: a last line cut short (a crash, a power cut) is ended
// so that it stays alone, and the header is written again when the file last named other columns.
// Each append goes out in one write and is synced to disk before the call returns; files are only
// ever appended to, and an append that fails part way is taken back, so a file never holds a row
// cut short by a full disk. The folder and the file are written only through names that
// SafeFile.h allows. No widgets: the caller shows the failure text.
//
// Two programs never append to one journal: whoever appends holds a lock file of that journal in
// its folder (FileLock.h) from its first append until Reset or its end. A program that finds the
// lock held by another (a collector and a window program started in one folder) writes nothing;
// that is told once, like any failure, and every append tries the lock again, so the journal
// goes on once the other program has let it go.

#include "FileLock.h"

#include <QByteArray>
#include <QString>

namespace qm {

class JournalFile {
public:
    struct Result {
        bool written = true;
        // The failure in the operator's words, given once for a run of failures: empty while the
        // journal keeps failing the same way, and again after a line got through.
        QString report;
        // A line got through after a run of failures.
        bool resumed = false;
    };

    // failure is the report's sentence with %1 for the file and %2 for the reason, e.g.
    // "Не удалось записать журнал в файл %1: %2"; lockName names the journal's lock file in the
    // folder of its files (".qm4700-samples.lock").
    JournalFile(QString failure, QString lockName) : m_failure(std::move(failure)), m_lockName(std::move(lockName)) {}

    // Appends line (with its line end) to the file at path, under header (with its line end).
    // headerAgain: the header goes before the line even in a file this object is writing, because
    // the columns changed. A failed line is not kept: the next append simply tries again.
    Result Append(const QString& path, const QByteArray& header, const QByteArray& line, bool headerAgain = false);

    // Forget what is known about the files, so the next append looks at its file afresh (after
    // the journal was switched off for a while, for example), and let go of the journal's lock.
    void Reset()
    {
        m_path.clear();
        m_lock.release();
    }

private:
    // Holds the journal's lock in folder; empty when held (or when it cannot be had at all: then
    // the journal is kept unlocked rather than not at all), else why not.
    QString takeLock(const QString& folder);

    QString m_failure;
    QString m_lockName;
    FileLock m_lock;
    QString m_path;  // the file the last line went to; empty when unknown
    bool m_failing = false;
};

}  // namespace qm
