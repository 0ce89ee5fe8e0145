// The trend data file "График.txt": line format, reading lines back, saving and loading the store,
// and files that were not written by the program.
#include "FileSizeLimit.h"
#include "Files.h"
#include "FixedClock.h"
#include "TrendFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <memory>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;
using qm::test::ReadAll;
using qm::test::WriteAll;

namespace {

DateTime At(int year, int month, int day, int h, int m, int s)
{
    return ToDateTime(QDateTime(QDate(year, month, day), QTime(h, m, s)));
}

double Round4(double v) { return std::round(v * 10000.0) / 10000.0; }

// Every test runs on 6 December 2026, so two-digit years 00..75 are 2000..2075.
class TrendFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("График.txt"));
    }

    QString Save(const TrendStore& store) { return SaveTrendFile(store, dir.path()); }
    TrendLoadResult Load(TrendStore& store) { return LoadTrendFile(store, dir.path()); }

    QTemporaryDir dir;
    QString path;
    test::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(15, 0, 0))};
    std::unique_ptr<TrendStore> store = std::make_unique<TrendStore>();
    std::unique_ptr<TrendStore> loaded = std::make_unique<TrendStore>();
};

// ---- one line ----------------------------------------------------------------------------------

TEST_F(TrendFileTest, ValuesAreWrittenWithFourDecimalsAndAComma)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {-100.0, "-100,0000"}, {0.0, "0,0000"},      {double(7.01f), "7,0100"}, {25.5, "25,5000"},
        {7.01234, "7,0123"},   {3.99996, "4,0000"},  {-0.00001, "0,0000"},      {12345.6, "12345,6000"},
        {-3.25, "-3,2500"},    {NAN, "0,0000"},      {INFINITY, "0,0000"},
    };
    for (const Case& c : cases) {
        double values[20] = {};
        values[4] = c.value;
        const QList<QByteArray> fields = FormatTrendLine(At(2026, 12, 6, 9, 5, 3), values).split(' ');
        ASSERT_EQ(fields.size(), 22);
        EXPECT_EQ(fields[6], QByteArray(c.text)) << c.value;
        EXPECT_EQ(fields[5], QByteArray("0,0000"));
    }
}

TEST_F(TrendFileTest, DateAndTimeAreTwoDigitFields)
{
    struct Case {
        DateTime t;
        const char* start;
    } cases[] = {
        {At(2026, 12, 6, 9, 5, 3), "06.12.26 09:05:03 "},
        {At(2026, 12, 6, 0, 0, 0), "06.12.26 00:00:00 "},
        {At(2026, 12, 31, 23, 59, 59), "31.12.26 23:59:59 "},
        {At(2000, 1, 1, 12, 0, 0), "01.01.00 12:00:00 "},
        {At(1999, 3, 7, 1, 2, 3), "07.03.99 01:02:03 "},
        // A time a hair below a whole second, as arithmetic on days leaves it, is that second.
        {At(2026, 12, 6, 10, 0, 0) - 1e-9, "06.12.26 10:00:00 "},
    };
    const double zeros[20] = {};
    for (const Case& c : cases) EXPECT_TRUE(FormatTrendLine(c.t, zeros).startsWith(c.start)) << c.start;
}

TEST_F(TrendFileTest, LineHasTwentyTwoFieldsWithSingleBlanksAndNoLineEnd)
{
    double values[20];
    for (int ch = 0; ch < 20; ++ch) values[ch] = ch % 2 ? 20.0 + ch : -100.0;
    const QByteArray line = FormatTrendLine(At(2026, 12, 6, 14, 5, 0), values);
    EXPECT_FALSE(line.startsWith(' '));
    EXPECT_FALSE(line.endsWith(' '));
    EXPECT_FALSE(line.contains("  "));
    EXPECT_FALSE(line.contains('\r'));
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_FALSE(line.mid(17).contains('.')) << "values use a comma";
    EXPECT_EQ(line.split(' ').size(), 22);
    EXPECT_EQ(line.left(17), QByteArray("06.12.26 14:05:00"));
}

struct ParseCase {
    const char* name;
    const char* line;
    bool ok;
    DateTime time;              // when ok
    std::vector<double> first;  // expected channels 1.., the rest 0
};

