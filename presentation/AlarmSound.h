#pragma once
// The alarm's sound: a short two-tone call, played again every few seconds while any alarm waits
// for acknowledgement, until the operator silences it; the next new alarm ends the silence.
// Playing never waits: QSoundEffect plays on its own, and where there is no audio device (a
// machine without sound, CI) it stays silent without complaint to the operator. The repeat has a
// timer of its own, so the sound neither needs nor holds the poll and chart timers.

#include <QObject>
#include <QTimer>

class QSoundEffect;

namespace qm {

class AlarmSound : public QObject {
    Q_OBJECT
public:
    static constexpr int RepeatMs = 5000;

    explicit AlarmSound(QObject* parent = nullptr);

    // The alarms as they stand now: whether any waits for acknowledgement, and whether a new one
    // has just been raised.
    void update(bool anyUnacknowledged, bool newAlarm);
    // Quiet until the next new alarm.
    void silence();

    bool repeating() const { return m_repeat.isActive(); }
    bool silenced() const { return m_silenced; }
    int plays() const { return m_plays; }

signals:
    // Repeating started or stopped, or the silence began or ended.
    void stateChanged();

private:
    void playOnce();

    QTimer m_repeat;
    QSoundEffect* m_effect = nullptr;  // made at the first alarm
    bool m_silenced = false;
    bool m_wanted = false;  // some alarm waits for acknowledgement
    int m_plays = 0;
};

}  // namespace qm
