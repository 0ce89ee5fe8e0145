#pragma once

#include "framer.h"
#include "options.h"
#include "station.h"

#include <deque>
#include <string>
#include <vector>

namespace sim {

// How requests and answers are framed on a talker's stream.
enum class Wire {
    Rtu,   // RTU frames, CRC included: the serial line and RTU over TCP
    Mbap,  // Modbus TCP ADUs
};

// One talker's end: the serial line, or one TCP connection. Cuts requests out of what arrives,
// has the station answer them, and sends each answer with the timing faults of the addressed
// instrument (delay, pace, split, glue, stale answer). Answers leave one after another: an
// answer never starts before the previous one has been sent.
class Session {
public:
    // `connection`: a TCP connection, whose descriptor the session owns and closes, whose end of
    // stream means the peer has gone, and which --drop-after closes.
    Session(int fd, Wire wire, bool connection, Station& station, const Options& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int fd() const { return m_fd; }

    // Reads what has arrived. False when the peer has gone or the read failed; `error` says why.
    bool receive(short revents, Clock::time_point now, std::string& error);

    // Answers every request complete by now (a pause may end one without new bytes).
    void serve(Clock::time_point now);

    // Writes what is due. False when the write failed; `error` says why.
    bool pump(Clock::time_point now, std::string& error);

    // How long the caller may wait before the next byte is due.
    Clock::duration untilDue(Clock::time_point now) const;

    // Why the connection is to close now (its --drop-after answers are out, or its stream cannot
    // be framed), or nullptr while it goes on.
    const char* closeReason() const;

private:
    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        Clock::time_point start;
        bool paced = false;  // byte by byte at 19200 baud
    };

    void queueAnswer(int address, std::vector<std::uint8_t> answer, Clock::time_point now);
    std::vector<std::uint8_t> staleCopyOf(const std::vector<std::uint8_t>& answer) const;
    void send(std::vector<std::uint8_t> bytes, Clock::time_point start, int pieces);
    bool dropReached() const { return m_options.dropAfter > 0 && m_answered >= m_options.dropAfter; }

    int m_fd;
    Wire m_wire;
    bool m_connection;
    Station& m_station;
    const Options& m_options;
    Framer m_framer;
    MbapFramer m_mbapFramer;
    std::deque<Outgoing> m_out;
    Clock::time_point m_lineFreeAt{};     // when the last queued answer has left
    std::vector<std::uint8_t> m_held;     // --glue: an answer waiting for the next one
    std::vector<std::uint8_t> m_previous; // the last answer queued, for --stale-answer
    int m_answered = 0;
};

}  // namespace sim