TEST_F(TrendFileTest, ParsesLinesAsTheLoaderReadsThem)
{
    const DateTime t1405 = At(2026, 12, 6, 14, 5, 0);
    std::vector<double> twenty;
    QByteArray many = "06.12.26 14:05:00";
    for (int ch = 1; ch <= 23; ++ch) {
        many += ' ' + QByteArray::number(ch) + ",5";
        if (ch <= 20) twenty.push_back(ch + 0.5);
    }
    const ParseCase cases[] = {
        {"two values", "06.12.26 14:05:00 7,0100 25,5000", true, t1405, {7.01, 25.5}},
        {"decimal points", "06.12.26 14:05:00 7.0100 25.5", true, t1405, {7.01, 25.5}},
        {"only date and time", "06.12.26 14:05:00", true, t1405, {}},
        {"blanks between the fields", "06.12.26    14:05:00   7,01    -100,0000 ", true, t1405, {7.01, -100}},
        {"CR LF left on", "06.12.26 14:05:00 1,5\r\n", true, t1405, {1.5}},
        {"not numbers give 0", "06.12.26 14:05:00 abc 1,2,3 1,5 7,01x - , e5 2", true, t1405,
         {0, 0, 1.5, 0, 0, 0, 0, 2}},
        {"sign and exponent", "06.12.26 14:05:00 +3 -1,5e2 2E-1 .5 7,", true, t1405, {3, -150, 0.2, 0.5, 7}},
        {"overflow is not a number", "06.12.26 14:05:00 1e999 4", true, t1405, {0, 4}},
        {"more than twenty values", many.constData(), true, t1405, twenty},
        {"one-digit day", "6.12.26 14:05:00 7,0100", false, 0, {}},
        {"one field", "06.12.26", false, 0, {}},
        {"date and blank only", "06.12.26 ", false, 0, {}},
        {"empty", "", false, 0, {}},
        {"blanks", "      ", false, 0, {}},
        {"leading blank", " 06.12.26 14:05:00 1", false, 0, {}},
        {"invalid date and time", "32.13.26 25:61:00 1,0", false, 0, {}},
        {"31 November", "31.11.26 10:00:00 1,0", false, 0, {}},
        {"hour 24", "06.12.26 24:00:00 1,0", false, 0, {}},
        {"wrong separators", "06/12/26 14-05-00 1,0", false, 0, {}},
        {"tab instead of blank", "06.12.26\t14:05:00 1,0", false, 0, {}},
        {"letters", "aa.bb.cc dd:ee:ff 1,0", false, 0, {}},
    };
    for (const ParseCase& c : cases) {
        DateTime t = -1;
        double values[20];
        for (double& v : values) v = -7;
        const bool ok = ParseTrendLine(QByteArray(c.line), &t, values);
        ASSERT_EQ(ok, c.ok) << c.name;
        if (!ok) {
            EXPECT_EQ(t, -1) << c.name;  // untouched
            continue;
        }
        EXPECT_EQ(t, c.time) << c.name;
        for (int ch = 0; ch < 20; ++ch) {
            const double expected = ch < int(c.first.size()) ? c.first[size_t(ch)] : 0.0;
            EXPECT_DOUBLE_EQ(values[ch], expected) << c.name << " channel " << ch + 1;
        }
    }
}

TEST_F(TrendFileTest, TwoDigitYearsFollowTheWindowOfTheCurrentYear)
{
    struct Case {
        int currentYear;
        const char* yy;
        int year;
    } cases[] = {
        {2026, "00", 2000}, {2026, "75", 2075}, {2026, "76", 1976}, {2026, "99", 1999},
        {2080, "29", 2129}, {2080, "30", 2030}, {2080, "99", 2099},
    };
    for (const Case& c : cases) {
        SetClock([y = c.currentYear] { return QDateTime(QDate(y, 6, 1), QTime(12, 0)); });
        DateTime t = 0;
        double values[20];
        ASSERT_TRUE(ParseTrendLine(QByteArray("06.12.") + c.yy + " 14:05:00 1", &t, values)) << c.yy;
        EXPECT_EQ(t, At(c.year, 12, 6, 14, 5, 0)) << c.currentYear << " " << c.yy;
    }
}

