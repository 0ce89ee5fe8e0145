// The journal of trend samples and the CSV export: what lands in the daily files as the chart
// samples, what a CSV reader gets back, and what the operator is told when a file cannot be written.
#include "test_trend_rig.h"

#include "FileSizeLimit.h"
#include "JournalSetting.h"
#include "TrendJournal.h"
#include "TrendRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QList<QByteArray> linesOf(const QString& path)
{
    QList<QByteArray> lines = readAll(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

DateTime at(int day, int h, int m, int s) { return ToDateTime(QDateTime(QDate(2026, 12, day), QTime(h, m, s))); }

// A chart on fakes with the journal wired to it as the window does, writing into a fresh directory.
struct JournalRig : ChartRig {
    QTemporaryDir dir;
    PolledRange range{3, 2};
    std::unique_ptr<TrendRecords> records;
    QStringList notices;

    explicit JournalRig(QTime startTime = QTime(14, 0, 0))
    {
        clock = QDateTime(QDate(2026, 12, 6), startTime);
        start(2, 3);
        records = std::make_unique<TrendRecords>(store, window.chart, nullptr);
        records->setRange(range);
        QObject::connect(chart.get(), &TrendChart::sampleTaken, chart.get(), [this] { records->SampleTaken(); });
        records->ShowNotice = [this](const QString& text, const QString&) { notices << text; };
        records->Start(dir.path());
        records->SetJournalOn(true);
        setRow(1, 7.01f, 25.5f);
        setRow(2, 6.5f, 24.0f);
        linkUp();
    }
    ~JournalRig() { records.reset(); }
    QString day(int d) const { return JournalFilePath(dir.path(), QDate(2026, 12, d)); }
};

TEST(TrendJournal, EverySampleGoesToTheDayOfItsLocalTimeAndANewFileStartsAtMidnight)
{
    JournalRig rig(QTime(23, 59, 48));
    for (int i = 0; i < 25; ++i) rig.tick();  // samples at 23:59:49, :54, :59, 00:00:04, :09

    const QList<QByteArray> before = linesOf(rig.day(6));
    const QList<QByteArray> after = linesOf(rig.day(7));
    ASSERT_EQ(rig.store.TrendCount(), 5);
    ASSERT_EQ(before.size(), 1 + 3);
    ASSERT_EQ(after.size(), 1 + 2);
    for (int d : {6, 7}) {
        EXPECT_EQ(linesOf(rig.day(d))[0], "\xEF\xBB\xBF" "Время,pH.3,T.3,pH.4,T.4\r") << d;
        EXPECT_EQ(readAll(rig.day(d)).count("\xEF\xBB\xBF"), 1) << "the mark opens a file, once";
    }
    // Line by line, the samples the store took, at their times.
    const QList<QByteArray> samples = before.mid(1) + after.mid(1);
    ASSERT_EQ(samples.size(), rig.store.TrendCount());
    for (int i = 1; i <= samples.size(); ++i) {
        const QByteArray time = JournalTime(FromDateTime(rig.store.TrendTime(i)));
        EXPECT_EQ(samples[i - 1], time + ",7.01,25.5,6.5,24\r") << i;
    }
    EXPECT_TRUE(before.last().startsWith("2026-12-06T23:59:59"));
    EXPECT_TRUE(after[1].startsWith("2026-12-07T00:00:04"));
    EXPECT_TRUE(rig.notices.isEmpty());
}

TEST(TrendJournal, TimesCarryTheirOffsetFromUtc)
{
    const QDate d(2026, 12, 7);
    const QTime t(14, 5, 3);
    EXPECT_EQ(JournalTime(QDateTime(d, t, Qt::OffsetFromUTC, 3 * 3600)), "2026-12-07T14:05:03+03:00");
    EXPECT_EQ(JournalTime(QDateTime(d, t, Qt::OffsetFromUTC, -(3 * 3600 + 1800))), "2026-12-07T14:05:03-03:30");
    EXPECT_EQ(JournalTime(QDateTime(d, t, Qt::UTC)), "2026-12-07T14:05:03+00:00");
}

TEST(TrendJournal, HeaderIsWrittenAgainWhenTheRangeDiffersFromTheOneTheFileLastNamed)
{
    const QByteArray bom = "\xEF\xBB\xBF";
    const QByteArray header1 = "Время,pH.1,T.1\r\n";
    const QByteArray old = "2026-12-06T13:00:00+00:00,7,25\r\n";
    TrendStore store;
    const double values[20] = {7.25, 20.5};
    store.AppendLoaded(at(6, 14, 0, 0), values);
    const QByteArray line = JournalLine(store, 1, {1, 1}).split(',').first();

    struct Case {
        const char* what;
        QByteArray existing;            // the day's file before this run
        QList<PolledRange> ranges;     // one append each
        QByteArray appended;            // what the run added, with "<line>" for each sample's time
    } cases[] = {
        {"new file", {}, {{1, 1}}, bom + header1 + "<t>,7.25,20.5\r\n"},
        {"same range after a restart", bom + header1 + old, {{1, 1}}, "<t>,7.25,20.5\r\n"},
        {"other range after a restart", bom + header1 + old, {{2, 1}}, "Время,pH.2,T.2\r\n<t>,7.25,20.5\r\n"},
        {"range changed while running", {}, {{1, 1}, {1, 1}, {1, 2}},
         bom + header1 + "<t>,7.25,20.5\r\n<t>,7.25,20.5\r\nВремя,pH.1,T.1,pH.2,T.2\r\n<t>,7.25,20.5,,\r\n"},
        {"last line cut short by a crash", bom + header1 + "2026-12-06T13:00", {{1, 1}}, "\r\n<t>,7.25,20.5\r\n"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString path = JournalFilePath(dir.path(), QDate(2026, 12, 6));
        if (!c.existing.isEmpty()) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(c.existing) == c.existing.size());
        }
        TrendJournal journal;
        journal.setWorkDir(dir.path());
        for (const PolledRange& r : c.ranges) EXPECT_TRUE(journal.Append(store, 1, r).written) << c.what;
        QByteArray expected = c.appended;
        expected.replace("<t>", line);
        EXPECT_EQ(readAll(path), c.existing + expected) << c.what;
    }
}

TEST(TrendJournal, SilentAndNeverAnsweredInstrumentsLeaveTheirCellsEmpty)
{
    struct Case {
        double pH, t;
        const char* cells;
    } cases[] = {
        {7.01, 25.5, "7.01,25.5"},   {-100, -100, ","},        {0, 0, ","},
        {0, 25.0, "0,25"},           {7.0, 0, "7,0"},          {-1.25, -0.00001, "-1.25,0"},
        {double(6.99f), 12.3456789, "6.99,12.3457"},
    };
    for (const Case& c : cases) {
        TrendStore store;
        const double values[20] = {5.5, 30, c.pH, c.t, 8, 9};
        store.AppendLoaded(at(6, 14, 0, 0), values);
        const QList<QByteArray> fields = JournalLine(store, 1, {7, 3}).trimmed().split(',');
        ASSERT_EQ(fields.size(), 7);
        EXPECT_EQ(fields[3] + ',' + fields[4], QByteArray(c.cells)) << c.pH << ' ' << c.t;
        EXPECT_EQ(fields[1] + ',' + fields[6], "5.5,9");
    }
}

TEST(TrendJournal, AFailingFolderIsToldOnceSamplingGoesOnAndTheNextSampleTriesAgain)
{
    enum Obstacle { FolderIsAFile, DayFileIsAFolder };
    for (Obstacle obstacle : {FolderIsAFile, DayFileIsAFolder}) {
        JournalRig rig;
        const QString folder = rig.dir.filePath(JournalDirName());
        if (obstacle == FolderIsAFile) {
            QFile f(folder);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        } else {
            ASSERT_TRUE(QDir().mkpath(rig.day(6)));
        }
        for (int i = 0; i < 15; ++i) rig.tick();
        EXPECT_EQ(rig.store.TrendCount(), 3) << obstacle;
        ASSERT_EQ(rig.notices.size(), 1) << obstacle;
        EXPECT_TRUE(rig.notices[0].contains(QDir::toNativeSeparators(rig.day(6)))) << rig.notices[0].toStdString();

        if (obstacle == FolderIsAFile)
            QFile::remove(folder);
        else
            QDir(rig.day(6)).removeRecursively();
        rig.tick(5);
        EXPECT_EQ(rig.store.TrendCount(), 4) << obstacle;
        EXPECT_EQ(linesOf(rig.day(6)).size(), 2) << obstacle;
        EXPECT_EQ(rig.notices.size(), 1) << obstacle;
    }
}

// A write the system refuses part way (here the file size limit, as a full disk would) is told in
// the operator's words, not the system's English.
TEST(TrendJournal, AWriteThatRunsOutOfRoomIsToldInRussian)
{
    JournalRig rig;
    {
        const test::FileSizeLimit limit(10);
        ASSERT_TRUE(limit.active());
        rig.tick();
    }
    ASSERT_EQ(rig.store.TrendCount(), 1);
    ASSERT_EQ(rig.notices.size(), 1);
    EXPECT_TRUE(rig.notices[0].endsWith(QStringLiteral(": файл слишком велик"))) << rig.notices[0].toStdString();
}

// A full disk in the middle of a row (here the file size limit) leaves no row cut short: the file
// goes back to its length before the append, the failure is told, and the next sample is written
// whole, so a strict CSV reader gets every row with the header's fields.
TEST(TrendJournal, AnAppendCutShortByAFullDiskIsTakenBack)
{
    JournalRig rig;
    for (int i = 0; i < 15; ++i) rig.tick();  // three samples
    const QString path = rig.day(6);
    const qint64 before = QFileInfo(path).size();
    ASSERT_GT(before, 0);
    {
        const test::FileSizeLimit limit(before + 20);  // a row is longer than that
        ASSERT_TRUE(limit.active());
        rig.tick(5);
    }
    EXPECT_EQ(QFileInfo(path).size(), before) << "the part of the row that got in is taken back";
    ASSERT_EQ(rig.notices.size(), 1);
    rig.tick(5);

    const QList<QByteArray> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 1 + rig.store.TrendCount() - 1) << "every sample but the lost one";
    for (const QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        EXPECT_EQ(line.count(','), lines[0].count(',')) << line.constData();
    }
}

