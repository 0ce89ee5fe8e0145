#pragma once

#include "line.h"
#include "options.h"
#include "session.h"
#include "station.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace sim {

// Serves the instruments over one way in: the serial line, or the TCP connections that come to a
// listening socket, each with its own framing and answer queue.
class Server {
public:
    Server(const Options& options, std::FILE* log);

    // Each runs until `stop` becomes non-zero and returns the process's exit code. The signals
    // that set `stop` should be blocked by the caller: they are let through only while waiting,
    // so that one arriving at any moment ends the wait at once.
    int serveLine(const Line& line, const volatile std::sig_atomic_t& stop);
    int serveConnections(int listener, const volatile std::sig_atomic_t& stop);

private:
    int loop(int listener, const volatile std::sig_atomic_t& stop);
    void acceptClient(int listener);
    void dropClient(std::size_t index, const char* why);

    const Options& m_options;
    Station m_station;
    std::vector<std::unique_ptr<Session>> m_sessions;
};

}  // namespace sim
