#pragma once
// An archive record as the instrument keeps it, and the archive text line the program writes for
// it: "dd.mm.yy hh:mm", then pH, E and T in columns of 5, 7 and 5 characters with a decimal comma,
// three blanks apart ("06.12.26 10:30    7,00     -12,3    25,0"). ArchiveFile reads such lines
// back.

#include <QString>
#include <QtGlobal>

namespace qm {

// One record: the year within the century, the minutes since that year began (three bytes, low
// first), then pH, E and T as IEEE single-precision floats, low byte first.
constexpr int ArchiveRecordBytes = 16;

// The archive text line of a record (ArchiveRecordBytes bytes). A record whose date cannot be
// right (a year byte above 99, or minutes beyond the end of its year) is written with a
// three-digit year: the listing keeps what the instrument holds, and the archive chart, which
// plots only the years that two-digit years stand for, leaves it out.
QString FormatArchiveRecord(const quint8* record);

// A float as fixed-point text with a "," mark, right-aligned in at least width characters.
QString ArchiveValueText(float value, int width, int decimals);

}  // namespace qm