TEST(TrendJournal, ExportReadsBackThroughPythonsCsvModule)
{
    ChartRig rig;
    rig.start();
    QTemporaryDir dir;
    TrendRecords records(rig.store, rig.window.chart, nullptr);
    records.setRange({11, 3});
    const QString path = dir.filePath(QStringLiteral("Экспорт.csv"));
    records.AskExportPath = [&](const QString&) { return path; };
    QStringList notices;
    records.ShowNotice = [&](const QString& text, const QString&) { notices << text; };

    TrendStore& store = rig.store;
    const double samples[3][6] = {{7.01, 25.5, -100, -100, 0, 0}, {6.9876, -3.25, 7.5, 20, 14, 99.9999}, {0, 0, 4, 0, 1e-5, 1234.5}};
    for (int i = 0; i < 3; ++i) {
        double values[20] = {};
        std::copy(samples[i], samples[i] + 6, values);
        store.AppendLoaded(at(6, 23, 59, 58) + i * OneSecond, values);
    }
    records.ExportCsv();
    ASSERT_TRUE(notices.isEmpty()) << notices.join('\n').toStdString();

    // A general CSV reader: the mark must be there, and every row must come back as written.
    const char* script = R"(
import csv, json, sys, datetime
raw = open(sys.argv[1], 'rb').read()
rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline=''), strict=True))
out = {'bom': raw.startswith(b'\xef\xbb\xbf'), 'header': rows[0], 'rows': []}
for r in rows[1:]:
    out['rows'].append([datetime.datetime.fromisoformat(r[0]).timestamp()] + [float(v) if v else None for v in r[1:]])
