#pragma once

#include <string>

namespace sim {

// The simulator's listening TCP socket, for the network modes.
struct Listener {
    int fd = -1;
    int port = 0;     // the port actually bound (the system's choice for port 0)
    std::string url;  // what ports.cfg names: SCHEME://HOST:PORT, an IPv6 host in brackets
};

// Listens on a numeric address and port (0: any free port), non-blocking. Throws
// std::runtime_error with the system's reason.
Listener openListener(const std::string& address, int port, const std::string& scheme);
void closeListener(Listener& listener);

}  // namespace sim
