// Readings over a real line: the poll engine on the serial port adapter against the instrument
// simulator (three instruments with frozen readings, a fourth address silent).
#include "DateTimeText.h"
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

TEST(MeasurementOnTheLine, ThreeInstrumentsFillTheirRowsAndTheSilentFourthGoesBlank)
{
    SimLine sim({"--first", "1", "--count", "3", "--fixed"});
    ASSERT_TRUE(sim.started()) << "the simulator gave no device";

    SerialPort port;
    FakePanel panel;
    panel.setRange({1, 4});
    // Row 4 shows something old: its instrument answered before.
    panel.reading(*DecodeMeasurementAnswer(reinterpret_cast<const quint8*>(measurementAnswer(4, 699).constData()), 23, 4, {}));
    ASSERT_EQ(panel.cell(1, 4), "6.99");
    PollEngine engine(port, panel);
    engine.setWorkDir(sim.dir.path());
    engine.Init({1, 4});
    engine.Connect();
    ASSERT_TRUE(engine.PortOpen()) << panel.notices.join('|').toStdString();

    QTimer timer;
    timer.setInterval(100);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { engine.Tick(); });
    const auto done = [&] {
        return panel.channel(4) == NoDataMark && !panel.cell(1, 1).isEmpty() && !panel.cell(1, 3).isEmpty();
    };
    RunTimerUntil(timer, done, 30000);
    sim.stop();
    ASSERT_TRUE(done()) << panel.statusHistory.join('|').toStdString();

    auto row = [&](int address) {
        QStringList s;
        for (int c = 1; c <= 7; ++c) s << panel.cell(c, address);
        return s;
    };
    // Frozen readings of instrument A: pH 7.00 + A/100, E -100.0 - A, T 20.0 + A, status 0x11 or 0x22.
    EXPECT_EQ(row(1), (QStringList{"7.01", "-101.0", "21.0", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(row(2), (QStringList{"7.02", "-102.0", "22.0", "00 22 hex", "АВ", "", "1"}));
    EXPECT_EQ(row(3), (QStringList{"7.03", "-103.0", "23.0", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(row(4), QStringList(7, QString()));
    EXPECT_DOUBLE_EQ(panel.channel(1), 7.01);
    EXPECT_DOUBLE_EQ(panel.channel(2, true), 22.0);
    EXPECT_DOUBLE_EQ(panel.channel(3), 7.03);
    EXPECT_EQ(panel.channel(4), NoDataMark);
    EXPECT_EQ(panel.channel(4, true), NoDataMark);
}

#else

TEST(MeasurementOnTheLine, NeedsTheSimulator)
{
    GTEST_SKIP() << "qm4700-sim is not built here (it needs libmodbus and a Unix system)";
}

#endif

}  // namespace
