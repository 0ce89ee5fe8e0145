#pragma once
// qm.files: what becomes of the program's files on disk, for a service engineer: journal lines
// that could not be written and writing resumed, journals kept by another program, locks that
// could not be had. Info and debug are off by default (QT_LOGGING_RULES="qm.files.info=true").

#include <QLoggingCategory>

namespace qm {

Q_DECLARE_LOGGING_CATEGORY(lcFiles)

}  // namespace qm
