#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to stop, handled in the Qt event loop: the handler only
// writes a byte to a pipe, and a socket notifier on its other end calls back where anything may be
// done (closing the window writes the settings and the trend file; the collector closes its line).
// So a logout, `kill` or a service manager ends the program as cleanly as its close button.

#include <QObject>

#include <functional>

namespace qm {

class StopSignals : public QObject {
public:
    // onStop runs in the event loop once for each stop signal received; the watcher lives as long
    // as parent.
    StopSignals(QObject* parent, std::function<void(int signal)> onStop);
    ~StopSignals() override;

private:
    class Private;
    Private* d;
};

}  // namespace qm