// The file holds two-digit years, so a line with a longer year loads only when saving it again
// brings back the same date: 1900 would come back as 2000.
TEST_F(TrendFileTest, OnlyYearsTheFileCanHoldAgainAreRead)
{
    const struct {
        const char* line;
        int year;  // 0: refused
    } cases[] = {
        {"1.1.1900 14:00:00 1", 0},    {"1.1.2076 14:00:00 1", 0}, {"6.12.026 14:00:00", 0},
        {"1.1.1976 14:00:00 1", 1976}, {"1.1.2026 14:00:00 1", 2026}, {"1.1.2075 14:00:00 1", 2075},
    };
    for (const auto& c : cases) {
        DateTime t = -1;
        double values[20];
        ASSERT_EQ(ParseTrendLine(QByteArray(c.line), &t, values), c.year != 0) << c.line;
        if (c.year == 0) continue;
        EXPECT_EQ(t, At(c.year, 1, 1, 14, 0, 0)) << c.line;
        DateTime again = -1;
        ASSERT_TRUE(ParseTrendLine(FormatTrendLine(t, values), &again, values)) << c.line;
        EXPECT_EQ(again, t) << c.line;
    }
}

// The date and time of a line are read with the same rules as every other date-time text of the
// program: both readers must agree on every 17-character text, except that the trend reader also
// refuses a year its file cannot hold (the year 26 written "026").
TEST_F(TrendFileTest, DateTimeAgreesWithTheProgramsDateTimeReader)
{
    const char* texts[] = {
        "06.12.26 14:05:00", "6.12.2026 14:05:0", "06.1.2026 4:05:00", "06.12.026 14:05:0",
        "29.02.24 00:00:59", "29.02.25 00:00:59", "06.12.2026 14:5:0", "1.1.0000 00:00:00",
        "06.12.26 14:05:60", "06.12.26 14:60:00", "00.12.26 14:05:00", "06.00.26 14:05:00",
        "06.12.26 1:05:000", "06.12.26 14:05:00",
    };
    for (const char* text : texts) {
        ASSERT_EQ(strlen(text), 17u);
        DateTime expected = -1, actual = -1;
        const bool expectedOk =
            ParseDateTimeText(QString::fromLatin1(text), &expected) && strstr(text, ".026 ") == nullptr;
        double values[20];
        const bool ok = ParseTrendLine(QByteArray(text), &actual, values);
        EXPECT_EQ(ok, expectedOk) << text;
        if (ok && expectedOk) {
            EXPECT_EQ(actual, expected) << text;
        }
    }
}

// ---- saving and loading -------------------------------------------------------------------------

TEST_F(TrendFileTest, ThreeSamplesRoundTripToTheSecondAndFourDecimals)
{
    const DateTime times[3] = {At(2026, 12, 6, 23, 59, 58), At(2026, 12, 7, 0, 0, 0), At(2026, 12, 7, 0, 0, 5)};
    for (int i = 0; i < 3; ++i) {
        double values[20];
        for (int ch = 0; ch < 20; ++ch) values[ch] = ch % 2 ? 20.123456 + i : (i == 1 ? -100.0 : 7.01 + ch / 1000.0);
        ASSERT_TRUE(store->AppendLoaded(times[i], values));
    }
    ASSERT_EQ(Save(*store), QString());

    const QByteArray raw = ReadAll(path);
    const QList<QByteArray> lines = raw.split('\n');
    ASSERT_EQ(lines.size(), 4);  // three lines and nothing after the last CR LF
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_EQ(raw.count("\r\n"), 3);
    EXPECT_EQ(raw.count('\r'), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i].chopped(1).split(' ').size(), 22) << i;
    EXPECT_TRUE(lines[1].startsWith("07.12.26 00:00:00 -100,0000 21,1235 "));

    const TrendLoadResult r = Load(*loaded);
    EXPECT_TRUE(r.fileExisted);
    EXPECT_EQ(r.samples, 3);
    EXPECT_EQ(r.skippedLines, 0);
    EXPECT_TRUE(r.error.isEmpty());
    ASSERT_EQ(loaded->TrendCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(loaded->TrendTime(i), times[i - 1]) << i;
        for (int ch = 1; ch <= 20; ++ch)
            EXPECT_DOUBLE_EQ(loaded->TrendValue(ch, i), Round4(store->TrendValue(ch, i))) << i << " " << ch;
    }
    // Saving what was loaded gives the same bytes again.
    ASSERT_EQ(SaveTrendFile(*loaded, dir.path()), QString());
    EXPECT_EQ(ReadAll(path), raw);
}

