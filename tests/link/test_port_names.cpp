// COM names shown to the operator and the devices they open on each system.
#include "Files.h"
#include "PortNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <variant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qm;

namespace {

void writeConfig(const QTemporaryDir& dir, const QByteArray& text)
{
    ASSERT_TRUE(test::WriteAll(dir.filePath(QStringLiteral("ports.cfg")), text));
}

TEST(PortNames, DisplayNamesAreCom1ToCom17AndNothingOutside)
{
    EXPECT_EQ(PortDisplayName(0), "COM1");
    EXPECT_EQ(PortDisplayName(8), "COM9");
    EXPECT_EQ(PortDisplayName(16), "COM17");
    for (int bad : {-1, 17, 1000, std::numeric_limits<int>::min()}) {
        EXPECT_TRUE(PortDisplayName(bad).isEmpty()) << bad;
        EXPECT_TRUE(PortDeviceNameFor(bad, QString(), true).isEmpty()) << bad;
        EXPECT_TRUE(PortDeviceNameFor(bad, QString(), false).isEmpty()) << bad;
    }
}

TEST(PortNames, MessageNameOutsideTheListStillSaysWhatWasAsked)
{
    EXPECT_EQ(PortMessageName(4), "COM5");
    EXPECT_EQ(PortMessageName(17), "COM18");
    EXPECT_EQ(PortMessageName(-1), "COM0");
    EXPECT_EQ(PortMessageName(std::numeric_limits<int>::max()), "COM2147483648");
}

TEST(PortNames, WindowsOpensCom10AndAboveInTheDeviceNamespace)
{
    QTemporaryDir dir;
    writeConfig(dir, "COM12 /dev/ttyUSB0\n");  // ignored on Windows
    EXPECT_EQ(PortDeviceNameFor(0, dir.path(), true), "COM1");
    EXPECT_EQ(PortDeviceNameFor(8, dir.path(), true), "COM9");
    EXPECT_EQ(PortDeviceNameFor(9, dir.path(), true), "\\\\.\\COM10");
    EXPECT_EQ(PortDeviceNameFor(11, dir.path(), true), "\\\\.\\COM12");
    EXPECT_EQ(PortDeviceNameFor(16, dir.path(), true), "\\\\.\\COM17");
}

TEST(PortNames, ElsewhereComNOpensTtySNMinusOneByDefault)
{
    QTemporaryDir dir;
    EXPECT_EQ(PortDeviceNameFor(0, dir.path(), false), "/dev/ttyS0");
    EXPECT_EQ(PortDeviceNameFor(8, dir.path(), false), "/dev/ttyS8");
    EXPECT_EQ(PortDeviceNameFor(11, dir.path(), false), "/dev/ttyS11");
    EXPECT_EQ(PortDeviceNameFor(16, dir.path(), false), "/dev/ttyS16");
}

TEST(PortNames, PortsCfgMapsNamesAndIsReadAfresh)
{
    QTemporaryDir dir;
    writeConfig(dir,
                "# my line\r\n"
                "\r\n"
                "COM12 /dev/serial/by-id/usb-FTDI_FT232R-if00-port0\r\n"
                "  com3\t/dev/ttyUSB1  \r\n"
                "COM18 /dev/ttyUSB9\n"   // no such name in the list
                "COM0 /dev/ttyUSB8\n"
                "COM4\n"                 // no device
                "#COM5 /dev/ttyUSB5\n"
                "COM1 /dev/pts/3\n"
                "COM1 /dev/pts/4\n");    // a later line wins
    EXPECT_EQ(PortDeviceNameFor(11, dir.path(), false), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(PortDeviceNameFor(2, dir.path(), false), "/dev/ttyUSB1");
    EXPECT_EQ(PortDeviceNameFor(0, dir.path(), false), "/dev/pts/4");
    EXPECT_EQ(PortDeviceNameFor(3, dir.path(), false), "/dev/ttyS3");
    EXPECT_EQ(PortDeviceNameFor(4, dir.path(), false), "/dev/ttyS4");
    EXPECT_EQ(ReadPortsConfig(dir.path()).size(), 3);

    writeConfig(dir, "COM3 /dev/ttyACM0\n");
    EXPECT_EQ(PortDeviceNameFor(2, dir.path(), false), "/dev/ttyACM0");
    EXPECT_EQ(PortDeviceNameFor(11, dir.path(), false), "/dev/ttyS11");
}

TEST(PortNames, MappingsNameTheDeviceOfEveryComNameAndWhatPortsCfgCouldNotTake)
{
    QTemporaryDir dir;
    writeConfig(dir, "COM2 /dev/ttyUSB0\nCOM3=/dev/ttyUSB1\n");
    const QList<PortMapping> mappings = PortMappings(dir.path());
    ASSERT_EQ(mappings.size(), PortCount);
    for (int i = 0; i < PortCount; ++i) {
        EXPECT_EQ(mappings[i].device, PortDeviceName(i, dir.path())) << i;
#ifndef Q_OS_WIN
        EXPECT_EQ(mappings[i].fromPortsCfg, i == 1) << i;
#endif
    }
    const QList<PortsCfgProblem> problems = LoadPortsConfig(dir.path()).problems;
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].kind, PortsCfgProblem::Kind::UnreadableLine);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[0].text, "COM3=/dev/ttyUSB1");
}

