// The port's words: the port list's tooltip names what every COM name opens, the serial devices
// present and what ports.cfg could not be read.
#include "Files.h"
#include "PortNames.h"
#include "PortTexts.h"
#include "QStringPrint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;

namespace {

TEST(PortTexts, TooltipNamesTheDeviceOfEveryComNameAndTheDevicesPresent)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::WriteAll(dir.filePath(QStringLiteral("ports.cfg")), "COM2 /dev/ttyUSB0\nCOM3=/dev/ttyUSB1\n"));
    const QString tip = PortListToolTip(dir.path());
    const QStringList lines = tip.split(QLatin1Char('\n'));
    ASSERT_GT(lines.size(), PortCount);
    for (int i = 0; i < PortCount; ++i) {
        EXPECT_TRUE(lines[i].startsWith(PortDisplayName(i) + QLatin1Char(' '))) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(PortDeviceName(i, dir.path()))) << lines[i].toStdString();
    }
    for (const SerialDevice& d : SerialDevicesPresent()) EXPECT_TRUE(tip.contains(d.path)) << d.path.toStdString();
#ifndef Q_OS_WIN
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" (ports.cfg)"))) << lines[1].toStdString();
    EXPECT_FALSE(lines[2].contains(QStringLiteral("ports.cfg"))) << lines[2].toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("ports.cfg строку"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("строка 2: «COM3=/dev/ttyUSB1»"))) << tip.toStdString();
#endif
}

}  // namespace
