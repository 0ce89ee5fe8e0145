// Archive download and instrument commands on the real serial port adapter, against the
// instrument simulator on a pseudo-terminal, driven by the real 100 ms timer.
#include "ArchiveBlocks.h"
#include "ArchiveLineText.h"
#include "DateTimeText.h"
#include "FakePanel.h"
#include "FixedClock.h"
#include "SimLine.h"
#include "PollEngine.h"
#include "SerialPort.h"

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

// Instruments 1..3 with frozen readings; 2 holds 57 archive records, 3 a wrapped ring of 257.
struct ArchiveLine : SimLine {
    ArchiveLine() : SimLine({"--first", "1", "--count", "3", "--fixed", "--archive", "2:57", "--archive", "3:257"}) {}

    // Wire starts of the archive reads sent to an address.
    QList<int> archiveReads(int address) const
    {
        QList<int> out;
        for (const QByteArray& r : requests()) {
            if (r.size() == 8 && quint8(r.at(0)) == address && r.at(1) == 3 && quint8(r.at(5)) == 122)
                out << ((quint8(r.at(2)) << 8) | quint8(r.at(3)));
        }
        return out;
    }
};

struct Engine {
    SerialPort port;
    FakePanel panel;
    PollEngine engine{port, panel};
    QTimer timer;

    explicit Engine(const SimLine& line)
    {
        engine.setWorkDir(line.dir.path());
        panel.workDir = line.dir.path();
        panel.setRange({1, 3});
        engine.Init({1, 3});
        for (int i = 0; i < 10; ++i) engine.Tick();  // the first request goes out on the first tick
        timer.setInterval(100);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { engine.Tick(); });
    }

    bool connect()
    {
        panel.connectChecked = true;
        engine.Connect();
        return engine.PortOpen();
    }

    // Runs the real timer until done() holds, or the bound passes.
    bool runUntil(const std::function<bool()>& done, int boundMs) { return RunTimerUntil(timer, done, boundMs); }

    // Reads the archive of an instrument; true when the download has ended with Memo1 rewritten.
    // "NUM" as the window hands it down.
    void setCommandAddress(int address)
    {
        engine.setCommandAddress(address);
    }

    bool download(int address)
    {
        setCommandAddress(address);
        panel.memo = QStringList{QStringLiteral("Архив")};
        engine.ReadArchive();
        return runUntil([&] { return engine.PendingRequest() == RequestKind::ReadMeasurement && panel.memo != QStringList{"Архив"}; },
                        25000);
    }
};

// Date and time of a listed line (two-digit years are this century's here).
QDateTime lineTime(const QString& line)
{
    return QDateTime::fromString(line.left(14), QStringLiteral("dd.MM.yy HH:mm")).addYears(100);
}

// The record values of the simulator's fixed archive: pH 6.00 + r/100, E −(A + r/10), T 20 + A + r/10.
QString recordValues(int address, int r)
{
    return ArchiveValuesText(6.0 + r / 100.0, -(address + r / 10.0), 20.0 + address + r / 10.0);
}

void expectFiveMinutesApart(const QStringList& lines)
{
    for (int i = 1; i < lines.size(); ++i)
        ASSERT_EQ(lineTime(lines.at(i - 1)).secsTo(lineTime(lines.at(i))), 300) << "line " << i + 1;
}

TEST(ArchiveOnTheLine, DownloadOf57Records)
{
    ArchiveLine line;
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    ASSERT_TRUE(e.connect()) << e.panel.notices.join('|').toStdString();
    ASSERT_TRUE(e.download(2)) << "status: " << e.panel.status.toStdString();

    EXPECT_EQ(line.archiveReads(2), ArchiveBlockStarts());
    EXPECT_TRUE(e.panel.statusHistory.contains(QStringLiteral("2-АРХИВ-  100 %")));
    const QStringList& memo = e.panel.memo;
    ASSERT_EQ(memo.size(), 57);
    EXPECT_EQ(memo.first().mid(14), "   " + recordValues(2, 1));
    EXPECT_EQ(memo.at(9).mid(14), "   " + recordValues(2, 10) + "     10");
    EXPECT_EQ(memo.at(49).mid(14), "   " + recordValues(2, 50) + "     50");
    EXPECT_EQ(memo.last().mid(14), "   " + recordValues(2, 57));
    expectFiveMinutesApart(memo);
    // The newest record was taken at the minute the simulator started.
    EXPECT_LE(std::abs(lineTime(memo.last()).secsTo(QDateTime::currentDateTime())), 120);
    EXPECT_FALSE(e.panel.statusHistory.join('|').contains("-No"));
    EXPECT_TRUE(e.panel.notices.isEmpty());
}

