#include "FilesLog.h"

namespace qm {

Q_LOGGING_CATEGORY(lcFiles, "qm.files", QtWarningMsg)

}  // namespace qm
