#pragma once
// The alarm logic as the programs wire it: the alarm book with its limits, fed with every reading
// of a polled instrument, telling each change of an alarm's state as a signal (to the alarm
// window, the live table's marks, the journal, the sound and the publisher) and to the qm.alarm
// log. The operator's acknowledgements are timed by the program's clock (CurrentDateTime).
// QtCore only; it writes no file.

#include "AlarmBook.h"

#include <QLoggingCategory>
#include <QObject>

namespace qm {

Q_DECLARE_LOGGING_CATEGORY(lcAlarm)

class AlarmMonitor : public QObject {
    Q_OBJECT
public:
    explicit AlarmMonitor(QObject* parent = nullptr);

    const AlarmBook& book() const { return m_book; }

    void setLimits(const AlarmLimits& limits);
    void setRange(PolledRange range);
    void take(const Reading& reading);
    void acknowledge(int address, AlarmCondition condition);
    void acknowledgeAll();

signals:
    // One alarm changed its state; several changes of one event come one by one, in order.
    void changed(const qm::AlarmChange& change);

private:
    void tell(const AlarmBook::Changes& changes);

    AlarmBook m_book;
};

// A change as the log writes it: "address 2 pH>8.50 value 8.90: normal -> active".
QString AlarmLogText(const AlarmChange& change);

}  // namespace qm
