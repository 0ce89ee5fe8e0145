// Two programs in one folder (a collector and the window program) never append to one journal:
// the second writes nothing while the first keeps it, says who keeps it, and takes over once the
// first has let it go.
#include "Files.h"
#include "QStringPrint.h"
#include "TrendJournal.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(JournalLock, ASecondWriterWaitsUntilTheFirstLetsGo)
{
    QTemporaryDir work;
    const qm::PolledRange range(1, 1);
    const QDateTime at(QDate(2026, 12, 7), QTime(10, 0, 0));
    qm::SampleChannels first{}, second{};
    first[1] = 7.0;
    first[2] = 20.0;
    second[1] = 8.0;
    second[2] = 21.0;

    qm::TrendJournal collector, window;
    collector.setWorkDir(work.path());
    window.setWorkDir(work.path());
    ASSERT_TRUE(collector.Append(qm::ToDateTime(at), first, range).written);

    const qm::TrendJournal::Result refused = window.Append(qm::ToDateTime(at.addSecs(1)), second, range);
    EXPECT_FALSE(refused.written);
    EXPECT_TRUE(refused.report.contains(QStringLiteral("другая программа"))) << refused.report.toStdString();
    EXPECT_TRUE(refused.report.contains(QStringLiteral(".qm4700-samples.lock"))) << refused.report.toStdString();

    collector.Reset();
    const qm::TrendJournal::Result taken = window.Append(qm::ToDateTime(at.addSecs(2)), second, range);
    EXPECT_TRUE(taken.written);
    EXPECT_TRUE(taken.resumed);
    EXPECT_FALSE(collector.Append(qm::ToDateTime(at.addSecs(3)), first, range).written);

    const QByteArray file = qm::test::ReadAll(qm::JournalFilePath(work.path(), at.date()));
    // The collector's first line, then the window's: nothing of either while the other kept it.
    EXPECT_TRUE(file.contains("T10:00:00") && file.contains("T10:00:02")) << file.constData();
    EXPECT_FALSE(file.contains("T10:00:01") || file.contains("T10:00:03")) << file.constData();
}

}  // namespace
