#pragma once
// The publisher's state and failures in the operator's words: the settings dialog's state line,
// the notices, and (in the collector) the log say the same.

#include "Notice.h"
#include "PublishState.h"

#include <QDateTime>
#include <QString>

namespace qm {

// "подключено к host:1883", "повторная попытка через 8 с: брокер не отвечает", ... now is the
// moment the countdown is taken from.
QString PublishStateText(const PublishState& state, const QDateTime& now);
// Why an attempt failed, as a phrase that follows a colon.
QString PublishFailureText(const PublishFailure& failure);
// A failure only the operator can mend (a setting or a file), as a notice.
Notice PublishProblemNotice(const PublishFailure& failure);
// The outage backlog is full and its oldest readings go.
Notice BacklogOverflowNotice(qsizetype capacity);

}  // namespace qm
