// COM names shown to the operator and the devices they open on each system.
#include "PortNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;

namespace {

void writeConfig(const QTemporaryDir& dir, const QByteArray& text)
{
    QFile f(dir.filePath(QStringLiteral("ports.cfg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
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

TEST(PortNames, TooltipNamesTheDeviceOfEveryComName)
{
    QTemporaryDir dir;
    writeConfig(dir, "COM2 /dev/ttyUSB0\n");
    const QStringList lines = PortListToolTip(dir.path()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), PortCount);
    for (int i = 0; i < PortCount; ++i) {
        EXPECT_TRUE(lines[i].startsWith(PortDisplayName(i) + QLatin1Char(' '))) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(PortDeviceName(i, dir.path()))) << lines[i].toStdString();
    }
}

}  // namespace
