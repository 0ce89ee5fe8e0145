#include "framer.h"

#include "crc.h"

namespace sim {

namespace {
constexpr std::size_t MaxBuffered = 600;
}

int Framer::expectedLength(const std::uint8_t* data, std::size_t available)
{
    if (available < 2)
        return 0;
    switch (data[1]) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8:
        return 8;
    case 7: case 11: case 12: case 17:
        return 4;
    case 15: case 16:
        return available < 7 ? 0 : 9 + data[6];
    case 22:
        return 10;
    case 23:
        return available < 11 ? 0 : 13 + data[10];
    default:
        return -1;
    }
}

void Framer::feed(const std::uint8_t* data, std::size_t length, Clock::time_point now)
{
    if (length == 0)
        return;
    m_buffer.insert(m_buffer.end(), data, data + length);
    m_last = now;
}

void Framer::dropOne()
{
    m_junk.push_back(m_buffer.front());
    m_buffer.erase(m_buffer.begin());
}

std::vector<Received> Framer::take(Clock::time_point now)
{
    std::vector<Received> out;
    auto emitJunk = [&] {
        if (!m_junk.empty()) {
            out.push_back({false, std::move(m_junk)});
            m_junk.clear();
        }
    };
    const bool gap = now - m_last >= m_gap;
    while (!m_buffer.empty()) {
        const std::size_t size = m_buffer.size();
        const int length = expectedLength(m_buffer.data(), size);
        if (length == 0 || (length > 0 && size < static_cast<std::size_t>(length))) {
            // Incomplete: wait for the rest unless the line has fallen silent.
            if (gap || size > MaxBuffered) {
                dropOne();
                continue;
            }
            break;
        }
        const std::size_t frameLength = length > 0 ? static_cast<std::size_t>(length) : size;
        if (length < 0 && !gap && size <= MaxBuffered)
            break;
        if (crcOk(m_buffer.data(), frameLength)) {
            emitJunk();
            out.push_back({true, std::vector<std::uint8_t>(m_buffer.begin(), m_buffer.begin() + static_cast<long>(frameLength))});
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<long>(frameLength));
            continue;
        }
        dropOne();
    }
    emitJunk();
    return out;
}

void MbapFramer::feed(const std::uint8_t* data, std::size_t length)
{
    m_buffer.insert(m_buffer.end(), data, data + length);
}

std::vector<Received> MbapFramer::take()
{
    std::vector<Received> out;
    while (!m_lost && m_buffer.size() >= HeaderLength) {
        const std::size_t length = static_cast<std::size_t>((m_buffer[4] << 8) | m_buffer[5]);
        if (length < 2 || length > 254) {
            m_lost = true;
            break;
        }
        const std::size_t total = 6 + length;
        if (m_buffer.size() < total)
            break;
        const bool modbus = m_buffer[2] == 0 && m_buffer[3] == 0;
        out.push_back({modbus, std::vector<std::uint8_t>(m_buffer.begin(), m_buffer.begin() + static_cast<long>(total))});
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<long>(total));
    }
    if (m_lost && !m_buffer.empty()) {
        out.push_back({false, std::move(m_buffer)});
        m_buffer.clear();
    }
    return out;
}

}  // namespace sim
