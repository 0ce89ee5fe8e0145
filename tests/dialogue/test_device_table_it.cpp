// The device table filled over a real line: the poll engine on the serial port adapter against
// the instrument simulator (three instruments with frozen readings, a fourth address silent).
#include "DateTimeText.h"
#include "DeviceTable.h"
#include "FakePanel.h"
#include "PollRig.h"
#include "SimLine.h"
#include "PollEngine.h"
#include "SerialPort.h"
#include "QStringPrint.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

#ifdef QM_SIM_PATH

TEST(DeviceTableOnTheLine, ThreeInstrumentsFillTheirRowsAndTheSilentFourthGoesBlank)
{
    SimLine sim({"--first", "1", "--count", "3", "--fixed"});
    ASSERT_TRUE(sim.started()) << "the simulator gave no device";

    SerialPort port;
    FakePanel panel;
    DeviceTable table(panel);
    table.FillHeaders({1, 4});
    // Row 4 shows something old: its instrument answered before.
    const QByteArray old = measurementAnswer(4, 699);
    table.HandleMeasurementAnswer(reinterpret_cast<const quint8*>(old.constData()), int(old.size()), 4);
    ASSERT_EQ(table.CellText(1, 4), "6.99");
    panel.repainted.clear();
    PollEngine engine(port, panel, table);
    engine.setWorkDir(sim.dir.path());
    engine.Init({1, 4});
    panel.setConnectChecked(true);
    engine.Connect();
    ASSERT_TRUE(engine.PortOpen()) << panel.warnings.join('|').toStdString();

    QTimer timer;
    timer.setInterval(100);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { engine.Tick(); });
    const auto done = [&] {
        return table.LiveValues()[7] == DeviceTable::NoDataMark && !table.CellText(1, 1).isEmpty()
               && !table.CellText(1, 3).isEmpty();
    };
    RunTimerUntil(timer, done, 30000);
    sim.stop();
    ASSERT_TRUE(done()) << panel.statusHistory.join('|').toStdString();

    auto row = [&](int r) {
        QStringList s;
        for (int c = 0; c < DeviceTable::UsedColumns; ++c) s << table.CellText(c, r);
        return s;
    };
    // Frozen readings of instrument A: pH 7.00 + A/100, E -100.0 - A, T 20.0 + A, status 0x11 or 0x22.
    EXPECT_EQ(row(1), (QStringList{"1", "7.01", "-101.0", "21.0", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(row(2), (QStringList{"2", "7.02", "-102.0", "22.0", "00 22 hex", "АВ", "", "1"}));
    EXPECT_EQ(row(3), (QStringList{"3", "7.03", "-103.0", "23.0", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(row(4), (QStringList{"4", "", "", "", "", "", "", ""}));
    EXPECT_FLOAT_EQ(table.LiveValues()[1], 7.01f);
    EXPECT_FLOAT_EQ(table.LiveValues()[4], 22.0f);
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.03f);
    EXPECT_EQ(table.LiveValues()[7], -100.0f);
    EXPECT_EQ(table.LiveValues()[8], -100.0f);
    EXPECT_TRUE(panel.repainted.contains(1) && panel.repainted.contains(2) && panel.repainted.contains(3));
    EXPECT_TRUE(panel.repainted.contains(4));
}

#else

TEST(DeviceTableOnTheLine, NeedsTheSimulator)
{
    GTEST_SKIP() << "qm4700-sim is not built here (it needs libmodbus and a Unix system)";
}

#endif

}  // namespace
