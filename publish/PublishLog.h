#pragma once
// qm.publish: the broker connection (attempts, refusals, losses), what is published, and
// readings dropped from a full backlog. Never a password. Off by default:
// QT_LOGGING_RULES="qm.publish.debug=true".

#include <QLoggingCategory>

namespace qm {
Q_DECLARE_LOGGING_CATEGORY(lcPublish)
}
