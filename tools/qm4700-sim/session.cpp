#include "session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

// 19200 baud, 8N1: ten bit times per byte.
constexpr auto ByteTime = std::chrono::nanoseconds(1000000000LL * 10 / 19200);
constexpr auto IdleWake = std::chrono::milliseconds(20);
// Between the pieces of a split answer: long enough for each to leave as its own segment.
constexpr auto PieceGap = std::chrono::milliseconds(5);
// A serial line ends a request by silence; over TCP the length ends it, so an incomplete request
// may wait for its rest as long as a serial device server's packing and the network take.
constexpr auto SerialGap = std::chrono::milliseconds(15);
constexpr auto TcpGap = std::chrono::milliseconds(1000);

}  // namespace

Session::Session(int fd, Wire wire, bool connection, Station& station, const Options& options)
    : m_fd(fd)
    , m_wire(wire)
    , m_connection(connection)
    , m_station(station)
    , m_options(options)
    , m_framer(connection ? TcpGap : SerialGap)
{
}

Session::~Session()
{
    if (m_connection && m_fd >= 0)
        close(m_fd);
}

bool Session::receive(short revents, Clock::time_point now, std::string& error)
{
    std::uint8_t buffer[1024];
    const ssize_t n = read(m_fd, buffer, sizeof buffer);
    if (n > 0) {
        if (m_wire == Wire::Rtu)
            m_framer.feed(buffer, static_cast<std::size_t>(n), now);
        else
            m_mbapFramer.feed(buffer, static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n < 0) {
        error = std::strerror(errno);
        return false;
    }
    // A socket's end of stream is the peer closing; a pseudo-terminal reports its end by hang-up.
    if (m_connection || (revents & (POLLHUP | POLLERR))) {
        error = m_connection ? "closed by the peer" : "hang-up";
        return false;
    }
    return true;
}

void Session::serve(Clock::time_point now)
{
    const std::vector<Received> requests = m_wire == Wire::Rtu ? m_framer.take(now) : m_mbapFramer.take();
    for (const Received& received : requests) {
        m_station.logReceived(received);
        if (!received.valid || dropReached())
            continue;
        std::vector<std::uint8_t> answer =
            m_wire == Wire::Rtu ? m_station.answerRtu(received.bytes) : m_station.answerMbap(received.bytes);
        if (!answer.empty())
            queueAnswer(m_wire == Wire::Rtu ? received.bytes[0] : received.bytes[6], std::move(answer), now);
    }
}

void Session::queueAnswer(int address, std::vector<std::uint8_t> answer, Clock::time_point now)
{
    if (m_options.glue.count(address) && m_held.empty()) {
        m_held = std::move(answer);
        return;
    }
    auto start = now;
    if (const auto delay = m_options.delayMs.find(address); delay != m_options.delayMs.end())
        start += std::chrono::milliseconds(delay->second);
    if (m_wire == Wire::Mbap && m_options.staleAnswer.count(address))
        send(staleCopyOf(answer), start, 1);
    m_previous = answer;
    ++m_answered;
    if (!m_held.empty()) {
        answer.insert(answer.begin(), m_held.begin(), m_held.end());
        m_held.clear();
        ++m_answered;
    }
    send(std::move(answer), start, m_options.splitFor(address));
}

std::vector<std::uint8_t> Session::staleCopyOf(const std::vector<std::uint8_t>& answer) const
{
    // The answer a gateway delivers late: the previous one on this connection, or, when that
    // carries the same transaction id, this one with the id before it.
    if (!m_previous.empty() && (m_previous[0] != answer[0] || m_previous[1] != answer[1]))
        return m_previous;
    std::vector<std::uint8_t> stale = answer;
    const int id = ((stale[0] << 8) | stale[1]) - 1;
    stale[0] = static_cast<std::uint8_t>((id >> 8) & 0xFF);
    stale[1] = static_cast<std::uint8_t>(id & 0xFF);
    return stale;
}

void Session::send(std::vector<std::uint8_t> bytes, Clock::time_point start, int pieces)
{
    if (start < m_lineFreeAt)
        start = m_lineFreeAt;
    // A gateway sends the answer whole once the instrument has finished it on the serial side;
    // a serial device server passes the bytes on as they come.
    const bool paced = m_options.pace && m_wire == Wire::Rtu;
    if (m_options.pace && m_wire == Wire::Mbap)
        start += ByteTime * static_cast<long>(bytes.size());
    const std::size_t n = std::clamp<std::size_t>(static_cast<std::size_t>(pieces), 1, bytes.size());
    auto at = start;
    for (std::size_t i = 0; i < n; ++i) {
        const auto begin = bytes.begin() + static_cast<long>(i * bytes.size() / n);
        const auto end = bytes.begin() + static_cast<long>((i + 1) * bytes.size() / n);
        if (i > 0)
            at += PieceGap;
        m_out.push_back({std::vector<std::uint8_t>(begin, end), 0, at, paced});
        if (paced)
            at += ByteTime * static_cast<long>(end - begin);
    }
    m_lineFreeAt = at;
}

bool Session::pump(Clock::time_point now, std::string& error)
{
    while (!m_out.empty()) {
        Outgoing& o = m_out.front();
        if (now < o.start)
            return true;
        std::size_t due = o.bytes.size();
        if (o.paced)
            due = std::min<std::size_t>(due, static_cast<std::size_t>((now - o.start) / ByteTime) + 1);
        while (o.sent < due) {
            const ssize_t n = write(m_fd, o.bytes.data() + o.sent, due - o.sent);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return true;
                error = std::strerror(errno);
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

Clock::duration Session::untilDue(Clock::time_point now) const
{
    Clock::duration wait = IdleWake;
    if (!m_out.empty()) {
        const Outgoing& o = m_out.front();
        const auto next = o.paced ? o.start + ByteTime * static_cast<long>(o.sent) : o.start;
        wait = std::min(wait, std::max(Clock::duration::zero(), next - now));
    }
    return wait;
}

const char* Session::closeReason() const
{
    if (!m_connection)
        return nullptr;
    if (m_mbapFramer.lost())
        return "a length no Modbus TCP request has";
    if (dropReached() && m_out.empty())
        return "--drop-after";
    return nullptr;
}

}  // namespace sim
