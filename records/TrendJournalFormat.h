#pragma once
// The journal's CSV form, shared by the daily journal files and the export of the trend store:
// UTF-8 with a byte-order mark, comma-separated, decimal point, CR LF line ends, quoted where a
// field needs it. A header "Время,pH.<address>,T.<address>,..." names the columns of the polled
// range; each sample is an ISO 8601 local time with its UTC offset and pH and T of each instrument.
// Pure functions; the files are written by TrendJournal and the export.

#include "PolledRange.h"
#include "TrendStore.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>

namespace qm {

// "Журнал", the journal's folder in the working directory, and "<folder>/yyyy-MM-dd.csv" there.
QString JournalDirName();
QString JournalFilePath(const QString& workDir, const QDate& day);

QByteArray JournalBom();
// Appends a field as a CSV reader takes it back: quoted, with inner quotes doubled, only where it
// holds a separator, a quote or a line break.
void AppendCsvField(QByteArray& out, const QByteArray& field);
// The header line with its line end.
QByteArray JournalHeader(const PolledRange& range);
// "2026-12-07T14:05:03+03:00": local date and time and the offset from UTC in force then.
QByteArray JournalTime(const QDateTime& time);
// Sample i (1-based) of the store as a line with its line end. A silent instrument's cells
// (-100) are empty, and so are both cells of a row that holds 0 in pH and T together: that is an
// instrument that never answered, not a reading.
QByteArray JournalLine(const TrendStore& store, int i, const PolledRange& range);
// The same for a sample that is in no store: its time and channels 1..20 (0 unused), as
// LiveChannels::sample gives them.
using SampleChannels = std::array<double, ChannelCount + 1>;
QByteArray JournalLine(DateTime time, const SampleChannels& channels, const PolledRange& range);
// The whole store in the journal's form: the mark, one header and every sample, oldest first.
QByteArray TrendCsv(const TrendStore& store, const PolledRange& range);

}  // namespace qm
