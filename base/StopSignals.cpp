#include "StopSignals.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {
int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

class StopSignals::Private {
public:
    QSocketNotifier* notifier = nullptr;
};

StopSignals::StopSignals(QObject* parent, std::function<void(int)> onStop) : QObject(parent), d(new Private)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    d->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [onStop = std::move(onStop)] {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) onStop(byte);
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    delete d;
}

}  // namespace qm

#else

namespace qm {
class StopSignals::Private {};
StopSignals::StopSignals(QObject* parent, std::function<void(int)>) : QObject(parent), d(nullptr) {}
StopSignals::~StopSignals() = default;
}  // namespace qm

#endif
