#pragma once
// The operator's keyboard in widget tests: a window made active with a control holding the
// focus, and keys typed at whatever has the focus (unhandled keys go up to the parents, as
// typed keys do).

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace qm::test {

inline void FocusOn(QWidget* control)
{
    QWidget* window = control->window();
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

inline void TypeKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no control has the keyboard focus";
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace qm::test
