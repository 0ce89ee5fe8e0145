#include "InputWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace qm {

InputWatch::InputWatch(QWidget* window, std::function<void()> onInput)
    : QObject(window), m_window(window), m_onInput(std::move(onInput))
{
    // Input goes to whichever control has the focus or lies under the mouse, so the watch sits
    // before every object rather than on the window.
    QCoreApplication::instance()->installEventFilter(this);
}

InputWatch::~InputWatch() { QCoreApplication::instance()->removeEventFilter(this); }

bool InputWatch::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::InputMethod:
        break;
    default:
        return false;
    }
    // A drop-down is a window of its own, but its parent chain leads back to the list.
    for (auto* w = qobject_cast<QWidget*>(watched); w; w = w->parentWidget()) {
        if (w == m_window) {
            m_onInput();
            break;
        }
    }
    return false;
}

}  // namespace qm
