#pragma once
// Setting a file aside: one that the program did not read whole (unreadable, with lines it could
// not read, with more than it keeps) is renamed, beside itself, before the program writes the
// file anew, so that nothing the operator never saw loaded is replaced.

#include <QDateTime>
#include <QString>

namespace qm {

// The name beside path with the time put before the extension: "График.txt" at 15:00:00 on
// 6 December 2026 gives "График.20261206-150000.txt", "it.cfg" gives "it.20261206-150000.cfg".
QString AsidePath(const QString& path, const QDateTime& at);

// Renames path to asidePath. Nothing to do (an empty text) when asidePath is empty or path is no
// longer there; an existing file at asidePath is never replaced. Returns an empty text on
// success, else the message for the operator, which says that the file is kept as it is.
QString SetAsideFile(const QString& path, const QString& asidePath);

}  // namespace qm