TEST_F(TrendFileTest, FileIsByteExact)
{
    double values[20] = {};
    values[0] = double(7.01f);
    values[1] = 25.5;
    values[2] = -100.0;
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    values[0] = 6.99;
    store->AppendLoaded(At(2026, 12, 6, 0, 0, 0), values);
    ASSERT_EQ(Save(*store), QString());
    const QByteArray zeros17 = QByteArray(" 0,0000").repeated(17);
    const QByteArray expected = "06.12.26 09:05:03 7,0100 25,5000 -100,0000" + zeros17 + "\r\n"
                                + "06.12.26 00:00:00 6,9900 25,5000 -100,0000" + zeros17 + "\r\n";
    EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(TrendFileTest, SavingReplacesTheWholeFile)
{
    ASSERT_TRUE(WriteAll(path, QByteArray("old line\r\n").repeated(1000)));
    double values[20] = {};
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    ASSERT_EQ(Save(*store), QString());
    EXPECT_EQ(ReadAll(path), FormatTrendLine(At(2026, 12, 6, 9, 5, 3), values) + "\r\n");
}

TEST_F(TrendFileTest, EmptyStoreWritesNothing)
{
    EXPECT_EQ(Save(*store), QString());
    EXPECT_FALSE(QFile::exists(path)) << "no file is created";

    const QByteArray old = "06.12.26 14:05:00 7,0100\r\n";
    ASSERT_TRUE(WriteAll(path, old));
    EXPECT_EQ(Save(*store), QString());
    EXPECT_EQ(ReadAll(path), old);
}

TEST_F(TrendFileTest, SaveIntoAMissingDirectoryReportsIt)
{
    double values[20] = {};
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    // A directory below a regular file cannot exist, whoever runs the test.
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(WriteAll(plainFile, "x"));
    const QString missing = plainFile + QStringLiteral("/sub");
    const QString error = SaveTrendFile(*store, missing);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось записать файл "))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("График.txt"))) << error.toStdString();
    EXPECT_EQ(ReadAll(plainFile), QByteArray("x"));
}

TEST_F(TrendFileTest, UnreadFileIsSetAsideBeforeANewSave)
{
    // A directory in the file's place cannot be loaded; it must survive the next save.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("График.txt")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM_SOURCE_DIR "/README.md"), path + QStringLiteral("/keep")));
    const TrendLoadResult r = Load(*loaded);
    ASSERT_FALSE(r.error.isEmpty());
    EXPECT_EQ(SetAsideTrendFile(dir.path()), QString());
    const QString aside = dir.filePath(QStringLiteral("График.20261206-150000.txt"));
    EXPECT_TRUE(QFileInfo::exists(aside + QStringLiteral("/keep")));
    double values[20] = {};
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    EXPECT_EQ(Save(*store), QString());
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(SetAsideTrendFile(dir.path() + QStringLiteral("/none")), QString()) << "nothing to set aside";
}

// Saves in a child process for which the directory is locked: as "nobody" when the test runs as
// root (who may write anywhere), else with the directory made read-only. The file itself is
// writable for it or not. Returns what the save reported.
QString SaveWithLockedDirectory(const QString& dirPath, const QString& filePath, bool fileWritable,
                                const std::function<QString()>& save)
{
    const bool root = geteuid() == 0;
    constexpr uid_t Nobody = 65534;
    const QByteArray dirName = QFile::encodeName(dirPath), fileName = QFile::encodeName(filePath);
    if (root) {
        if (::chmod(dirName.constData(), 0755) != 0) return QStringLiteral("<chmod>");
        if (fileWritable && ::chown(fileName.constData(), Nobody, gid_t(-1)) != 0) return QStringLiteral("<chown>");
    } else {
        ::chmod(fileName.constData(), fileWritable ? 0644 : 0444);
        ::chmod(dirName.constData(), 0555);
    }
    int out[2];
    if (::pipe(out) != 0) return QStringLiteral("<pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::alarm(10);  // a save that hangs fails the test instead of stopping it
        if (root && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)) ::_exit(2);
        const QByteArray report = save().toUtf8();
        const ssize_t written = ::write(out[1], report.constData(), size_t(report.size()));
        ::_exit(written == report.size() ? 0 : 3);
    }
    ::close(out[1]);
    QByteArray report;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) report.append(buf, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(dirName.constData(), 0700);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return QStringLiteral("<child failed>");
    return QString::fromUtf8(report);
}

