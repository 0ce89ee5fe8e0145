#include "listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

[[noreturn]] void fail(const std::string& what, int fd)
{
    const int saved = errno;
    if (fd >= 0)
        close(fd);
    throw std::runtime_error(what + ": " + std::strerror(saved));
}

}  // namespace

Listener openListener(const std::string& address, int port, const std::string& scheme)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    const bool ipv6 = address.find(':') != std::string::npos;
    if (!ipv6 && inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof *v4;
    } else if (ipv6 && inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof *v6;
    } else {
        throw std::runtime_error("not a numeric address: " + address);
    }

    const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        fail("socket", -1);
    const int on = 1;
    // A restarted simulator may take its port again at once, while old connections linger.
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const std::string where = (ipv6 ? "[" + address + "]" : address) + ":";
    if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0)
        fail("bind " + where + std::to_string(port), fd);
    if (listen(fd, 16) != 0)
        fail("listen " + where + std::to_string(port), fd);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        fail("getsockname", fd);

    Listener listener;
    listener.fd = fd;
    listener.port = ntohs(ipv6 ? v6->sin6_port : v4->sin_port);
    listener.url = scheme + "://" + where + std::to_string(listener.port);
    return listener;
}

void closeListener(Listener& listener)
{
    if (listener.fd >= 0)
        close(listener.fd);
    listener.fd = -1;
}

}  // namespace sim
