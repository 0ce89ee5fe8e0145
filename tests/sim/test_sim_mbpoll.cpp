// The simulator read and written by mbpoll, a Modbus master that shares no code with ours.

#include "SimProcess.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using simtest::SimProcess;

struct Poll {
    int exitCode = -1;
    std::string output;
    std::map<int, unsigned> regs;
};

// Runs mbpoll once against the simulator: a read of `count` registers from wire address `ref`,
// or a write of `values` there (one value: function 6, several: function 16). A device is
// polled over RTU at the line's settings, a tcp://HOST:PORT URL over Modbus TCP.
Poll mbpoll(const std::string& device, int address, int ref, int count, const std::vector<int>& values = {},
            double timeout = 1.0)
{
    std::ostringstream cmd;
    std::string target = device;
    cmd << QM_MBPOLL_PATH;
    if (device.rfind("tcp://", 0) == 0) {
        const auto colon = device.rfind(':');
        target = device.substr(6, colon - 6);
        cmd << " -m tcp -p " << device.substr(colon + 1);
    } else {
        cmd << " -m rtu -b 19200 -P none -d 8 -s 1";
    }
    cmd << " -q -1 -0 -t 4:hex -a " << address << " -r " << ref << " -o " << timeout;
    if (values.empty())
        cmd << " -c " << count;
    cmd << ' ' << target;
    for (int v : values)
        cmd << ' ' << v;
    cmd << " 2>&1";
    Poll result;
    std::FILE* p = popen(cmd.str().c_str(), "r");
    if (!p)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p))
        result.output += buffer;
    const int status = pclose(p);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    static const std::regex line(R"(\[(\d+)\]:\s+0x([0-9A-Fa-f]{4}))");
    for (std::sregex_iterator it(result.output.begin(), result.output.end(), line), end; it != end; ++it)
        result.regs[std::stoi((*it)[1])] = static_cast<unsigned>(std::stoul((*it)[2], nullptr, 16));
    return result;
}

std::string tempDir()
{
    char pattern[] = "/tmp/qm4700-sim-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

float floatOf(unsigned low, unsigned high)
{
    const std::uint32_t bits = (high << 16) | low;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Instruments 4..11 with frozen readings: 4, 5, 6 healthy (4 with 57 archive records, 5 with a
// wrapped ring of 257, 5's period 12), 7 silent, 8 bad CRC, 9 exception, 10 wrong type code,
// 11 answering as address 3.
class SimWithMbpoll : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (std::string(QM_MBPOLL_PATH).empty())
            return;
        s_dir = tempDir();
        s_sim = new SimProcess({"--first", "4", "--count", "8", "--fixed", "--archive", "4:57", "--archive", "5:257",
                                "--period", "5:12", "--silent", "7", "--bad-crc", "8", "--exception", "9",
                                "--wrong-id", "10", "--reply-from", "11:3", "--log", s_dir + "/requests.log"});
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        s_sim = nullptr;
        if (!s_dir.empty())
            std::filesystem::remove_all(s_dir);
    }
    void SetUp() override
    {
        if (std::string(QM_MBPOLL_PATH).empty())
            GTEST_SKIP() << "mbpoll is not installed";
        ASSERT_FALSE(s_sim->device().empty()) << "the simulator did not print its device";
    }
    static const std::string& device() { return s_sim->device(); }

    static SimProcess* s_sim;
    static std::string s_dir;
};

SimProcess* SimWithMbpoll::s_sim = nullptr;
std::string SimWithMbpoll::s_dir;

// Clock registers 5..7 for a moment of the computer's clock.
std::array<unsigned, 3> clockRegisters(std::time_t when)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    const int year = tm.tm_year + 1900;
    return {static_cast<unsigned>((year / 100) << 8 | (year % 100)),
            static_cast<unsigned>((tm.tm_mon + 1) << 8 | tm.tm_mday),
            static_cast<unsigned>(tm.tm_hour << 8 | tm.tm_min)};
}

