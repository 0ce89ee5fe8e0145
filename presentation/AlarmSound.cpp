#include "AlarmSound.h"

#include <QSoundEffect>

namespace qm {

AlarmSound::AlarmSound(QObject* parent) : QObject(parent)
{
    m_repeat.setInterval(RepeatMs);
    connect(&m_repeat, &QTimer::timeout, this, &AlarmSound::playOnce);
}

void AlarmSound::update(bool anyUnacknowledged, bool newAlarm)
{
    const bool wasRepeating = repeating(), wasSilenced = m_silenced;
    if (newAlarm) m_silenced = false;
    m_wanted = anyUnacknowledged;
    if (m_wanted && !m_silenced) {
        // A new alarm calls at once, even while the call of an older one repeats.
        if (!repeating() || newAlarm) {
            playOnce();
            m_repeat.start();
        }
    } else {
        m_repeat.stop();
    }
    if (wasRepeating != repeating() || wasSilenced != m_silenced) emit stateChanged();
}

void AlarmSound::silence()
{
    if (m_silenced) return;
    m_silenced = true;
    m_repeat.stop();
    if (m_effect) m_effect->stop();
    emit stateChanged();
}

void AlarmSound::playOnce()
{
    if (!m_effect) {
        m_effect = new QSoundEffect(this);
        m_effect->setSource(QUrl(QStringLiteral("qrc:/sounds/alarm.wav")));
    }
    m_effect->play();
    ++m_plays;
}

}  // namespace qm
