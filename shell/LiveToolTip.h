#pragma once
// A tooltip worked out when it is about to be shown, not before: for texts that are costly to
// gather (the port list's scans the serial devices present) and that should be current anyway.

#include <QObject>

#include <functional>

class QWidget;

namespace qm {

class LiveToolTip : public QObject {
public:
    // widget owns the watcher; text runs each time the widget's tooltip is asked for.
    LiveToolTip(QWidget* widget, std::function<QString()> text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QString()> m_text;
};

}  // namespace qm
