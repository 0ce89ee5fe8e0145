#include "FocusFrame.h"

#include <QFocusEvent>
#include <QFocusFrame>
#include <QPainter>

namespace qm {

namespace {

// QFocusFrame follows its control's moves, size and stacking and lets the mouse through; what
// it draws is the platform style's business, which under Fusion and Windows is nothing to see.
class Frame : public QFocusFrame {
public:
    using QFocusFrame::QFocusFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

// Puts the frame on the control as it takes the focus and away as it loses it. (The frame
// itself stops watching a control it is taken away from.)
class FocusWatch : public QObject {
public:
    explicit FocusWatch(QWidget* control) : QObject(control), m_frame(new Frame(control->parentWidget()))
    {
        m_frame->setObjectName(QStringLiteral("FocusFrame"));
        m_frame->hide();
        control->installEventFilter(this);
        if (control->hasFocus()) m_frame->setWidget(control);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A menu or a drop-down list opened from the control takes the focus only for a while.
        if (event->type() == QEvent::FocusIn)
            m_frame->setWidget(static_cast<QWidget*>(watched));
        else if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            m_frame->setWidget(nullptr);
        return false;
    }

private:
    Frame* m_frame;  // a child of the control's parent
};

}  // namespace

void ShowFocusFrame(QWidget* control)
{
    if (control && control->parentWidget()) new FocusWatch(control);
}

}  // namespace qm
