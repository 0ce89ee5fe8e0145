#include "WorkDir.h"

#include <QDir>

namespace qm {

QString CaptureWorkDir() { return QDir::currentPath(); }

}  // namespace qm
