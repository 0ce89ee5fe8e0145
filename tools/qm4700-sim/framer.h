#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

struct Received {
    bool valid = false;  // a request whose CRC checks; otherwise bytes dropped while resyncing
    std::vector<std::uint8_t> bytes;
};

// Cuts the byte stream that the master sends into request frames. The length follows from the
// function code; a frame whose CRC fails loses its first byte and the search starts again one
// byte later. Bytes that have waited through a pause of `gap` without completing a frame are
// dropped the same way, and a function whose length is not known ends at such a pause.
class Framer {
public:
    explicit Framer(std::chrono::milliseconds gap = std::chrono::milliseconds(15))
        : m_gap(gap)
    {
    }

    void feed(const std::uint8_t* data, std::size_t length, Clock::time_point now);
    std::vector<Received> take(Clock::time_point now);
    bool pending() const { return !m_buffer.empty(); }

    // Bytes of a request of function code data[1], 0 when more bytes are needed to tell, -1 when
    // the function is not one whose length is known.
    static int expectedLength(const std::uint8_t* data, std::size_t available);

private:
    void dropOne();

    std::chrono::milliseconds m_gap;
    std::vector<std::uint8_t> m_buffer;
    std::vector<std::uint8_t> m_junk;
    Clock::time_point m_last{};
};

// Cuts Modbus TCP requests out of one connection's stream. Each is the 7-byte MBAP header
// (transaction id, protocol id, length, unit id) followed by length - 1 bytes of PDU, so the
// length alone ends it, whatever the segments were. TCP delivers bytes whole and in order, so
// there is nothing to resync: a length no request can have (outside 2..254) means the peer
// speaks something else, the rest of the stream is junk and the connection must go.
class MbapFramer {
public:
    static constexpr std::size_t HeaderLength = 7;

    void feed(const std::uint8_t* data, std::size_t length);
    // Complete requests; one whose protocol id is not 0 (not Modbus) comes back as junk.
    std::vector<Received> take();
    bool lost() const { return m_lost; }

private:
    std::vector<std::uint8_t> m_buffer;
    bool m_lost = false;
};

}  // namespace sim
