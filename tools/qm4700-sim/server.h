#pragma once

#include "framer.h"
#include "instrument.h"
#include "line.h"
#include "options.h"

#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>

namespace sim {

// Serves the instruments of one line: cuts requests out of the byte stream, has libmodbus build
// each answer, applies the faults of the addressed instrument and sends the answer.
class Server {
public:
    Server(const Options& options, const Line& line, std::FILE* log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Runs until `stop` becomes non-zero; returns the process's exit code.
    int run(const volatile std::sig_atomic_t& stop);

private:
    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        Clock::time_point start;
    };

    void logReceived(const Received& received);
    void handle(const std::vector<std::uint8_t>& request, Clock::time_point now);
    std::vector<std::uint8_t> buildAnswer(Instrument& instrument, const std::vector<std::uint8_t>& request);
    void send(std::vector<std::uint8_t> bytes, Clock::time_point start);
    bool pump(Clock::time_point now);
    Clock::duration untilNextByte(Clock::time_point now) const;

    const Options& m_options;
    Line m_line;
    std::FILE* m_log;
    modbus_t* m_ctx = nullptr;
    int m_pair[2] = {-1, -1};  // modbus_reply writes into [0]; the answer is read back from [1]
    std::map<int, std::unique_ptr<Instrument>> m_instruments;
    Framer m_framer;
    std::deque<Outgoing> m_out;
    Clock::time_point m_lineFreeAt{};  // when the last queued answer has left
    Clock::time_point m_started;
};

}  // namespace sim