// Where the directory refuses a temporary file but the file itself is writable, the file is
// written in place; where the file is locked too, or the write in place fails half way (a file
// size limit, as a full disk), the failure is reported and no file is removed.
TEST_F(TrendFileTest, LockedDirectoryWritesAWritableFileInPlace)
{
    const QByteArray old = "06.12.26 14:05:00 7,0100\r\n" + QByteArray(3000, ' ') + "\r\n";
    double values[20] = {};
    values[0] = 6.5;
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    const QByteArray expected = FormatTrendLine(At(2026, 12, 6, 9, 5, 3), values) + "\r\n";
    struct Case {
        const char* name;
        bool fileWritable;
        rlim_t sizeLimit;  // 0: none
    } cases[] = {{"writable file", true, 0}, {"locked file", false, 0}, {"write fails half way", true, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAll(path, old));
        const QString error = SaveWithLockedDirectory(dir.path(), path, c.fileWritable, [&] {
            if (c.sizeLimit) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limited{c.sizeLimit, c.sizeLimit};
                setrlimit(RLIMIT_FSIZE, &limited);
            }
            return Save(*store);
        });
        if (c.fileWritable && !c.sizeLimit) {
            EXPECT_EQ(error, QString());
            EXPECT_EQ(ReadAll(path), expected) << "the longer old contents are cut off";
        } else {
            EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось записать файл "))) << error.toStdString();
        }
        if (!c.fileWritable) {
            EXPECT_EQ(ReadAll(path), old);
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("График.txt")});
        QFile::remove(path);
    }
}

// A pipe in the file's place is never opened for writing, which would wait for a reader for ever.
TEST_F(TrendFileTest, PipeInTheFilesPlaceIsNotWrittenInPlace)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    double values[20] = {};
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    const QString error = SaveWithLockedDirectory(dir.path(), path, true, [&] { return Save(*store); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось записать файл "))) << error.toStdString();
}

// A write that fails half way (as on a full disk) leaves the previous file as it was and no
// temporary file behind. The file size limit makes the write fail for root too.
TEST_F(TrendFileTest, WriteFailingHalfWayKeepsTheOldFile)
{
    const QByteArray old = "06.12.26 14:05:00 7,0100\r\n";
    ASSERT_TRUE(WriteAll(path, old));
    double values[20] = {};
    for (int i = 0; i < 100; ++i) store->AppendLoaded(At(2026, 12, 6, 9, 5, i % 60), values);

    QString error;
    {
        const test::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        error = Save(*store);
    }

    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось записать файл "))) << error.toStdString();
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("График.txt")});
}

TEST_F(TrendFileTest, MissingAndEmptyFiles)
{
    double values[20] = {};
    loaded->AppendLoaded(1.0, values);
    TrendLoadResult r = Load(*loaded);
    EXPECT_FALSE(r.fileExisted);
    EXPECT_EQ(r.samples, 0);
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_EQ(loaded->TrendCount(), 0) << "the store starts empty whatever it held";

    ASSERT_TRUE(WriteAll(path, QByteArray()));
    r = Load(*loaded);
    EXPECT_TRUE(r.fileExisted);
    EXPECT_EQ(r.samples, 0);
    EXPECT_EQ(r.skippedLines, 0);
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_EQ(loaded->TrendCount(), 0);
}

TEST_F(TrendFileTest, AtMostCapacityLinesAreLoaded)
{
    QByteArray data;
    const DateTime start = At(2026, 12, 1, 0, 0, 0);
    for (int i = 0; i < 12000; ++i) {
        double values[20] = {};
        values[0] = i;
        data += FormatTrendLine(start + i * OneSecond * 5, values) + "\r\n";
    }
    ASSERT_TRUE(WriteAll(path, data));
    const TrendLoadResult r = Load(*loaded);
    EXPECT_EQ(r.samples, TrendStore::TrendCapacity);
    ASSERT_EQ(loaded->TrendCount(), TrendStore::TrendCapacity);
    EXPECT_EQ(loaded->TrendTime(1), start);
    EXPECT_EQ(loaded->TrendTime(10000), At(2026, 12, 1, 13, 53, 15));  // line 10000: 49995 s later
    EXPECT_EQ(loaded->TrendValue(1, 10000), 9999.0);
}

