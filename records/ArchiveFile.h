#pragma once
// Archive files: the names proposed and completed for them, their bytes on disk (Windows-1251,
// CR LF) and the points read back from their lines. Pure functions; the buttons that use them
// live in ArchiveView.

#include "DateTimeText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace qm {

// One line of a viewed archive: its time and the three values pH, E and T.
struct ArchivePoint {
    DateTime Time = 0;
    double Value1 = 0;  // pH
    double Value2 = 0;  // E
    double Value3 = 0;  // T
};

// The viewer keeps at most this many points; further lines are listed but not plotted.
constexpr int ArchiveCapacity = 10000;

// "АрхивN" + address text + "_" + date tag, e.g. АрхивN12_06_12_26.
QString ProposedArchiveName(const QString& addressText, const QString& dateTag);

// The name as written or read: ".txt" is appended unless the fourth character from the end of
// the file's own name (not of its directory) is a dot, so "a.csv" stays and "a.backup" becomes
// "a.backup.txt".
QString WithArchiveExtension(const QString& path);

// Every line followed by CR LF, in Windows-1251. A character the code page lacks is written as
// "?"; *unencodable (when given) counts them.
QByteArray EncodeArchiveLines(const QStringList& lines, int* unencodable = nullptr);

// A download lists at most 200 records of about 50 bytes, and even 10000 lines stay below half of
// this. Reading and listing a larger file would hold the window and the poll timers for seconds.
constexpr qint64 MaxArchiveFileBytes = 1 << 20;

// The bytes of the archive file at path into *bytes. Only a regular file is read (a pipe or a
// device could wait for ever), and one above MaxArchiveFileBytes is refused. Returns an empty text,
// or why the file could not be read, in Russian.
QString ReadArchiveFile(const QString& path, QByteArray* bytes);

// The lines of a file's bytes, decoded from Windows-1251. CR LF, LF and a lone CR all end a line;
// a final line without an end is still a line; an empty file has none.
QStringList DecodeArchiveLines(const QByteArray& bytes);

// The date-time text of a line: its first 18 characters when the 15th is ":" (the time carries
// seconds), otherwise its first 15 (fewer when the line is shorter).
QString ArchiveDateTimeText(const QString& line);

// Reads a line into *point. Returns false, leaving *point alone, when its date-time text is not
// a date and time. A missing value reads as 0, and so does a malformed one (not a number, or not
// finite); anything after the third value is ignored.
bool ParseArchiveLine(const QString& line, ArchivePoint* point);

// Reads the lines of one file exactly as ParseArchiveLine does, faster: the lines the program
// writes are read in one pass, and what every line would look up again (the current year, whether
// the day has a clock change) is looked up once.
class ArchiveLineReader {
public:
    ArchiveLineReader();
    bool read(const QString& line, ArchivePoint* point);

private:
    int m_currentYear;
    qint64 m_day = 0;          // the last day read, as a Julian day; 0 before the first
    bool m_plainDay = false;   // it has no clock change, so its times need no time zone
};

// The error text for a line whose date-time text does not parse.
QString InvalidDateTimeMessage(const QString& dateTimeText);

}  // namespace qm
