#pragma once

#include "framer.h"
#include "instrument.h"
#include "options.h"

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace sim {

// The instruments of one line and what each answers: libmodbus builds the answer from the
// addressed instrument's registers, then the instrument's faults that change the answer's bytes
// are applied. Requests come as RTU frames (CRC included) or as Modbus TCP ADUs (MBAP header
// included), and each answer comes back in the form of its request.
class Station {
public:
    Station(const Options& options, std::FILE* log);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Writes a received request, or the junk dropped while looking for one, to the --log file.
    void logReceived(const Received& received);

    // The answer to a request; empty when nobody answers it.
    std::vector<std::uint8_t> answerRtu(const std::vector<std::uint8_t>& request);
    std::vector<std::uint8_t> answerMbap(const std::vector<std::uint8_t>& adu);

private:
    Instrument* answering(int address);
    int refreshAndCheck(Instrument& instrument, const std::vector<std::uint8_t>& rtuRequest);
    std::vector<std::uint8_t> readBack(int rc);

    const Options& m_options;
    std::FILE* m_log;
    modbus_t* m_rtu = nullptr;
    modbus_t* m_tcp = nullptr;
    int m_pair[2] = {-1, -1};  // modbus_reply writes into [0]; the answer is read back from [1]
    std::map<int, std::unique_ptr<Instrument>> m_instruments;
    Clock::time_point m_started;
};

}  // namespace sim
