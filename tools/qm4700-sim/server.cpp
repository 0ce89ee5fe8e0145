#include "server.h"

#include "crc.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

// 19200 baud, 8N1: ten bit times per byte.
constexpr auto ByteTime = std::chrono::nanoseconds(1000000000LL * 10 / 19200);
constexpr auto IdleWake = std::chrono::milliseconds(20);

std::string timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    char out[48];
    std::snprintf(out, sizeof out, "%s.%03d", text, static_cast<int>(ms));
    return out;
}

}  // namespace

Server::Server(const Options& options, const Line& line, std::FILE* log)
    : m_options(options)
    , m_line(line)
    , m_log(log)
    , m_started(Clock::now())
{
    m_ctx = modbus_new_rtu("/dev/null", 19200, 'N', 8, 1);
    if (!m_ctx)
        throw std::runtime_error(std::string("modbus_new_rtu: ") + modbus_strerror(errno));
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_pair) != 0)
        throw std::runtime_error(std::string("socketpair: ") + std::strerror(errno));
    modbus_set_socket(m_ctx, m_pair[0]);
    // libmodbus waits the response timeout before some exception answers; keep that wait tiny.
    modbus_set_response_timeout(m_ctx, 0, 1);

    const std::time_t now = std::time(nullptr);
    for (int a = options.first; a < options.first + options.count; ++a) {
        InstrumentSetup setup;
        setup.address = a;
        setup.typeCode = options.typeFor(a);
        setup.archiveRecords = options.archiveFor(a);
        setup.period = options.periodFor(a);
        setup.fixed = options.fixed;
        setup.seed = options.seed;
        m_instruments.emplace(a, std::make_unique<Instrument>(setup, now));
    }
}

Server::~Server()
{
    modbus_free(m_ctx);  // does not close the socket set with modbus_set_socket
    for (int fd : m_pair)
        if (fd >= 0)
            close(fd);
}

void Server::logReceived(const Received& received)
{
    if (!m_log)
        return;
    std::string line = timestamp();
    if (!received.valid)
        line += " junk";
    for (std::uint8_t b : received.bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    std::fprintf(m_log, "%s\n", line.c_str());
    std::fflush(m_log);
}

std::vector<std::uint8_t> Server::buildAnswer(Instrument& instrument, const std::vector<std::uint8_t>& request)
{
    instrument.refresh(std::chrono::duration<double>(Clock::now() - m_started).count(), std::time(nullptr));

    int code = instrument.check(request.data(), request.size());
    if (const auto it = m_options.exception.find(instrument.address()); it != m_options.exception.end())
        code = it->second;
    int rc;
    if (code != 0) {
        rc = modbus_reply_exception(m_ctx, request.data(), static_cast<unsigned>(code));
    } else {
        rc = modbus_reply(m_ctx, request.data(), static_cast<int>(request.size()), instrument.mapping());
        if (rc > 0)
            instrument.applyWrite(request.data(), request.size(), std::time(nullptr));
    }
    std::vector<std::uint8_t> answer;
    if (rc <= 0)
        return answer;
    std::uint8_t buffer[600];
    for (;;) {
        const ssize_t n = read(m_pair[1], buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.insert(answer.end(), buffer, buffer + n);
    }
    return answer;
}

void Server::handle(const std::vector<std::uint8_t>& request, Clock::time_point now)
{
    const int address = request[0];
    const auto it = m_instruments.find(address);
    if (it == m_instruments.end() || m_options.silent.count(address))
        return;
    std::vector<std::uint8_t> answer = buildAnswer(*it->second, request);
    if (answer.size() < 3)
        return;
    if (const auto from = m_options.replyFrom.find(address); from != m_options.replyFrom.end()) {
        answer[0] = static_cast<std::uint8_t>(from->second);
        appendCrc(answer.data(), answer.size() - 2);
    }
    if (m_options.badCrc.count(address))
        answer[answer.size() / 2] ^= 0x01;  // one flipped bit: the CRC always catches it
    auto start = now;
    if (const auto delay = m_options.delayMs.find(address); delay != m_options.delayMs.end())
        start += std::chrono::milliseconds(delay->second);
    send(std::move(answer), start);
}

void Server::send(std::vector<std::uint8_t> bytes, Clock::time_point start)
{
    // One talker at a time: an answer never overtakes or overlaps the one before it.
    if (start < m_lineFreeAt)
        start = m_lineFreeAt;
    m_lineFreeAt = start + (m_options.pace ? ByteTime * static_cast<long>(bytes.size()) : Clock::duration::zero());
    m_out.push_back({std::move(bytes), 0, start});
}

bool Server::pump(Clock::time_point now)
{
    while (!m_out.empty()) {
        Outgoing& o = m_out.front();
        if (now < o.start)
            return true;
        std::size_t due = o.bytes.size();
        if (m_options.pace)
            due = std::min<std::size_t>(due, static_cast<std::size_t>((now - o.start) / ByteTime) + 1);
        while (o.sent < due) {
            const ssize_t n = write(m_line.fd, o.bytes.data() + o.sent, due - o.sent);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return true;
                std::fprintf(stderr, "qm4700-sim: write: %s\n", std::strerror(errno));
                return false;
            }
            o.sent += static_cast<std::size_t>(n);
        }
        if (o.sent < o.bytes.size())
            return true;
        m_out.pop_front();
    }
    return true;
}

Clock::duration Server::untilNextByte(Clock::time_point now) const
{
    Clock::duration wait = IdleWake;
    if (!m_out.empty()) {
        const Outgoing& o = m_out.front();
        const auto next = m_options.pace ? o.start + ByteTime * static_cast<long>(o.sent) : o.start;
        wait = std::min(wait, std::max(Clock::duration::zero(), next - now));
    }
    return wait;
}

int Server::run(const volatile std::sig_atomic_t& stop)
{
    std::uint8_t buffer[1024];
    while (!stop) {
        const auto wait = untilNextByte(Clock::now());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd pfd{m_line.fd, POLLIN, 0};
        const int ready = ppoll(&pfd, 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "qm4700-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (ready > 0 && pfd.revents) {
            const ssize_t n = read(m_line.fd, buffer, sizeof buffer);
            if (n > 0) {
                m_framer.feed(buffer, static_cast<std::size_t>(n), Clock::now());
            } else if (n < 0 ? (errno != EAGAIN && errno != EINTR) : (pfd.revents & (POLLHUP | POLLERR)) != 0) {
                std::fprintf(stderr, "qm4700-sim: the line is gone: %s\n", n < 0 ? std::strerror(errno) : "hang-up");
                return 1;
            }
        }
        const auto now = Clock::now();
        for (const Received& received : m_framer.take(now)) {
            logReceived(received);
            if (received.valid)
                handle(received.bytes, now);
        }
        if (!pump(Clock::now()))
            return 1;
    }
    return 0;
}

}  // namespace sim
