#include "station.h"

#include "crc.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

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

modbus_t* onSocket(modbus_t* ctx, int fd, const char* what)
{
    if (!ctx)
        throw std::runtime_error(std::string(what) + ": " + modbus_strerror(errno));
    modbus_set_socket(ctx, fd);
    // libmodbus waits the response timeout before some exception answers; keep that wait tiny.
    modbus_set_response_timeout(ctx, 0, 1);
    return ctx;
}

// The RTU frame of a Modbus TCP request (address, PDU, CRC), which is what the instrument's
// checks and writes read.
std::vector<std::uint8_t> rtuFormOf(const std::vector<std::uint8_t>& adu)
{
    std::vector<std::uint8_t> rtu(adu.begin() + 6, adu.end());
    rtu.resize(rtu.size() + 2);
    appendCrc(rtu.data(), rtu.size() - 2);
    return rtu;
}

}  // namespace

Station::Station(const Options& options, std::FILE* log)
    : m_options(options)
    , m_log(log)
    , m_started(Clock::now())
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_pair) != 0)
        throw std::runtime_error(std::string("socketpair: ") + std::strerror(errno));
    // Both contexts only format answers into the pair; neither opens anything of its own.
    m_rtu = onSocket(modbus_new_rtu("/dev/null", 19200, 'N', 8, 1), m_pair[0], "modbus_new_rtu");
    m_tcp = onSocket(modbus_new_tcp("127.0.0.1", MODBUS_TCP_DEFAULT_PORT), m_pair[0], "modbus_new_tcp");

    const std::time_t now = std::time(nullptr);
    for (int a = options.first; a < options.first + options.count; ++a) {
        InstrumentSetup setup;
        setup.address = a;
        setup.typeCode = options.typeFor(a);
        setup.archiveRecords = options.archiveFor(a);
        setup.period = options.periodFor(a);
        setup.fixed = options.fixed;
        setup.seed = options.seed;
        setup.drives = options.drives;
        m_instruments.emplace(a, std::make_unique<Instrument>(setup, now));
    }
}

Station::~Station()
{
    // modbus_free does not close a socket set with modbus_set_socket.
    if (m_rtu)
        modbus_free(m_rtu);
    if (m_tcp)
        modbus_free(m_tcp);
    for (int fd : m_pair)
        if (fd >= 0)
            close(fd);
}

void Station::logReceived(const Received& received)
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

Instrument* Station::answering(int address)
{
    const auto it = m_instruments.find(address);
    if (it == m_instruments.end() || m_options.silent.count(address))
        return nullptr;
    return it->second.get();
}

int Station::refreshAndCheck(Instrument& instrument, const std::vector<std::uint8_t>& rtuRequest)
{
    instrument.refresh(std::chrono::duration<double>(Clock::now() - m_started).count(), std::time(nullptr));
    if (const auto it = m_options.exception.find(instrument.address()); it != m_options.exception.end())
        return it->second;
    return instrument.check(rtuRequest.data(), rtuRequest.size());
}

std::vector<std::uint8_t> Station::readBack(int rc)
{
    std::vector<std::uint8_t> answer;
    std::uint8_t buffer[600];
    for (;;) {
        const ssize_t n = read(m_pair[1], buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.insert(answer.end(), buffer, buffer + n);
    }
    if (rc <= 0)
        answer.clear();
    return answer;
}

std::vector<std::uint8_t> Station::answerRtu(const std::vector<std::uint8_t>& request)
{
    const int address = request[0];
    Instrument* instrument = answering(address);
    if (!instrument)
        return {};
    const int code = refreshAndCheck(*instrument, request);
    int rc;
    if (code != 0) {
        rc = modbus_reply_exception(m_rtu, request.data(), static_cast<unsigned>(code));
    } else {
        rc = modbus_reply(m_rtu, request.data(), static_cast<int>(request.size()), instrument->mapping());
        if (rc > 0)
            instrument->applyWrite(request.data(), request.size(), std::time(nullptr));
    }
    std::vector<std::uint8_t> answer = readBack(rc);
    if (answer.size() < 3)
        return {};
    if (const auto from = m_options.replyFrom.find(address); from != m_options.replyFrom.end()) {
        answer[0] = static_cast<std::uint8_t>(from->second);
        appendCrc(answer.data(), answer.size() - 2);
    }
    if (m_options.badCrc.count(address))
        answer[answer.size() / 2] ^= 0x01;  // one flipped bit: the CRC always catches it
    return answer;
}

std::vector<std::uint8_t> Station::answerMbap(const std::vector<std::uint8_t>& adu)
{
    const int unit = adu[6];
    Instrument* instrument = answering(unit);
    int rc;
    if (!instrument) {
        if (!m_options.gatewayExceptions)
            return {};
        rc = modbus_reply_exception(m_tcp, adu.data(), MODBUS_EXCEPTION_GATEWAY_TARGET);
    } else {
        const std::vector<std::uint8_t> rtu = rtuFormOf(adu);
        const int code = refreshAndCheck(*instrument, rtu);
        // modbus_reply trusts the request's own counts; the instrument's checks have vouched for
        // them against the request's length, and the padding guards what they do not cover.
        std::vector<std::uint8_t> padded = adu;
        padded.resize(MODBUS_TCP_MAX_ADU_LENGTH + 8, 0);
        if (code != 0) {
            rc = modbus_reply_exception(m_tcp, padded.data(), static_cast<unsigned>(code));
        } else {
            rc = modbus_reply(m_tcp, padded.data(), static_cast<int>(adu.size()), instrument->mapping());
            if (rc > 0)
                instrument->applyWrite(rtu.data(), rtu.size(), std::time(nullptr));
        }
    }
    std::vector<std::uint8_t> answer = readBack(rc);
    if (answer.size() < 8)
        return {};
    if (const auto from = m_options.replyFrom.find(unit); from != m_options.replyFrom.end())
        answer[6] = static_cast<std::uint8_t>(from->second);
    // Modbus TCP has no CRC; the nearest thing to a corrupted answer that a master can tell is
    // one that is not Modbus at all: protocol id 1. The stream stays in step.
    if (m_options.badCrc.count(unit))
        answer[3] = 0x01;
    return answer;
}

}  // namespace sim
