#pragma once
// Appending whole lines to a journal's CSV files, shared by the sample journal and the alarm
// journal. A new or empty file starts with the byte-order mark and the header; a file this object
// has not written to yet is looked at first: a last line cut short (a crash, a power cut) is ended
// so that it stays alone, and the header is written again when the file last named other columns.
// Each append goes out in one write and is synced to disk before the call returns; files are only
// ever appended to, and an append that fails part way is taken back, so a file never holds a row
// cut short by a full disk. The folder and the file are written only through names that
// SafeFile.h allows. No widgets: the caller shows the failure text.

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
    // "Не удалось записать журнал в файл %1: %2".
    explicit JournalFile(QString failure) : m_failure(std::move(failure)) {}

    // Appends line (with its line end) to the file at path, under header (with its line end).
    // headerAgain: the header goes before the line even in a file this object is writing, because
    // the columns changed. A failed line is not kept: the next append simply tries again.
    Result Append(const QString& path, const QByteArray& header, const QByteArray& line, bool headerAgain = false);

    // Forget what is known about the files, so the next append looks at its file afresh (after
    // the journal was switched off for a while, for example).
    void Reset() { m_path.clear(); }

private:
    QString m_failure;
    QString m_path;  // the file the last line went to; empty when unknown
    bool m_failing = false;
};

}  // namespace qm
