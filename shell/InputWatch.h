#pragma once
// Notices the operator's keyboard and mouse input anywhere in one window, its lists' drop-downs
// included, whichever control the input goes to.

#include <QObject>

#include <functional>

class QWidget;

namespace qm {

class InputWatch : public QObject {
public:
    // Watches the application's events for the lifetime of window; onInput runs for each press
    // of a key or mouse button, turn of the wheel or typed text that goes into window.
    InputWatch(QWidget* window, std::function<void()> onInput);
    ~InputWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<void()> m_onInput;
};

}  // namespace qm