print(json.dumps(out))
)";
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    ASSERT_TRUE(python.waitForFinished(30000)) << "python3 is needed: scripts/setup installs it";
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    const QJsonObject out = QJsonDocument::fromJson(python.readAllStandardOutput()).object();

    EXPECT_TRUE(out["bom"].toBool());
    EXPECT_EQ(out["header"].toVariant().toStringList(),
              QStringList({"Время", "pH.11", "T.11", "pH.12", "T.12", "pH.13", "T.13"}));
    const QJsonArray rows = out["rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonArray row = rows[i].toArray();
        ASSERT_EQ(row.size(), 7) << i;
        EXPECT_EQ(qint64(row[0].toDouble()), FromDateTime(store.TrendTime(i + 1)).toSecsSinceEpoch()) << i;
        for (int k = 0; k < 3; ++k) {
            const double pH = samples[i][2 * k], t = samples[i][2 * k + 1];
            const bool empty = (pH == 0 && t == 0);
            for (int c = 0; c < 2; ++c) {
                const double v = samples[i][2 * k + c];
                const QJsonValue cell = row[1 + 2 * k + c];
                if (empty || v == -100)
                    EXPECT_TRUE(cell.isNull()) << i << ' ' << k << ' ' << c;
                else
                    EXPECT_NEAR(cell.toDouble(), v, 0.00005) << i << ' ' << k << ' ' << c;
            }
        }
    }
}

