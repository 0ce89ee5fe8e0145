#include "line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sstream>
#include <strings.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void makeRaw(int fd, const std::string& name)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        fail("tcgetattr " + name);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        fail("tcsetattr " + name);
}

void setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        fail("fcntl");
}

}  // namespace

Line openLine(const std::string& device)
{
    Line line;
    if (device.empty()) {
        int master = -1, slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            fail("openpty");
        line.fd = master;
        line.keepOpenFd = slave;
        line.devicePath = name;
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
        makeRaw(slave, line.devicePath);
        makeRaw(master, "pseudo-terminal master");
    } else {
        line.fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (line.fd < 0)
            fail("open " + device);
        line.devicePath = device;
        makeRaw(line.fd, device);
    }
    setNonBlocking(line.fd);
    return line;
}

void closeLine(Line& line)
{
    if (line.fd >= 0)
        close(line.fd);
    if (line.keepOpenFd >= 0)
        close(line.keepOpenFd);
    line.fd = line.keepOpenFd = -1;
}

void updatePortsCfg(const std::string& file, int com, const std::string& device)
{
    const std::string key = "COM" + std::to_string(com);
    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        std::string text;
        while (std::getline(in, text)) {
            std::string first;
            std::istringstream(text) >> first;
            if (strcasecmp(first.c_str(), key.c_str()) != 0)
                lines.push_back(text);
        }
    }
    lines.push_back(key + " " + device);

    const std::string temp = file + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& text : lines)
            out << text << '\n';
        out.flush();
        if (!out)
            throw std::runtime_error("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        const int saved = errno;
        std::remove(temp.c_str());
        errno = saved;
        fail("rename " + temp + " to " + file);
    }
}

}  // namespace sim
