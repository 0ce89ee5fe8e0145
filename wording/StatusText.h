#pragma once
// The status line's text for what the walk did last: the instrument's decimal address followed by
// a fixed text that begins with "-" ("1-Ok!  ", "3-No  0", "7-АРХИВ-  14 %" ...), or the port's
// name while it is being opened.

#include "EngineEvents.h"

#include <QString>
#include <QStringList>

namespace qm {

QString StatusText(const WalkStatus& status);

// The archive text area after a download: the listing, or one line that says why there is none.
QStringList ArchiveMemoLines(const ArchiveOutcome& outcome);

// A running download's progress beside the status line: "Архив прибора 7: 14 %, 24 записи из 57"
// ("Архив прибора 7: 0 %" until the record count came in).
QString ArchiveProgressText(const ArchiveDownloadProgress& progress);

}  // namespace qm
