#pragma once
// The alarm window: a window of its own beside the main window (whose layout stays as it is),
// listing every alarm that is not normal, newest first, with its time, instrument, condition,
// latest value and state in words, so that the state is read, not only seen as a colour. The
// keyboard does everything: Space or Enter acknowledges the alarm in the list's current row,
// Ctrl+K acknowledges all, Ctrl+M silences the sound until the next new alarm, Esc closes the
// window (the alarms stay). It opens itself on a new alarm without taking the keyboard from the
// window the operator is typing in; F9 (in either window) brings it forward with the focus.
// It never waits: acknowledging, silencing and showing return at once.

#include "Alarm.h"

#include <QList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

namespace qm {

class AlarmListModel;

class AlarmWindow : public QWidget {
    Q_OBJECT
public:
    explicit AlarmWindow(QWidget* parent = nullptr);

    // The alarms as they stand (AlarmBook::alarms, newest first) and whether the sound is silenced.
    void setAlarms(const QList<Alarm>& alarms);
    // The same alarms with newer values (a reading came): only the values that changed are
    // told, so that the list neither flickers nor is read out again.
    void updateValues(const QList<Alarm>& alarms);
    void setSoundState(bool repeating, bool silenced);

    // Shown in front of the main window without taking the keyboard (a new alarm).
    void showQuietly();
    // Shown, raised and given the keyboard (F9).
    void bringForward();

    QTableView* list() const { return m_list; }
    QString summaryText() const;

signals:
    void acknowledgeRequested(int address, qm::AlarmCondition condition);
    void acknowledgeAllRequested();
    void silenceRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void acknowledgeCurrent();
    void updateSummary();

    AlarmListModel* m_model;
    QTableView* m_list;
    QLabel* m_summary;
    QLabel* m_soundLabel;
    QPushButton* m_ackButton;
    QPushButton* m_ackAllButton;
    QPushButton* m_silenceButton;
    bool m_placed = false;
};

}  // namespace qm