TEST_F(SimWithMbpoll, MeasurementRegistersOfThreeInstruments)
{
    for (int a : {4, 5, 6}) {
        SCOPED_TRACE("address " + std::to_string(a));
        const std::time_t before = std::time(nullptr);
        const Poll p = mbpoll(device(), a, 0, 9);
        const std::time_t after = std::time(nullptr);
        ASSERT_EQ(p.exitCode, 0) << p.output;
        ASSERT_EQ(p.regs.size(), 9u) << p.output;
        EXPECT_EQ(p.regs.at(0), 0x1100u | static_cast<unsigned>(a));
        EXPECT_EQ(p.regs.at(1), 700u + a);                                  // pH 7.00 + a/100
        EXPECT_EQ(p.regs.at(2), static_cast<std::uint16_t>(-1000 - 10 * a));  // E -100.0 - a
        EXPECT_EQ(p.regs.at(3), 200u + 10 * a);                             // T 20.0 + a
        EXPECT_EQ(p.regs.at(4), a % 2 ? 0x0011u : 0x0022u);
        const std::array<unsigned, 3> clock{p.regs.at(5), p.regs.at(6), p.regs.at(7)};
        EXPECT_TRUE(clock == clockRegisters(before) || clock == clockRegisters(after))
            << std::hex << clock[0] << ' ' << clock[1] << ' ' << clock[2];
        EXPECT_EQ(p.regs.at(8), a == 5 ? 12u : 5u);
    }
}

TEST_F(SimWithMbpoll, ArchiveBlocksAtBothEnds)
{
    const std::time_t now = std::time(nullptr);
    const Poll first = mbpoll(device(), 4, 249, 122);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    ASSERT_EQ(first.regs.size(), 122u);
    EXPECT_EQ(first.regs.at(249), 57u);
    // Slot 1 holds the oldest record, 56 periods of 5 minutes before now.
    const std::time_t oldest = now - 56 * 5 * 60;
    std::tm tm{};
    localtime_r(&oldest, &tm);
    EXPECT_EQ(first.regs.at(254) & 0xFF, static_cast<unsigned>(tm.tm_year % 100));
    const unsigned minutes = (first.regs.at(254) >> 8) | (first.regs.at(255) << 8);
    const unsigned expected = static_cast<unsigned>(tm.tm_yday * 1440 + tm.tm_hour * 60 + tm.tm_min);
    EXPECT_LE(expected - minutes, 1u) << "record minutes " << minutes << ", expected about " << expected;
    EXPECT_FLOAT_EQ(floatOf(first.regs.at(256), first.regs.at(257)), 6.01f);
    EXPECT_FLOAT_EQ(floatOf(first.regs.at(258), first.regs.at(259)), -4.1f);
    EXPECT_FLOAT_EQ(floatOf(first.regs.at(260), first.regs.at(261)), 24.1f);
    // The next slot is one period later.
    const unsigned minutes2 = (first.regs.at(262) >> 8) | (first.regs.at(263) << 8);
    EXPECT_TRUE(minutes2 - minutes == 5u || (minutes2 < minutes)) << minutes << " then " << minutes2;

    // The last block reaches past the archive area up to wire address 1956.
    const Poll last = mbpoll(device(), 4, 1835, 122);
    ASSERT_EQ(last.exitCode, 0) << last.output;
    ASSERT_EQ(last.regs.size(), 122u);
    EXPECT_EQ(last.regs.at(1956), 0u);
    EXPECT_EQ(last.regs.at(1846), 0u) << "slot 200 is empty with 57 records";
}

