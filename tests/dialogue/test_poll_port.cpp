// The connect switch and OpenPort as the operator sees them: the status bar, the message boxes,
// the port list, and which device each COM name opens.
#include "PollRig.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

void writePortsCfg(PollRig& rig, const QByteArray& text)
{
    QFile f(rig.dir.filePath(QStringLiteral("ports.cfg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(PollPort, ConnectOpensThePortAndLocksTheList)
{
    PollRig rig;
    rig.engine.Button3Click();  // a command waiting from before is dropped by connecting
    rig.connect();
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM1"}));
    EXPECT_EQ(rig.port.openedDevice, PortDeviceName(0, rig.dir.path()));
    EXPECT_TRUE(rig.engine.PortOpen);
    EXPECT_TRUE(rig.engine.LinkUp);
    EXPECT_FALSE(rig.panel.portListEnabled);
    EXPECT_EQ(rig.engine.PendingRequest, ReadMeasurement);
    EXPECT_TRUE(rig.panel.warnings.isEmpty());
}

TEST(PollPort, DisconnectClosesBlanksThePolledRowAndFreesTheList)
{
    PollRig rig(1, 3);
    rig.allAnswer();
    rig.connect();
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 1
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 2
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 3
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 1 again; row 1 holds its answer
    ASSERT_EQ(rig.table.CellText[1][1], "7.00");
    ASSERT_EQ(rig.table.CellText[1][2], "7.00");

    rig.panel.setConnectChecked(false);
    rig.engine.CheckBox1Click(false);
    EXPECT_EQ(rig.port.closeCount, 1);
    EXPECT_FALSE(rig.port.isOpen);
    EXPECT_FALSE(rig.engine.PortOpen);
    EXPECT_FALSE(rig.engine.LinkUp);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_TRUE(rig.table.CellText[1][1].isEmpty());  // the instrument being polled
    EXPECT_EQ(rig.table.CellText[1][2], "7.00");
    EXPECT_FLOAT_EQ(rig.table.LiveValues[1], 7.0f);  // a disconnect keeps the values

    const qsizetype writes = rig.port.writes.size();
    const int ticks = rig.engine.TickCount;
    rig.tick(30);
    EXPECT_EQ(rig.port.writes.size(), writes);
    EXPECT_EQ(rig.engine.TickCount, ticks + 30);  // the ticks only count
}

TEST(PollPort, DisconnectWhileClosedOnlyReevaluatesTheList)
{
    PollRig rig;
    rig.panel.portListEnabled = false;
    rig.panel.idText = "keep";
    rig.engine.CheckBox1Click(false);
    EXPECT_EQ(rig.port.closeCount, 0);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_EQ(rig.panel.idText, "keep");
    EXPECT_EQ(rig.panel.currentRow, -1);
}

TEST(PollPort, DisconnectWithTheWalkOutsideTheRowsBlanksNoRow)
{
    for (int address : {2, 9}) {
        PollRig rig(5, 3);
        rig.connect();
        rig.engine.PollAddress = quint8(address);
        rig.panel.idText = "keep";
        rig.engine.CheckBox1Click(false);
        EXPECT_EQ(rig.port.closeCount, 1);
        EXPECT_EQ(rig.panel.idText, "keep") << address;
        EXPECT_EQ(rig.panel.currentRow, -1) << address;
    }
}

TEST(PollPort, PortThatDoesNotExistIsRefusedAndNothingIsEverWritten)
{
    PollRig rig;
    rig.engine.ComboBox1Change(4);
    rig.connect();
    EXPECT_EQ(rig.panel.warnings, QStringList({"Порт COM5 занят или не существует"}));
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM5"}));
    EXPECT_FALSE(rig.panel.connectChecked);
    EXPECT_EQ(rig.panel.connectUncheckedCount, 1);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_FALSE(rig.engine.PortOpen);
    EXPECT_FALSE(rig.engine.LinkUp);
    rig.tick(50);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    EXPECT_EQ(rig.port.writesWhileClosed, 0);
    EXPECT_EQ(rig.port.openCount, 1);
}

TEST(PollPort, TheSystemsReasonGoesBeneathTheMessage)
{
    struct Case {
        QString reason;
        bool denied;
        QString expected;
    } cases[] = {
        {"Device or resource busy", false, "Порт COM1 занят или не существует\nDevice or resource busy"},
        {"No such file or directory", false, "Порт COM1 занят или не существует\nNo such file or directory"},
    };
    for (const Case& c : cases) {
        PollRig rig;
        rig.port.existing.clear();
        rig.port.openReason = c.reason;
        rig.port.denied = c.denied;
        rig.connect();
        EXPECT_EQ(rig.panel.warnings, QStringList({c.expected}));
    }
}

TEST(PollPort, PermissionDeniedAddsHowToJoinTheDialoutGroup)
{
    PollRig rig;
    rig.port.existing.clear();
    rig.port.openReason = "Permission denied";
    rig.port.denied = true;
    rig.connect();
    ASSERT_EQ(rig.panel.warnings.size(), 1);
    const QStringList lines = rig.panel.warnings.at(0).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(0), "Порт COM1 занят или не существует");
    EXPECT_EQ(lines.at(1), "Permission denied");
    EXPECT_TRUE(lines.at(2).contains("dialout"));
    EXPECT_TRUE(lines.at(2).contains(PortDeviceName(0, rig.dir.path())));
    EXPECT_FALSE(rig.panel.connectChecked);
}

TEST(PollPort, IndexOutsideTheListIsRefusedWithoutAskingTheSystem)
{
    struct Case {
        int index;
        const char* name;
    } cases[] = {{17, "COM18"}, {-1, "COM0"}, {100, "COM101"}};
    for (const Case& c : cases) {
        PollRig rig;
        rig.engine.PortIndex = c.index;
        rig.connect();
        EXPECT_EQ(rig.port.openCount, 0);
        EXPECT_EQ(rig.panel.status, c.name);
        ASSERT_EQ(rig.panel.warnings.size(), 1);
        EXPECT_TRUE(rig.panel.warnings.at(0).startsWith(QStringLiteral("Порт %1 занят или не существует\n").arg(c.name)))
            << rig.panel.warnings.at(0).toStdString();
        EXPECT_FALSE(rig.panel.connectChecked);
        EXPECT_TRUE(rig.panel.portListEnabled);
        rig.tick(20);
        EXPECT_TRUE(rig.port.writes.isEmpty());
    }
}

TEST(PollPort, ConfigureFailuresShowTheCodeAndKeepTheBoxTicked)
{
    struct Case {
        Port::ConfigResult result;
        QString expected;
    } cases[] = {
        {{Port::ConfigStage::GetState, 31, QString()}, "ERROR 31: GetCommState"},
        {{Port::ConfigStage::GetState, 0x1001F, "Input/output error"}, "ERROR 31: GetCommState\nInput/output error"},
        {{Port::ConfigStage::SetState, 22, "Invalid argument"}, "ERROR 22: SetCommState\nInvalid argument"},
        {{Port::ConfigStage::SetState, 0xFFFFFFFF, QString()}, "ERROR 65535: SetCommState"},
    };
    for (const Case& c : cases) {
        PollRig rig;
        rig.port.configResult = c.result;
        rig.connect();
        EXPECT_EQ(rig.panel.warnings, QStringList({c.expected}));
        EXPECT_EQ(rig.port.closeCount, 1);
        EXPECT_FALSE(rig.port.isOpen);
        EXPECT_FALSE(rig.engine.PortOpen);
        EXPECT_FALSE(rig.engine.LinkUp);
        EXPECT_TRUE(rig.panel.connectChecked);
        EXPECT_TRUE(rig.panel.portListEnabled);
        rig.tick(20);
        EXPECT_TRUE(rig.port.writes.isEmpty());
    }
}

TEST(PollPort, ChangingThePortListOnlyChoosesTheNextPortToOpen)
{
    PollRig rig;
    rig.engine.ComboBox1Change(8);
    EXPECT_EQ(rig.engine.PortIndex, 8);
    EXPECT_EQ(rig.port.openCount, 0);
    EXPECT_TRUE(rig.panel.statusHistory.isEmpty());
    rig.port.existing << PortDeviceName(8, rig.dir.path());
    rig.connect();
    EXPECT_EQ(rig.panel.status, "COM9");
    EXPECT_EQ(rig.port.openedDevice, PortDeviceName(8, rig.dir.path()));
#ifndef Q_OS_WIN
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyS8");
#endif
}

TEST(PollPort, Com12OpensItsDeviceWhileEveryTextSaysCom12)
{
#ifdef Q_OS_WIN
    const QString device = "\\\\.\\COM12";
#else
    const QString device = "/dev/pts/77";
#endif
    PollRig rig;
    writePortsCfg(rig, "COM12 /dev/pts/77\n");
    rig.engine.ComboBox1Change(11);
    rig.connect();  // not there yet
    EXPECT_EQ(rig.panel.warnings, QStringList({"Порт COM12 занят или не существует"}));
    EXPECT_EQ(rig.panel.status, "COM12");

    rig.port.existing << device;
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, device);
    EXPECT_TRUE(rig.engine.PortOpen);
    EXPECT_EQ(rig.panel.status, "COM12");
}

TEST(PollPort, PortsCfgIsReadAtEveryOpen)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "ports.cfg maps names only where COM names are not device names";
#endif
    PollRig rig;
    rig.port.existing << "/dev/ttyUSB0" << "/dev/ttyUSB1";
    writePortsCfg(rig, "COM1 /dev/ttyUSB0\n");
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyUSB0");
    rig.engine.CheckBox1Click(false);
    writePortsCfg(rig, "COM1 /dev/ttyUSB1\n");
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyUSB1");
}

TEST(PollPort, ConnectingAfterAWhileSendsOnTheFirstTick)
{
    PollRig rig(1, 3);
    rig.tick(57);
    EXPECT_EQ(rig.port.openCount, 0);
    EXPECT_TRUE(rig.panel.statusHistory.isEmpty());
    rig.connect();
    rig.tick();
    ASSERT_EQ(rig.port.writes.size(), 1);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM1", "1-No  0", "1-"}));
}

TEST(PollPort, TickingTheBoxAgainWhileConnectedDoesNotReopen)
{
    PollRig rig;
    rig.connect();
    rig.engine.CheckBox1Click(true);
    EXPECT_EQ(rig.port.openCount, 1);
    EXPECT_TRUE(rig.panel.warnings.isEmpty());
    EXPECT_TRUE(rig.engine.PortOpen);
}

}  // namespace
