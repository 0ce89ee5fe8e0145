// A network line as the engine sees it: a connection that fails or is dropped is told once,
// "Соединение" stays ticked, the walk finds the instruments silent and blanks them by the usual
// give-up, and a line that is waiting to connect again is not closed and reopened by give-ups.
#include "Files.h"
#include "PollRig.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

TEST(PollNetworkLine, ADroppedConnectionIsToldOnceAndItsInstrumentsGoBlankWhileItWaits)
{
    PollRig rig(1, 3);
    const QString url = QStringLiteral("tcp://127.0.0.1:5020");
    ASSERT_TRUE(WriteAll(rig.dir.filePath(QStringLiteral("ports.cfg")), "COM1 " + url.toUtf8() + "\n"));
    rig.port.existing = {url};
    rig.port.framedBy = Port::Framing::ByLength;
    rig.allAnswer();
    rig.connect();
    rig.tick(41);  // 1, 2, 3 answered, and 1 asked again
    ASSERT_EQ(rig.panel.cell(1, 3), "7.00");

    // The gateway drops the connection; the transport waits to connect again on its own.
    rig.instruments = nullptr;
    rig.port.waiting = true;
    rig.port.trouble(LineTrouble::Kind::Dropped);
    ASSERT_EQ(rig.panel.notices.size(), 1);
    EXPECT_TRUE(rig.panel.notices[0].startsWith(QStringLiteral("Шлюз 127.0.0.1:5020 разорвал соединение\n")))
        << rig.panel.notices[0].toStdString();
    EXPECT_TRUE(rig.panel.connectChecked);

    rig.tick(100);  // every instrument given up on, some twice
    EXPECT_EQ(rig.port.openCount, 1) << "a waiting line keeps its own schedule";
    EXPECT_EQ(rig.port.closeCount, 0);
    for (int address : {1, 2, 3}) {
        EXPECT_TRUE(rig.panel.cell(1, address).isEmpty()) << address;
        EXPECT_EQ(rig.panel.channel(address), NoDataMark) << address;
    }
    EXPECT_TRUE(rig.engine.PortOpen());
    EXPECT_TRUE(rig.panel.connectChecked);
    EXPECT_EQ(rig.panel.notices.size(), 1);

    // Connected again: the rows fill on the walk's next pass.
    rig.port.waiting = false;
    rig.allAnswer();
    rig.tick(30);
    for (int address : {1, 2, 3}) EXPECT_EQ(rig.panel.cell(1, address), "7.00") << address;
    EXPECT_EQ(rig.panel.notices.size(), 1);
}

}  // namespace