TEST_F(SimWithMbpoll, WrappedRingKeepsTheNewest200Records)
{
    const Poll head = mbpoll(device(), 5, 249, 122);
    ASSERT_EQ(head.exitCode, 0) << head.output;
    EXPECT_EQ(head.regs.at(249), 257u);
    // Record 201 overwrote slot 1; record 200 stays in slot 200 (wire 1846).
    EXPECT_FLOAT_EQ(floatOf(head.regs.at(256), head.regs.at(257)), 8.01f);
    const Poll tail = mbpoll(device(), 5, 1835, 122);
    ASSERT_EQ(tail.exitCode, 0) << tail.output;
    EXPECT_FLOAT_EQ(floatOf(tail.regs.at(1848), tail.regs.at(1849)), 8.00f);
    EXPECT_FLOAT_EQ(floatOf(tail.regs.at(1852), tail.regs.at(1853)), 20.0f + 5 + 20.0f);
    EXPECT_EQ(tail.regs.at(1854), 0u);
}

TEST_F(SimWithMbpoll, ReadsEndAtRegister1956)
{
    EXPECT_EQ(mbpoll(device(), 6, 1956, 1).exitCode, 0);
    const Poll beyond = mbpoll(device(), 6, 1956, 2);
    EXPECT_NE(beyond.exitCode, 0);
    EXPECT_NE(beyond.output.find("Illegal data address"), std::string::npos) << beyond.output;
}

TEST_F(SimWithMbpoll, PeriodWriteIsReadBack)
{
    const Poll write = mbpoll(device(), 6, 8, 0, {17});
    ASSERT_EQ(write.exitCode, 0) << write.output;
    EXPECT_EQ(mbpoll(device(), 6, 8, 1).regs.at(8), 17u);

    // A period of 0 is refused and the old one kept.
    const Poll refused = mbpoll(device(), 6, 8, 0, {0});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.output.find("Illegal data value"), std::string::npos) << refused.output;
    EXPECT_EQ(mbpoll(device(), 6, 8, 1).regs.at(8), 17u);
}

TEST_F(SimWithMbpoll, EraseEmptiesTheArchive)
{
    ASSERT_EQ(mbpoll(device(), 4, 249, 1).regs.at(249), 57u);
    const Poll erase = mbpoll(device(), 4, 249, 0, {0});
    ASSERT_EQ(erase.exitCode, 0) << erase.output;
    const Poll after = mbpoll(device(), 4, 249, 13);
    ASSERT_EQ(after.exitCode, 0) << after.output;
    EXPECT_EQ(after.regs.at(249), 0u);
    EXPECT_EQ(after.regs.at(254), 0u);
}

TEST_F(SimWithMbpoll, ClockWriteSetsTheClockThatRunsOn)
{
    // 1 March 2019, 10:20 (function 16, registers 5..7).
    const Poll write = mbpoll(device(), 5, 5, 0, {0x1413, 0x0301, 0x0A14});
    ASSERT_EQ(write.exitCode, 0) << write.output;
    const Poll read = mbpoll(device(), 5, 5, 3);
    ASSERT_EQ(read.exitCode, 0) << read.output;
    EXPECT_EQ(read.regs.at(5), 0x1413u);
    EXPECT_EQ(read.regs.at(6), 0x0301u);
    EXPECT_TRUE(read.regs.at(7) == 0x0A14u || read.regs.at(7) == 0x0A15u) << std::hex << read.regs.at(7);

    // 30 February does not exist.
    EXPECT_NE(mbpoll(device(), 5, 5, 0, {0x1413, 0x021E, 0x0A14}).exitCode, 0);
}

TEST_F(SimWithMbpoll, SilentAddressTimesOutButIsLogged)
{
    const Poll p = mbpoll(device(), 7, 0, 9, {}, 0.3);
    EXPECT_NE(p.exitCode, 0);
    EXPECT_TRUE(p.regs.empty());
    const std::string log = readFile(s_dir + "/requests.log");
    static const std::regex line(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} 07 03 00 00 00 09 [0-9A-F]{2} [0-9A-F]{2}\n)");
    EXPECT_TRUE(std::regex_search(log, line)) << log;
}