TEST(TrendJournal, TheChartsMenuSwitchesTheJournalKeepsTheChoiceBetweenRunsAndExports)
{
    ChartRig rig;
    rig.start();
    QTemporaryDir dir;
    const auto openMenu = [&] {
        const QPoint pos(300, 200);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, rig.window.chart->mapToGlobal(pos));
        QCoreApplication::sendEvent(rig.window.chart, &event);
        return rig.window.chart->findChild<QMenu*>();
    };
    const auto click = [](QMenu* menu, QAction* item) {
        const QPoint at = menu->actionGeometry(item).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, menu->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, menu->mapToGlobal(at), Qt::LeftButton, {}, {});
        QCoreApplication::sendEvent(menu, &press);
        QCoreApplication::sendEvent(menu, &release);
        QCoreApplication::processEvents();
    };
    const QString exported = dir.filePath(QStringLiteral("Экспорт.csv"));
    bool journalOn[2] = {};
    for (int run = 0; run < 2; ++run) {
        TrendRecords records(rig.store, rig.window.chart, nullptr);
        records.Start(dir.path());
        QPointer<QMenu> menu = openMenu();
        ASSERT_TRUE(menu);
        ASSERT_TRUE(menu->isVisible());
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 2);
        EXPECT_EQ(actions[0]->text(), "Вести журнал");
        EXPECT_EQ(actions[1]->text(), "Экспорт в CSV…");
        journalOn[run] = actions[0]->isChecked();
        if (run == 0) {
            EXPECT_FALSE(actions[1]->isEnabled()) << "nothing to export yet";
            click(menu, actions[0]);
            EXPECT_TRUE(records.JournalOn());
            rig.linkUp();
            rig.tick();
            continue;
        }
        // The save dialog runs its own event loop, which must not take the menu away under its click.
        records.AskExportPath = [&](const QString&) {
            QEventLoop loop;
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
            loop.exec();
            return exported;
        };
        ASSERT_TRUE(actions[1]->isEnabled());
        click(menu, actions[1]);
        EXPECT_TRUE(menu) << "the menu was destroyed while its own click was handled";
        EXPECT_EQ(linesOf(exported).size(), 2);
    }
    EXPECT_FALSE(journalOn[0]) << "off until switched on";
    EXPECT_TRUE(journalOn[1]) << "kept between runs";
    EXPECT_EQ(readAll(QDir(dir.path()).filePath(JournalSettingFileName)), "1\r\n");
}

}  // namespace
