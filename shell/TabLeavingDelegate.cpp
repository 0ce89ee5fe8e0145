#include "TabLeavingDelegate.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>

namespace qm {

TabLeavingDelegate::TabLeavingDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), m_view(view)
{
    view->setTabKeyNavigation(false);
    view->setItemDelegate(this);
}

bool TabLeavingDelegate::eventFilter(QObject* editor, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            auto* widget = qobject_cast<QWidget*>(editor);
            emit commitData(widget);
            emit closeEditor(widget, QAbstractItemDelegate::NoHint);
            // The focus is back on the grid, which passes the same key on to the window.
            QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
            QCoreApplication::sendEvent(m_view, &again);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(editor, event);
}

}  // namespace qm