TEST_F(SimWithMbpoll, FaultyInstruments)
{
    const Poll badCrc = mbpoll(device(), 8, 0, 9);
    EXPECT_NE(badCrc.exitCode, 0);
    EXPECT_NE(badCrc.output.find("CRC"), std::string::npos) << badCrc.output;

    const Poll exception = mbpoll(device(), 9, 0, 9);
    EXPECT_NE(exception.exitCode, 0);
    EXPECT_NE(exception.output.find("Slave device or server failure"), std::string::npos) << exception.output;

    const Poll wrongId = mbpoll(device(), 10, 0, 1);
    ASSERT_EQ(wrongId.exitCode, 0) << wrongId.output;
    EXPECT_EQ(wrongId.regs.at(0), 0x130Au);

    // Address 3 is not served, so a correct answer can only have come from the faulty 11.
    EXPECT_NE(mbpoll(device(), 11, 0, 9, {}, 0.3).exitCode, 0);
}

// The same instruments behind a Modbus TCP gateway: the unit id picks the instrument, and the
// gateway answers for a silent or missing one with exception 0x0B.
TEST(SimModbusTcpWithMbpoll, EachUnitIdAnswersForItsInstrument)
{
    if (std::string(QM_MBPOLL_PATH).empty())
        GTEST_SKIP() << "mbpoll is not installed";
    const std::string dir = tempDir();
    SimProcess sim({"--modbus-tcp", "0", "--first", "4", "--count", "3", "--fixed", "--archive", "4:57", "--exception",
                    "5", "--silent", "6", "--gateway-exceptions", "--ports-cfg", dir + "/ports.cfg", "--com", "3"});
    ASSERT_EQ(sim.device().rfind("tcp://127.0.0.1:", 0), 0u) << sim.device();
    EXPECT_EQ(readFile(dir + "/ports.cfg"), "COM3 " + sim.device() + "\n");

    struct Row {
        int unit;
        int ref, count;
        std::map<int, unsigned> regs;  // expected, when the read succeeds
        const char* error;             // expected in mbpoll's output, when it fails
    } rows[] = {
        {4, 0, 5, {{0, 0x1104}, {1, 704}, {2, 0xFBF0}, {3, 240}, {4, 0x0022}}, nullptr},
        {4, 249, 1, {{249, 57}}, nullptr},
        {5, 0, 9, {}, "Slave device or server failure"},
        {6, 0, 9, {}, "Target device failed to respond"},
        {9, 0, 9, {}, "Target device failed to respond"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("unit " + std::to_string(row.unit) + ", register " + std::to_string(row.ref));
        const Poll p = mbpoll(sim.device(), row.unit, row.ref, row.count);
        if (row.error) {
            EXPECT_NE(p.exitCode, 0) << p.output;
            EXPECT_NE(p.output.find(row.error), std::string::npos) << p.output;
        } else {
            ASSERT_EQ(p.exitCode, 0) << p.output;
            for (const auto& [reg, value] : row.regs)
                EXPECT_EQ(p.regs.count(reg) ? p.regs.at(reg) : 0x10000u, value) << "register " << reg;
        }
    }
    EXPECT_EQ(sim.stop(), 0) << "the simulator must end cleanly on SIGTERM";
    std::filesystem::remove_all(dir);
}

TEST(SimPortsCfg, LinesForTheComNamesAreReplacedOthersKept)
{
    const std::string dir = tempDir();
    const std::string cfg = dir + "/ports.cfg";
    {
        std::ofstream out(cfg);
        out << "COM1 /dev/ttyUSB0\nCOM2 /dev/old\nCOM12 /dev/ttyS11\n";
    }
    SimProcess sim({"--ports-cfg", cfg, "--com", "2", "--com", "3"});
    ASSERT_FALSE(sim.device().empty());
    EXPECT_EQ(readFile(cfg), "COM1 /dev/ttyUSB0\nCOM12 /dev/ttyS11\nCOM2 " + sim.device() + "\nCOM3 " + sim.device() + "\n");
    EXPECT_EQ(sim.stop(), 0) << "the simulator must end cleanly on SIGTERM";
    std::filesystem::remove_all(dir);
}

}  // namespace
