// End to end against the simulator, with the journal on: the line is lost (the simulator killed,
// as a pulled adapter) and restored with one instrument silent. No journal line after the loss
// carries a value read before it, and the silent instrument is journalled as no answer.
#include "DateTimeText.h"
#include "Files.h"
#include "MainWindow.h"
#include "QStringPrint.h"
#include "SimLine.h"

#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

#ifdef QM_SIM_PATH

void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The journal's lines as (time, pH and T of instruments 1..3), header and empty lines left out.
QList<QStringList> JournalRows(const QString& path)
{
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(qm::test::ReadAll(path)).split(QStringLiteral("\r\n"))) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() == 7 && !line.contains(QStringLiteral("Время"))) rows << fields;
    }
    return rows;
}

TEST(MainWindowTruth, NoJournalLineAfterALostLineCarriesAValueFromBeforeIt)
{
    qm::test::SimLine before({"--first", "1", "--count", "3", "--fixed"});
    if (!before.started()) GTEST_SKIP() << "the simulator did not start";
    const QDir dir(before.dir.path());
    // COM1, instruments 1..3, a sample a second; the journal on.
    ASSERT_TRUE(qm::test::WriteAll(dir.filePath("it.cfg"), "0\r\n1\r\n1000\r\n1\r\n3\r\n1\r\n1\r\n4\r\n0\r\n10\r\n0\r\n50\r\n2\r\n10\r\n0\r\n1\r\n2\r\n3\r\n"));
    ASSERT_TRUE(qm::test::WriteAll(dir.filePath("journal.cfg"), "1"));
    QDir::setCurrent(dir.path());
    MainWindow form;
    form.show();
    auto* connectBox = form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    connectBox->click();
    ASSERT_TRUE(form.engine().PortOpen());
    const QString journal = dir.filePath(QStringLiteral("Журнал/%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    for (int i = 0; i < 100 && JournalRows(journal).size() < 3; ++i) RunFor(100);
    ASSERT_GE(JournalRows(journal).size(), 3) << "samples before the loss";
    EXPECT_EQ(JournalRows(journal).last().mid(1), (QStringList{"7.01", "21", "7.02", "22", "7.03", "23"}));

    // The line is lost: the program gives the connection up.
    before.sim.kill();
    for (int i = 0; i < 50 && connectBox->isChecked(); ++i) RunFor(100);
    ASSERT_FALSE(connectBox->isChecked());
    const qsizetype rowsBefore = JournalRows(journal).size();
    RunFor(2500);

    // Back, with other readings (so that a value from before would show) and instrument 2 silent.
    qm::test::SimLine after({"--first", "1", "--count", "3", "--fixed", "--silent", "2", "--set", "1:ph=6.11", "--set",
                             "3:ph=6.13"});
    ASSERT_TRUE(after.started());
    ASSERT_TRUE(qm::test::WriteAll(dir.filePath("ports.cfg"), "COM1 " + after.device.toLocal8Bit() + "\n"));
    connectBox->click();
    ASSERT_TRUE(form.engine().PortOpen());
    for (int i = 0; i < 120 && JournalRows(journal).size() < rowsBefore + 8; ++i) RunFor(100);
    connectBox->click();

    const QList<QStringList> rows = JournalRows(journal);
    ASSERT_GE(rows.size(), rowsBefore + 8) << "samples after the line came back";
    for (qsizetype i = rowsBefore; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].join(',').toStdString());
        EXPECT_TRUE(rows[i][1].isEmpty() || rows[i][1] == "6.11");
        EXPECT_TRUE(rows[i][3].isEmpty()) << "instrument 2 never answered since the line came back";
        EXPECT_TRUE(rows[i][5].isEmpty() || rows[i][5] == "6.13");
    }
    EXPECT_EQ(rows.last()[1], "6.11");
    EXPECT_EQ(rows.last()[5], "6.13");
}

#else

TEST(MainWindowTruth, NeedsTheSimulator) { GTEST_SKIP() << "qm4700-sim is not built here"; }

#endif

}  // namespace
