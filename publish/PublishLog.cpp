#include "PublishLog.h"

namespace qm {
// Warnings and worse would still show; the publisher logs at debug and info level.
Q_LOGGING_CATEGORY(lcPublish, "qm.publish", QtWarningMsg)
}
