#include "LiveToolTip.h"

#include <QEvent>
#include <QWidget>

namespace qm {

LiveToolTip::LiveToolTip(QWidget* widget, std::function<QString()> text) : QObject(widget), m_text(std::move(text))
{
    widget->installEventFilter(this);
}

bool LiveToolTip::eventFilter(QObject* watched, QEvent* event)
{
    // Set just before Qt shows it; the event then goes on to the widget as usual.
    if (event->type() == QEvent::ToolTip && m_text) static_cast<QWidget*>(watched)->setToolTip(m_text());
    return QObject::eventFilter(watched, event);
}

}  // namespace qm
