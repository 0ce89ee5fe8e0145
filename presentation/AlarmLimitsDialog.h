#pragma once
// "Уставки тревог": the alarm limits of the polled instruments, one row per instrument and
// quantity (pH, T), edited in place: low and high limit, deadband and delay in seconds; an empty
// limit is no limit. "Сохранить" checks every row with the same rules as alarms.cfg (low below
// high, each within its quantity's range, ...), names the first bad row in Russian inside the
// dialog and puts the cursor on it; a sound table is handed to whoever keeps the limits (the
// dialog closes once they are kept). The dialog does not block: the program polls and samples
// while it is open.

#include "AlarmLimitsFile.h"
#include "PolledRange.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTableWidget;

namespace qm {

class AlarmLimitsDialog : public QDialog {
    Q_OBJECT
public:
    explicit AlarmLimitsDialog(QWidget* parent = nullptr);

    // The rows of range filled from limits; the limits of other instruments are kept as they are.
    void load(PolledRange range, const AlarmLimits& limits);
    // What the table holds, checked: the limits, or the first problem in words (and the cursor
    // on it).
    std::optional<AlarmLimits> collect();

    // Keeps the limits (writes alarms.cfg and applies them); returns the failure in words, empty
    // when they were kept.
    std::function<QString(const AlarmLimits&)> keep;

    QTableWidget* table() const { return m_table; }
    QString problemText() const;

    void accept() override;

private:
    QTableWidget* m_table;
    QLabel* m_problem;
    PolledRange m_range;
    AlarmLimits m_others;  // of instruments outside the range
};

}  // namespace qm