TEST_F(TrendFileTest, BadLinesAreSkippedAndTheRestLoads)
{
    const QByteArray data = "\xEF\xBB\xBF"  // a UTF-8 mark left by an editor
                            "06.12.26 14:05:00 7,0100 25,5000\r\n"
                            "32.13.26 25:61:00 1,0\r\n"
                            "6.12.26 14:05:00 7,0100\r\n"
                            "\r\n"
                            "06.12.26 14:05:05 7.5 20.25\n"  // LF only, decimal points
                            "06.12.26 14:05:10 8,0";         // no line end at the end
    ASSERT_TRUE(WriteAll(path, data));
    const TrendLoadResult r = Load(*loaded);
    EXPECT_EQ(r.samples, 3);
    EXPECT_EQ(r.skippedLines, 3);
    ASSERT_EQ(loaded->TrendCount(), 3);
    EXPECT_EQ(loaded->TrendTime(1), At(2026, 12, 6, 14, 5, 0));
    EXPECT_DOUBLE_EQ(loaded->TrendValue(1, 1), 7.01);
    EXPECT_DOUBLE_EQ(loaded->TrendValue(2, 1), 25.5);
    for (int ch = 3; ch <= 20; ++ch) EXPECT_EQ(loaded->TrendValue(ch, 1), 0.0) << ch;
    EXPECT_EQ(loaded->TrendTime(2), At(2026, 12, 6, 14, 5, 5));
    EXPECT_DOUBLE_EQ(loaded->TrendValue(2, 2), 20.25);
    EXPECT_EQ(loaded->TrendTime(3), At(2026, 12, 6, 14, 5, 10));
    EXPECT_DOUBLE_EQ(loaded->TrendValue(1, 3), 8.0);
}

TEST_F(TrendFileTest, HostileFilesDoNotBreakTheLoad)
{
    const QByteArray good = "06.12.26 14:05:00 7,0100 25,5000\r\n";
    QByteArray random(300000, '\0');
    QRandomGenerator gen(4700);
    for (char& c : random) c = char(gen.bounded(256));
    const QByteArray hugeLine = "06.12.26 14:05:00 " + QByteArray(1 << 20, '9') + "\r\n";
    const QByteArray hugeField = "06.12.26 14:05:00 " + QByteArray(4000, '1') + " 2\r\n";
    const QByteArray nulLine = QByteArray("06.12.26\0 14:05:00 1\r\n06.12.26 14:05:00 1\0 2\r\n", 46);

    struct Case {
        const char* name;
        QByteArray data;
        int minSamples;  // at least these load
    } cases[] = {
        {"random bytes", random, 0},
        {"random bytes then a good line", random + "\n" + good, 1},
        {"a 1 MB line", hugeLine + good, 1},
        {"a 1 MB line without line end", QByteArray(1 << 20, 'x'), 0},
        {"only line ends", QByteArray(200000, '\n'), 0},
        {"a huge value field", hugeField, 1},
        {"NUL bytes", nulLine, 1},
        {"only blanks", QByteArray(100000, ' '), 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteAll(path, c.data)) << c.name;
        const TrendLoadResult r = Load(*loaded);
        EXPECT_TRUE(r.fileExisted) << c.name;
        EXPECT_TRUE(r.error.isEmpty()) << c.name;
        EXPECT_GE(r.samples, c.minSamples) << c.name;
        EXPECT_LE(loaded->TrendCount(), TrendStore::TrendCapacity) << c.name;
        EXPECT_EQ(r.samples, loaded->TrendCount()) << c.name;
    }
    // The good line after the 1 MB line is read as a sample of its own.
    ASSERT_TRUE(WriteAll(path, hugeLine + good));
    const TrendLoadResult r = Load(*loaded);
    EXPECT_EQ(r.samples, 1);
    EXPECT_EQ(r.skippedLines, 1);
    EXPECT_DOUBLE_EQ(loaded->TrendValue(2, 1), 25.5);
    // A value field far longer than any number the program writes is not a number.
    ASSERT_TRUE(WriteAll(path, hugeField));
    Load(*loaded);
    ASSERT_EQ(loaded->TrendCount(), 1);
    EXPECT_EQ(loaded->TrendValue(1, 1), 0.0);
    EXPECT_EQ(loaded->TrendValue(2, 1), 2.0);
}

TEST_F(TrendFileTest, ADirectoryInPlaceOfTheFileIsReportedNotRead)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("График.txt")));
    const TrendLoadResult r = Load(*loaded);
    EXPECT_TRUE(r.fileExisted);
    EXPECT_EQ(r.samples, 0);
    EXPECT_TRUE(r.error.startsWith(QStringLiteral("Не удалось прочитать файл "))) << r.error.toStdString();

    double values[20] = {};
    store->AppendLoaded(At(2026, 12, 6, 9, 5, 3), values);
    EXPECT_FALSE(Save(*store).isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

}  // namespace