TEST(ArchiveOnTheLine, WrappedRingIsListedOldestFirst)
{
    ArchiveLine line;
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    ASSERT_TRUE(e.connect()) << e.panel.notices.join('|').toStdString();
    ASSERT_TRUE(e.download(3)) << "status: " << e.panel.status.toStdString();

    const QStringList& memo = e.panel.memo;
    ASSERT_EQ(memo.size(), 200);
    // Records 58..257: slots 58..200, then 1..57.
    EXPECT_EQ(memo.first().mid(14), "   " + recordValues(3, 58));
    EXPECT_EQ(memo.at(142).mid(14), "   " + recordValues(3, 200));
    EXPECT_EQ(memo.at(143).mid(14), "   " + recordValues(3, 201));
    EXPECT_EQ(memo.last().mid(14), "   " + recordValues(3, 257) + "     200");
    expectFiveMinutesApart(memo);
}

TEST(CommandsOnTheLine, PeriodIsWrittenAndReadBackAndTheClockIsSet)
{
    ArchiveLine line;
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    ASSERT_TRUE(e.connect()) << e.panel.notices.join('|').toStdString();

    e.setCommandAddress(2);
    e.panel.period = 33;  // the box, and the period handed down from it
    e.engine.setArchivePeriod(33);
    e.engine.SetPeriod();
    ASSERT_TRUE(e.runUntil([&] { return e.panel.statusHistory.contains(QStringLiteral("2-Период-Ok!")); }, 5000));
    e.panel.period = 1;  // what the box shows now comes from the instrument
    ASSERT_TRUE(e.runUntil([&] { return e.panel.period != 1; }, 6000));
    EXPECT_EQ(e.panel.period, 33);

    const bool confirmed = [&] {
        const FixedClock clock(QDateTime(QDate(2030, 6, 15), QTime(8, 30, 42)));
        e.engine.SetClock();
        return e.runUntil([&] { return e.panel.statusHistory.contains(QStringLiteral("2-Коррекция времени -Ok!")); }, 5000);
    }();
    ASSERT_TRUE(confirmed);
    // Instrument 2's next answer shows its clock: hh:mm dd.mm.yyyy.
    ASSERT_TRUE(e.runUntil([&] { return e.panel.clockText.endsWith(QStringLiteral("15.06.2030")); }, 6000))
        << e.panel.clockText.toStdString();
    EXPECT_TRUE(e.panel.clockText.startsWith(QStringLiteral("08:3"))) << e.panel.clockText.toStdString();
    // The simulator took exactly one clock write: 2030, June 15, 08:30.
    int clockWrites = 0;
    for (const QByteArray& r : line.requests()) {
        if (r.size() > 1 && r.at(1) == 0x10) {
            ++clockWrites;
            EXPECT_EQ(r.left(13).toHex(' '), QByteArray("02 10 00 05 00 03 06 14 1e 06 0f 08 1e"));
        }
    }
    EXPECT_EQ(clockWrites, 1);
    EXPECT_TRUE(e.panel.notices.isEmpty());
}

TEST(CommandsOnTheLine, EraseThenDownloadFindsNoArchive)
{
    ArchiveLine line;
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    ASSERT_TRUE(e.connect()) << e.panel.notices.join('|').toStdString();

    e.setCommandAddress(2);
    e.engine.EraseArchive();
    ASSERT_TRUE(e.runUntil([&] { return e.panel.statusHistory.contains(QStringLiteral("2-Удалить архив-Ok!")); }, 5000));
    ASSERT_TRUE(e.download(2)) << "status: " << e.panel.status.toStdString();
    EXPECT_EQ(e.panel.memo, QStringList({"АРХИВ ОТСУТСТВУЕТ"}));
    EXPECT_EQ(line.archiveReads(2), QList<int>({249}));
}

#else

TEST(ArchiveOnTheLine, NeedsTheSimulator)
{
    GTEST_SKIP() << "qm4700-sim is not built here (it needs libmodbus and a Unix system)";
}

#endif

}  // namespace