TEST(PortNames, PortsCfgTakesTrailingComments)
{
    QTemporaryDir dir;
    writeConfig(dir,
                "COM1 /dev/ttyUSB0   # adapter on the left\n"
                "COM2\t/dev/serial/by-id/usb-FTDI_FT232R-if00-port0#no blank before\n"
                "COM3 /dev/ttyACM0 #\n");
    EXPECT_EQ(PortDeviceNameFor(0, dir.path(), false), "/dev/ttyUSB0");
    EXPECT_EQ(PortDeviceNameFor(1, dir.path(), false), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(PortDeviceNameFor(2, dir.path(), false), "/dev/ttyACM0");
}

TEST(PortNames, PortsCfgThatIsNoRegularFileIsNeverOpened)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("ports.cfg")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // A reader that opened the FIFO would wait for a writer for ever; this one gives up after a
    // while, and its success shows that the file was opened.
    std::atomic<bool> openedByReader{false};
    std::thread writer([&] {
        for (int i = 0; i < 25 && !openedByReader; ++i) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                openedByReader = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const PortsConfig config = LoadPortsConfig(dir.path());
    writer.join();
    EXPECT_FALSE(openedByReader);
    EXPECT_TRUE(config.devices.isEmpty());
    ASSERT_EQ(config.problems.size(), 1) << "and the operator is told";
    EXPECT_EQ(config.problems[0].kind, PortsCfgProblem::Kind::NotARegularFile);
    EXPECT_EQ(PortDeviceNameFor(0, dir.path(), false), "/dev/ttyS0");
}

// A COM name may lead to a line behind Ethernet: the URL as written, and what it names or why it
// names nothing (the line is then reported, and the name keeps its built-in device).
struct UrlCase {
    const char* device;
    std::variant<NetworkLine, UrlProblem> names;
    const char* endpoint = "";
};

void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.device; }

class NetworkLines : public ::testing::TestWithParam<UrlCase> {};

TEST_P(NetworkLines, PortsCfgTakesAUrlThatNamesALineAndReportsOneThatDoesNot)
{
    const UrlCase& c = GetParam();
    const PortsConfig config = ParsePortsConfigText(QStringLiteral("COM2 %1   # gateway\n").arg(QLatin1String(c.device)));
    if (const NetworkLine* line = std::get_if<NetworkLine>(&c.names)) {
        EXPECT_TRUE(config.problems.isEmpty());
        EXPECT_EQ(config.devices.value(1), QLatin1String(c.device));
        EXPECT_EQ(ParseNetworkLine(QLatin1String(c.device)), c.names);
        EXPECT_EQ(line->endpoint(), QLatin1String(c.endpoint));
    } else {
        EXPECT_FALSE(config.devices.contains(1));
        ASSERT_EQ(config.problems.size(), 1);
        EXPECT_EQ(config.problems[0].kind, PortsCfgProblem::Kind::UnreadableLine);
        EXPECT_EQ(config.problems[0].line, 1);
        EXPECT_EQ(config.problems[0].url, std::get<UrlProblem>(c.names));
    }
}

using P = NetworkLine::Protocol;
INSTANTIATE_TEST_SUITE_P(
    Urls, NetworkLines,
    ::testing::Values(UrlCase{"rtuovertcp://192.168.1.10:4001", NetworkLine{P::RtuOverTcp, "192.168.1.10", 4001}, "192.168.1.10:4001"},
                      UrlCase{"tcp://gw-2.plant.local:502", NetworkLine{P::ModbusTcp, "gw-2.plant.local", 502}, "gw-2.plant.local:502"},
                      UrlCase{"TCP://[fd00::20]:65535", NetworkLine{P::ModbusTcp, "fd00::20", 65535}, "[fd00::20]:65535"},
                      UrlCase{"rtuovertcp://[::1]:1", NetworkLine{P::RtuOverTcp, "::1", 1}, "[::1]:1"},
                      UrlCase{"udp://192.168.1.10:4001", UrlProblem::UnknownScheme},
                      UrlCase{"rtu://192.168.1.10:4001", UrlProblem::UnknownScheme},
                      UrlCase{"tcp://192.168.1.10", UrlProblem::NoPort},
                      UrlCase{"tcp://192.168.1.10:", UrlProblem::NoPort},
                      UrlCase{"tcp://[fd00::20]", UrlProblem::NoPort},
                      UrlCase{"tcp://192.168.1.10:0", UrlProblem::BadPort},
                      UrlCase{"tcp://192.168.1.10:65536", UrlProblem::BadPort},
                      UrlCase{"tcp://192.168.1.10:502/", UrlProblem::BadPort},
                      UrlCase{"tcp://[fd00::zz]:502", UrlProblem::BadIpv6},
                      UrlCase{"tcp://[192.168.1.10]:502", UrlProblem::BadIpv6},
                      UrlCase{"tcp://[fd00::20:502", UrlProblem::BadIpv6},
                      UrlCase{"tcp://fd00::20:502", UrlProblem::BadIpv6},
                      UrlCase{"tcp://:502", UrlProblem::BadHost},
                      UrlCase{"tcp://192.168.1.300:502", UrlProblem::BadHost},
                      UrlCase{"tcp://gate*way:502", UrlProblem::BadHost}));

}  // namespace
