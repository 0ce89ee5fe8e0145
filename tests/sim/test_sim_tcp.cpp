// The simulator over TCP, seen by a plain socket client: RTU frames as a serial device server
// passes them, Modbus TCP as a gateway serves them, the TCP faults, and readings driven in time.

#include "SimProcess.h"
#include "crc.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using simtest::SimProcess;
using simtest::SteadyClock;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

enum class Mode { RtuOverTcp, ModbusTcp };

const char* flagOf(Mode mode)
{
    return mode == Mode::RtuOverTcp ? "--rtu-over-tcp" : "--modbus-tcp";
}

std::vector<std::string> withMode(Mode mode, std::vector<std::string> args)
{
    args.insert(args.begin(), {flagOf(mode), "0"});
    return args;
}

// A read of holding registers: an RTU frame with its CRC, or a Modbus TCP ADU.
Bytes rtuRead(int address, int ref, int count)
{
    Bytes f = {std::uint8_t(address), 3, std::uint8_t(ref >> 8), std::uint8_t(ref), std::uint8_t(count >> 8),
               std::uint8_t(count), 0, 0};
    sim::appendCrc(f.data(), 6);
    return f;
}

Bytes mbapRead(int transaction, int unit, int ref, int count)
{
    return {std::uint8_t(transaction >> 8), std::uint8_t(transaction), 0, 0, 0, 6, std::uint8_t(unit), 3,
            std::uint8_t(ref >> 8), std::uint8_t(ref), std::uint8_t(count >> 8), std::uint8_t(count)};
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes readRequest(Mode mode, int unit, int ref, int count, int transaction = 1)
{
    return mode == Mode::RtuOverTcp ? rtuRead(unit, ref, count) : mbapRead(transaction, unit, ref, count);
}

// Bytes of the answer to a read of `count` registers.
std::size_t answerLength(Mode mode, int count)
{
    return mode == Mode::RtuOverTcp ? 5 + 2 * count : 9 + 2 * count;
}

// Register i of a read answer (i counted from the first register read).
int registerOf(Mode mode, const Bytes& answer, int i)
{
    const std::size_t at = (mode == Mode::RtuOverTcp ? 3 : 9) + 2 * i;
    return static_cast<std::int16_t>((answer.at(at) << 8) | answer.at(at + 1));
}

struct Arrival {
    Bytes bytes;
    int reads = 0;       // recv calls that returned data
    bool closed = false; // the simulator closed the connection
};

class Client {
public:
    explicit Client(int port)
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            close(m_fd);
            m_fd = -1;
        }
        const int on = 1;
        if (m_fd >= 0)
            setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~Client()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool connected() const { return m_fd >= 0; }

    void send(const Bytes& bytes) const { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // Each byte in its own segment, a pause between them.
    void sendByteByByte(const Bytes& bytes) const
    {
        for (std::uint8_t b : bytes) {
            ::send(m_fd, &b, 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(3ms);
        }
    }

    // Reads until `want` bytes have come, the connection closes, or `wait` passes.
    Arrival receive(std::size_t want, std::chrono::milliseconds wait = 1000ms) const
    {
        Arrival a;
        const auto deadline = SteadyClock::now() + wait;
        while (a.bytes.size() < want) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            pollfd pfd{m_fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                break;
            std::uint8_t buffer[1024];
            const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                a.closed = true;
                break;
            }
            a.bytes.insert(a.bytes.end(), buffer, buffer + n);
            ++a.reads;
        }
        return a;
    }

private:
    int m_fd = -1;
};

TEST(SimRtuOverTcp, RequestsAreCutOutOfTheStreamByLengthAndCrc)
{
    SimProcess sim({"--rtu-over-tcp", "0", "--first", "1", "--count", "2", "--fixed"});
    ASSERT_EQ(sim.device().rfind("rtuovertcp://127.0.0.1:", 0), 0u) << sim.device();
    Client client(sim.port());
    ASSERT_TRUE(client.connected());
    const Bytes one = rtuRead(1, 1, 4), two = rtuRead(2, 1, 4);
    const Bytes both = join({one, two});
    const Bytes junkFirst = join({{0x55, 0x03, 0x11}, two});

    struct Row {
        const char* how;
        std::function<void()> send;
        std::vector<int> addresses;  // of the answers, in order
    } rows[] = {
        {"byte by byte", [&] { client.sendByteByByte(one); }, {1}},
        {"two requests in one write", [&] { client.send(both); }, {1, 2}},
        {"junk before the request", [&] { client.send(junkFirst); }, {2}},
        {"halves with a pause", [&] { client.send(Bytes(one.begin(), one.begin() + 3));
                                      std::this_thread::sleep_for(100ms);
                                      client.send(Bytes(one.begin() + 3, one.end())); }, {1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        row.send();
        const std::size_t length = answerLength(Mode::RtuOverTcp, 4);
        const Arrival a = client.receive(length * row.addresses.size());
        ASSERT_EQ(a.bytes.size(), length * row.addresses.size());
        for (std::size_t i = 0; i < row.addresses.size(); ++i) {
            const Bytes answer(a.bytes.begin() + long(i * length), a.bytes.begin() + long((i + 1) * length));
            EXPECT_TRUE(sim::crcOk(answer.data(), answer.size()));
            EXPECT_EQ(answer[0], row.addresses[i]);
            EXPECT_EQ(registerOf(Mode::RtuOverTcp, answer, 0), 700 + row.addresses[i]);
        }
    }
}

// Each fault of an instrument, over both ways in.
TEST(SimTcp, FaultsOfTheAddressedInstrument)
{
    enum class Seen { Registers, Nothing, BadFrame, Exception2, FromNine, Late };
    struct Row {
        int unit;
        Seen seen;
    } rows[] = {
        {1, Seen::Registers}, {2, Seen::Nothing}, {3, Seen::BadFrame}, {4, Seen::Exception2},
        {5, Seen::FromNine},  {6, Seen::Late},    {9, Seen::Nothing},
    };
    for (Mode mode : {Mode::RtuOverTcp, Mode::ModbusTcp}) {
        SimProcess sim(withMode(mode, {"--count", "6", "--fixed", "--silent", "2", "--bad-crc", "3", "--exception",
                                       "4:2", "--reply-from", "5:9", "--delay-ms", "6:400"}));
        Client client(sim.port());
        ASSERT_TRUE(client.connected()) << sim.device();
        int transaction = 100;
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(flagOf(mode)) + ", address " + std::to_string(row.unit));
            const auto sent = SteadyClock::now();
            client.send(readRequest(mode, row.unit, 1, 1, ++transaction));
            const std::size_t full = answerLength(mode, 1);
            const Arrival a = client.receive(row.seen == Seen::Exception2 ? full - 2 : full,
                                             row.seen == Seen::Nothing ? 300ms : 1000ms);
            if (row.seen == Seen::Nothing) {
                EXPECT_TRUE(a.bytes.empty());
                continue;
            }
            ASSERT_GE(a.bytes.size(), mode == Mode::RtuOverTcp ? 5u : 9u);
            const bool rtu = mode == Mode::RtuOverTcp;
            const int pdu = rtu ? 1 : 7;  // function code's place
            const bool crcOk = !rtu || sim::crcOk(a.bytes.data(), a.bytes.size());
            const bool protocolOk = rtu || (a.bytes[2] == 0 && a.bytes[3] == 0);
            if (!rtu) {
                EXPECT_EQ((a.bytes[0] << 8) | a.bytes[1], transaction) << "the transaction id is echoed";
            }
            switch (row.seen) {
            case Seen::Registers:
            case Seen::Late:
                EXPECT_TRUE(crcOk && protocolOk);
                EXPECT_EQ(registerOf(mode, a.bytes, 0), 700 + row.unit);
                if (row.seen == Seen::Late) {
                    EXPECT_GE(SteadyClock::now() - sent, 400ms);
                }
                break;
            case Seen::BadFrame:
                EXPECT_FALSE(crcOk && protocolOk);
                break;
            case Seen::Exception2:
                EXPECT_TRUE(crcOk && protocolOk);
                EXPECT_EQ(a.bytes[pdu], 0x83);
                EXPECT_EQ(a.bytes[pdu + 1], 2);
                break;
            case Seen::FromNine:
                EXPECT_TRUE(crcOk && protocolOk);
                EXPECT_EQ(a.bytes[pdu - 1], 9);
                break;
            case Seen::Nothing:
                break;
            }
        }
        EXPECT_EQ(sim.stop(), 0) << "SIGTERM with a client connected";
    }
}

TEST(SimTcp, SplitAnswerArrivesInPiecesThatMakeItWhole)
{
    for (Mode mode : {Mode::RtuOverTcp, Mode::ModbusTcp}) {
        SCOPED_TRACE(flagOf(mode));
        SimProcess sim(withMode(mode, {"--fixed", "--split", "1:4"}));
        Client client(sim.port());
        ASSERT_TRUE(client.connected());
        client.send(readRequest(mode, 1, 0, 9));
        const Arrival a = client.receive(answerLength(mode, 9));
        ASSERT_EQ(a.bytes.size(), answerLength(mode, 9));
        EXPECT_GT(a.reads, 1);
        EXPECT_EQ(registerOf(mode, a.bytes, 1), 701);
        if (mode == Mode::RtuOverTcp) {
            EXPECT_TRUE(sim::crcOk(a.bytes.data(), a.bytes.size()));
        }
    }
}

TEST(SimTcp, GluedAnswerComesWithTheNextOne)
{
    for (Mode mode : {Mode::RtuOverTcp, Mode::ModbusTcp}) {
        SCOPED_TRACE(flagOf(mode));
        SimProcess sim(withMode(mode, {"--count", "2", "--fixed", "--glue", "1"}));
        Client client(sim.port());
        ASSERT_TRUE(client.connected());
        const std::size_t length = answerLength(mode, 1);
        client.send(readRequest(mode, 1, 1, 1, 1));
        EXPECT_TRUE(client.receive(length, 300ms).bytes.empty()) << "held back";
        client.send(readRequest(mode, 2, 1, 1, 2));
        const Arrival a = client.receive(2 * length);
        ASSERT_EQ(a.bytes.size(), 2 * length);
        EXPECT_EQ(a.reads, 1) << "one write";
        EXPECT_EQ(registerOf(mode, a.bytes, 0), 701);
        EXPECT_EQ(registerOf(mode, Bytes(a.bytes.begin() + long(length), a.bytes.end()), 0), 702);
    }
}

TEST(SimTcp, DropAfterClosesTheConnectionAndTheNextIsServed)
{
    for (Mode mode : {Mode::RtuOverTcp, Mode::ModbusTcp}) {
        SCOPED_TRACE(flagOf(mode));
        SimProcess sim(withMode(mode, {"--fixed", "--drop-after", "2"}));
        for (int connection = 1; connection <= 2; ++connection) {
            Client client(sim.port());
            ASSERT_TRUE(client.connected());
            for (int request = 1; request <= 2; ++request) {
                client.send(readRequest(mode, 1, 1, 1, request));
                EXPECT_EQ(client.receive(answerLength(mode, 1)).bytes.size(), answerLength(mode, 1));
            }
            EXPECT_TRUE(client.receive(1).closed) << "connection " << connection;
        }
    }
}

TEST(SimTcp, ConnectionsBeyondMaxClientsAreClosedAtOnce)
{
    SimProcess sim({"--modbus-tcp", "0", "--fixed", "--max-clients", "1"});
    Client first(sim.port());
    first.send(mbapRead(1, 1, 1, 1));
    ASSERT_EQ(first.receive(answerLength(Mode::ModbusTcp, 1)).bytes.size(), answerLength(Mode::ModbusTcp, 1));
    Client second(sim.port());
    EXPECT_TRUE(second.receive(1).closed);
    first.send(mbapRead(2, 1, 1, 1));
    EXPECT_EQ(first.receive(answerLength(Mode::ModbusTcp, 1)).bytes.size(), answerLength(Mode::ModbusTcp, 1));
}

TEST(SimModbusTcp, StaleAnswerWithAnOlderTransactionIdComesFirst)
{
    SimProcess sim({"--modbus-tcp", "0", "--fixed", "--stale-answer", "1"});
    Client client(sim.port());
    ASSERT_TRUE(client.connected());
    const std::size_t length = answerLength(Mode::ModbusTcp, 1);
    // The first stale answer is a copy with the id before; later ones repeat the previous answer.
    for (const auto& [transaction, staleId] : {std::pair{7, 6}, std::pair{8, 7}}) {
        client.send(mbapRead(transaction, 1, 1, 1));
        const Arrival a = client.receive(2 * length);
        ASSERT_EQ(a.bytes.size(), 2 * length);
        EXPECT_EQ((a.bytes[0] << 8) | a.bytes[1], staleId);
        EXPECT_EQ((a.bytes[length] << 8) | a.bytes[length + 1], transaction);
        EXPECT_EQ(registerOf(Mode::ModbusTcp, Bytes(a.bytes.begin() + long(length), a.bytes.end()), 0), 701);
    }
}

// pH held at 8.90 from second 1 to 2; T ramped from 10.0 at 0 s to 30.0 at 2 s; then both back
// to the frozen 7.01 and 21.0. The simulator's second s is only known to lie between two moments
// (its start falls between fork and first line), so each read is checked against that interval.
TEST(SimDrives, RegistersFollowSetAndRampInTime)
{
    SimProcess sim({"--modbus-tcp", "0", "--fixed", "--set", "1:ph=8.90@1-2", "--ramp", "1:t=10..30@0-2"});
    Client client(sim.port());
    ASSERT_TRUE(client.connected());
    auto seconds = [](SteadyClock::duration d) { return std::chrono::duration<double>(d).count(); };
    int before = 0, during = 0, after = 0;
    for (int transaction = 1; seconds(SteadyClock::now() - sim.startedBy()) < 2.6; ++transaction) {
        const auto sent = SteadyClock::now();
        client.send(mbapRead(transaction, 1, 1, 3));
        const Arrival a = client.receive(answerLength(Mode::ModbusTcp, 3));
        ASSERT_EQ(a.bytes.size(), answerLength(Mode::ModbusTcp, 3));
        const double earliest = seconds(sent - sim.startedBy());
        const double latest = seconds(SteadyClock::now() - sim.startedAfter());
        const int ph = registerOf(Mode::ModbusTcp, a.bytes, 0);
        const int t = registerOf(Mode::ModbusTcp, a.bytes, 2);
        SCOPED_TRACE("between " + std::to_string(earliest) + " and " + std::to_string(latest) + " s: pH " +
                     std::to_string(ph) + ", T " + std::to_string(t));
        if (latest < 1 || earliest >= 2) {
            EXPECT_EQ(ph, 701);
        } else if (earliest >= 1 && latest < 2) {
            EXPECT_EQ(ph, 890);
        }
        if (latest < 2) {
            EXPECT_GE(t, static_cast<int>(100 + 100 * std::max(earliest, 0.0)) - 1);
            EXPECT_LE(t, static_cast<int>(100 + 100 * latest) + 1);
        } else if (earliest >= 2) {
            EXPECT_EQ(t, 210);
        }
        before += latest < 1;
        during += earliest >= 1 && latest < 2;
        after += earliest >= 2;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_GT(before, 0);
    EXPECT_GT(during, 0);
    EXPECT_GT(after, 0);
}

TEST(SimOptions, MistakesEndWithCode2AndTheVersionIsPrinted)
{
    struct Row {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {{"--modbus-tcp", "0", "--rtu-over-tcp", "0"}, "not both"},
        {{"--rtu-over-tcp", "0", "--device", "/dev/null"}, "--device"},
        {{"--drop-after", "2"}, "needs --rtu-over-tcp or --modbus-tcp"},
        {{"--rtu-over-tcp", "0", "--stale-answer", "1"}, "needs --modbus-tcp"},
        {{"--modbus-tcp", "0", "--listen", "localhost"}, "numeric"},
        {{"--ramp", "1:ph=6.5..9@5-"}, "end time"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.front() + " ... " + row.args.back());
        SimProcess sim(row.args);
        std::string error;
        EXPECT_EQ(sim.exitCode(&error), 2);
        EXPECT_NE(error.find(row.message), std::string::npos) << error;
    }
    SimProcess version({"--version"});
    EXPECT_EQ(version.device(), std::string("qm4700-sim ") + QM_VERSION);
    EXPECT_EQ(version.exitCode(), 0);
}

}  // namespace
