#pragma once
// The trend data file "График.txt" in WorkDir: the trend store kept across runs, one sample per
// line, "dd.mm.yy hh:mm:ss" and 20 values with four decimals and a decimal comma, CR LF line ends.
// Formatting and parsing are pure functions; saving and loading are a thin layer around them.

#include "TrendStore.h"

#include <QByteArray>
#include <QString>

namespace qm {

// The file's name and its full path in a directory (always built from the directory, so the
// process's current directory never matters).
QString TrendFileName();
QString TrendFilePath(const QString& workDir);

// One line without its line end: "dd.mm.yy hh:mm:ss" and, for channels 1..20 (values[0..19]),
// a blank and the value with exactly four decimals and "," as the decimal separator.
QByteArray FormatTrendLine(DateTime t, const double values[20]);

// Reads one line (a trailing CR or LF is ignored). Field 1 runs to the first blank; after any run
// of blanks field 2 runs to the next blank. Field 1, a blank and field 2 must be 17 characters that
// form a valid date and time (two-digit years in the hundred years beginning 50 years before the
// current year; a longer year only inside those hundred years, since it is saved with two digits);
// otherwise the line is rejected. Then values[0..19] are the following fields, "," or
// "." as separator; a missing field or one that is not a number gives 0, and extra fields are
// ignored. On false, *t and values are left unchanged.
bool ParseTrendLine(const QByteArray& line, DateTime* t, double values[20]);
// The same on raw bytes, with the current year given (the loader takes it once per file).
bool ParseTrendLine(const char* line, qsizetype size, int currentYear, DateTime* t, double values[20]);

// Writes the whole store over "График.txt" in workDir. Nothing is written while the store is empty
// (an existing file stays as it is). The file is replaced atomically: after a failure the old file
// is still there. Returns an empty text on success, else the message for the operator.
QString SaveTrendFile(const TrendStore& store, const QString& workDir);

// Renames a trend data file that was not read whole to asidePath (a load's asidePath), or, without
// one, to "График.<date>-<time>.txt" of the current time beside it, so that the next save does
// not replace history that was never loaded. Returns an empty text on success (or when there is
// no such file), else the error in the program's words.
QString SetAsideTrendFile(const QString& workDir, const QString& asidePath = QString());

// Deletes "График.txt" in workDir, if there is one (the chart was cleared). Returns whether no
// such file is left.
bool RemoveTrendFile(const QString& workDir);

struct TrendLoadResult {
    bool fileExisted = false;
    int samples = 0;        // samples now in the store
    int skippedLines = 0;   // lines that gave no sample (malformed, bad date, overlong, blank)
    int unreadLines = 0;    // of those, the lines that held more than blanks
    bool linesBeyond = false;  // the store was full before the file ended
    QString error;          // empty unless the file exists but could not be read
    // For a file not read whole (an error, unread lines, lines beyond the store's capacity): the
    // name "График.<yyyyMMdd-hhmmss>.txt" beside it, of the time of the load, that it is renamed
    // to before the first save replaces it (SetAsideTrendFile). Empty when it was read whole.
    QString asidePath;
    // What the operator is told once: the error, or what was not read, and the name the file will
    // be kept under. Empty when the file was read whole.
    QString report;
};

// Empties the store and fills it from "График.txt" in workDir, oldest line first, until the file
// ends or the store holds TrendCapacity samples. Lines that are not samples are skipped.
TrendLoadResult LoadTrendFile(TrendStore& store, const QString& workDir);

}  // namespace qm
