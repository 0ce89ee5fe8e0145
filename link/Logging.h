#pragma once
// What a service engineer can switch on at a site, through Qt's logging categories (all off by
// default): QT_LOGGING_RULES="qm.link.debug=true;qm.poll.debug=true".
//   qm.link  every frame out and every chunk in, as hex, with the time and the slot's tick
//   qm.poll  opens, closes, give-ups and reopens of the port, a device that went away
// With QM_LOG_FILE=<path> the messages are also appended to that file.

#include <QLoggingCategory>

namespace qm {

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcPoll)

// Appends every message to the file that QM_LOG_FILE names, as well as to the usual output.
// Does nothing when the variable is not set; says on the usual output, in Russian, when the file
// cannot be opened or its name may not be written through (SafeFile.h).
void InstallLogFile();

// The time of day to the millisecond, "14:03:07.215", that starts every frame line.
QString LogTime();

}  // namespace qm
