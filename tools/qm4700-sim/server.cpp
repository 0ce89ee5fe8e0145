#include "server.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {
constexpr auto IdleWake = std::chrono::milliseconds(20);
}

Server::Server(const Options& options, std::FILE* log)
    : m_options(options)
    , m_station(options, log)
{
}

int Server::serveLine(const Line& line, const volatile std::sig_atomic_t& stop)
{
    m_sessions.push_back(std::make_unique<Session>(line.fd, Wire::Rtu, false, m_station, m_options));
    return loop(-1, stop);
}

int Server::serveConnections(int listener, const volatile std::sig_atomic_t& stop)
{
    return loop(listener, stop);
}

void Server::acceptClient(int listener)
{
    const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;  // gone before we took it, or out of descriptors: the loop carries on
    if (m_sessions.size() >= static_cast<std::size_t>(m_options.maxClients)) {
        // As a serial device server with its one connection taken: accepted and closed at once.
        std::fprintf(stderr, "qm4700-sim: connection refused, %d already served\n", m_options.maxClients);
        close(fd);
        return;
    }
    // Every write leaves at once as its own segment, so that --split really splits.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_sessions.push_back(std::make_unique<Session>(
        fd, m_options.mode == Mode::ModbusTcp ? Wire::Mbap : Wire::Rtu, true, m_station, m_options));
}

void Server::dropClient(std::size_t index, const char* why)
{
    std::fprintf(stderr, "qm4700-sim: connection closed: %s\n", why);
    m_sessions.erase(m_sessions.begin() + static_cast<long>(index));
}

int Server::loop(int listener, const volatile std::sig_atomic_t& stop)
{
    const bool serial = listener < 0;
    sigset_t whileWaiting;
    sigemptyset(&whileWaiting);
    std::vector<pollfd> fds;
    while (!stop) {
        auto now = Clock::now();
        Clock::duration wait = IdleWake;
        fds.clear();
        for (const auto& s : m_sessions) {
            wait = std::min(wait, s->untilDue(now));
            fds.push_back({s->fd(), POLLIN, 0});
        }
        if (!serial)
            fds.push_back({listener, POLLIN, 0});
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        const int ready = ppoll(fds.data(), fds.size(), &timeout, &whileWaiting);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "qm4700-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (stop)
            break;

        now = Clock::now();
        std::string error;
        // Sessions are dropped from the back so that the descriptors polled keep their places.
        for (std::size_t i = m_sessions.size(); i-- > 0;) {
            if (ready <= 0 || fds[i].revents == 0 || m_sessions[i]->receive(fds[i].revents, now, error))
                continue;
            if (serial) {
                std::fprintf(stderr, "qm4700-sim: the line is gone: %s\n", error.c_str());
                return 1;
            }
            dropClient(i, error.c_str());
        }
        if (!serial && ready > 0 && (fds.back().revents & POLLIN))
            acceptClient(listener);

        now = Clock::now();
        for (std::size_t i = m_sessions.size(); i-- > 0;) {
            Session& s = *m_sessions[i];
            s.serve(now);
            if (!s.pump(Clock::now(), error)) {
                if (serial) {
                    std::fprintf(stderr, "qm4700-sim: write: %s\n", error.c_str());
                    return 1;
                }
                dropClient(i, error.c_str());
            } else if (const char* why = s.closeReason()) {
                dropClient(i, why);
            }
        }
    }
    return 0;
}

}  // namespace sim
