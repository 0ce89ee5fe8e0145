// it.cfg: what a restart brings back, what a damaged or foreign file does, and that a failed
// write never costs the operator the settings saved before.
#include "FeedingFifo.h"
#include "FileSizeLimit.h"
#include "Files.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

using qm::FormatSettings;
using qm::ParseSettings;
using qm::ReadSettingsFile;
using qm::Settings;
using qm::SettingsRead;
using qm::WithReadValues;
using qm::WriteSettingsFile;
using qm::test::ReadAll;
using qm::test::WriteAll;

Settings Distinct()
{
    // Every value different, including the extremes and a layout list without a selection.
    Settings s;
    const qint32 v[18] = {16, 99, 10000, 120, 10, 42, 255, -1, -3, std::numeric_limits<qint32>::max(),
                          std::numeric_limits<qint32>::min(), 60, 1, 7, 3, 2, 1, 0};
    for (int i = 0; i < 18; ++i) s.setValue(i, v[i]);
    return s;
}

// The invariants every result keeps, whatever the bytes were.
void ExpectConsistent(const SettingsRead& r)
{
    EXPECT_TRUE(r.exists);
    EXPECT_GE(r.valuesRead, 0);
    EXPECT_LE(r.valuesRead, qm::SettingsLineCount);
    EXPECT_LE(r.linesPresent, r.valuesRead);
    if (r.failed) {
        EXPECT_EQ(r.failedLine, r.valuesRead + 1);
        EXPECT_FALSE(r.message.isEmpty());
    } else {
        EXPECT_EQ(r.valuesRead, qm::SettingsLineCount);
        EXPECT_TRUE(r.message.isEmpty());
        for (int i = r.linesPresent; i < qm::SettingsLineCount; ++i) EXPECT_EQ(r.values[i], 0) << i;
    }
}

// --- Round trip and format --------------------------------------------------------------

TEST(SettingsFile, EveryValueComesBackExactly)
{
    const Settings s = Distinct();
    const SettingsRead r = ParseSettings(FormatSettings(s));
    EXPECT_FALSE(r.failed) << r.message.toStdString();
    EXPECT_EQ(r.valuesRead, 18);
    EXPECT_EQ(r.linesPresent, 18);
    EXPECT_EQ(WithReadValues(Settings{}, r), s);
    EXPECT_EQ(r.values, s.values());
}

TEST(SettingsFile, WrittenFileIsEighteenDecimalLinesWithCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("it.cfg");
    ASSERT_EQ(WriteSettingsFile(path, Distinct()), QString());
    EXPECT_EQ(ReadAll(path), QByteArray("16\r\n99\r\n10000\r\n120\r\n10\r\n42\r\n255\r\n-1\r\n-3\r\n2147483647\r\n"
                                        "-2147483648\r\n60\r\n1\r\n7\r\n3\r\n2\r\n1\r\n0\r\n"));
    const SettingsRead r = ReadSettingsFile(path);
    EXPECT_TRUE(r.exists);
    EXPECT_EQ(WithReadValues(Settings{}, r), Distinct());

    // Writing again replaces the file whole, however long the old one was.
    ASSERT_TRUE(WriteAll(path, QByteArray(5000, '9')));
    ASSERT_EQ(WriteSettingsFile(path, Settings{}), QString());
    EXPECT_EQ(ReadAll(path), FormatSettings(Settings{}));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"it.cfg"})
        << "no temporary file left behind";
}

TEST(SettingsFile, MissingFileChangesNothingAndSaysNothing)
{
    QTemporaryDir dir;
    const SettingsRead r = ReadSettingsFile(dir.filePath("it.cfg"));
    EXPECT_FALSE(r.exists);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.valuesRead, 0);
    EXPECT_TRUE(r.message.isEmpty());
    // First run: port list on COM2, pH axis 0..10 step 2, temperature axis 0..50 step 10; the
    // controls keep their design values.
    const Settings s = WithReadValues(Settings{}, r);
    EXPECT_EQ(s.values(), (std::array<qint32, 18>{1, 1, 1000, 5, 1, 1, 1, -1, 0, 10, 0, 50, 2, 10, 0, 1, 2, 3}));
}

// --- Short files --------------------------------------------------------------------------

struct ShortCase {
    const char* name;
    QByteArray bytes;
    int linesPresent;
    std::vector<qint32> leading;
};
void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }


class ShortFile : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortFile, ValuesBeyondTheEndReadAsZeroWithoutError)
{
    const ShortCase& c = GetParam();
    const SettingsRead r = ParseSettings(c.bytes);
    ExpectConsistent(r);
    EXPECT_FALSE(r.failed) << r.message.toStdString();
    EXPECT_EQ(r.valuesRead, 18) << "every value, including the zeros, is applied";
    EXPECT_EQ(r.linesPresent, c.linesPresent);
    for (size_t i = 0; i < c.leading.size(); ++i) EXPECT_EQ(r.values[i], c.leading[i]) << i;
    for (int i = c.linesPresent; i < 18; ++i) EXPECT_EQ(r.values[i], 0) << i;
    // A short file overrides defaults with 0: the scales of a 10-line file are 3, 9, 0, 0 ...
    const Settings s = WithReadValues(Settings{}, r);
    EXPECT_EQ(s.scales.TScaleMax, 0);
    EXPECT_EQ(s.slotDevice[3], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ShortFile,
    ::testing::Values(ShortCase{"Empty", "", 0, {}},
                      ShortCase{"OnlyBom", "\xEF\xBB\xBF", 0, {}},
                      ShortCase{"TwoLines", "7\r\n3\r\n", 2, {7, 3}},
                      ShortCase{"NoFinalLineEnd", "7\r\n3", 2, {7, 3}},
                      ShortCase{"TrailingBlankLines", "7\r\n3\r\n\r\n   \r\n\t\n", 2, {7, 3}},
                      ShortCase{"TenLines", "1\n2\n3\n4\n5\n6\n7\n8\n3\n9\n", 10, {1, 2, 3, 4, 5, 6, 7, 8, 3, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- One line, every way of writing it ----------------------------------------------------

struct LineCase {
    const char* name;
    QByteArray line;     // the first line, without its line end
    bool valid;
    qint32 value;        // when valid
    const char* shown;   // when not valid: what the warning quotes
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }


class FirstLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(FirstLine, ReadsAsOneIntegerOrStopsTheRead)
{
    const LineCase& c = GetParam();
    const SettingsRead r = ParseSettings(c.line + "\r\n7\r\n");
    ExpectConsistent(r);
    if (c.valid) {
        EXPECT_FALSE(r.failed) << r.message.toStdString();
        EXPECT_EQ(r.values[0], c.value);
        EXPECT_EQ(r.values[1], 7) << "the rest of line 1 is skipped, line 2 is read";
    } else {
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.failedLine, 1);
        EXPECT_EQ(r.valuesRead, 0);
        EXPECT_EQ(r.detail, QString()) << "the message says it all, in Russian";
        EXPECT_TRUE(r.message.contains(QStringLiteral("строка 1:"))) << r.message.toStdString();
        EXPECT_TRUE(r.message.contains(QString::fromUtf8(c.shown))) << r.message.toStdString();
    }
}

const LineCase LineCases[] = {
    {"Plain", "42", true, 42, ""},
    {"LeadingBlanks", "   42", true, 42, ""},
    {"LeadingTab", "\t42", true, 42, ""},
    {"Plus", "+42", true, 42, ""},
    {"Minus", "-42", true, -42, ""},
    {"LeadingZeros", "000000000000000000000042", true, 42, ""},
    {"MinusZero", "-0", true, 0, ""},
    {"TrailingBlanks", "42   ", true, 42, ""},
    {"CommentAfterBlank", "42 порт COM43", true, 42, ""},
    {"WordAfterTab", "42\tx", true, 42, ""},
    {"Largest", "2147483647", true, 2147483647, ""},
    {"Smallest", "-2147483648", true, std::numeric_limits<qint32>::min(), ""},
    {"NulIsBlank", QByteArray("42\0zz", 5), true, 42, ""},
    {"VerticalTabIsBlank", "42\v99", true, 42, ""},  // a lone CR ends the line (LineEnds)
    {"JustAboveLargest", "2147483648", false, 0, "«2147483648» вне допустимых пределов"},
    {"JustBelowSmallest", "-2147483649", false, 0, "«-2147483649» вне допустимых пределов"},
    {"ElevenDigits", "99999999999", false, 0, "«99999999999» вне допустимых пределов"},
    {"ManyDigits", QByteArray(40, '9'), false, 0, "вне допустимых пределов"},
    {"DigitsThenLetters", "12abc", false, 0, "не число «12abc»"},
    {"Word", "abc", false, 0, "не число «abc»"},
    {"SignAlone", "-", false, 0, "не число «-»"},
    {"SignBlankDigits", "- 5", false, 0, "не число «-»"},
    {"TwoSigns", "--5", false, 0, "не число «--5»"},
    {"Hex", "$10", false, 0, "не число «$10»"},
    {"CHex", "0x10", false, 0, "не число «0x10»"},
    {"DecimalPoint", "1.5", false, 0, "не число «1.5»"},
    {"DecimalComma", "1,5", false, 0, "не число «1,5»"},
    {"Windows1251", "\xEF\xEE\xF0\xF2", false, 0, "не число «порт»"},
    {"LongWordShortened", "abcdefghijklmnopqrstuvwxyz", false, 0, "«abcdefghijklmnopqrst…»"},
    {"FullWidthDigit", "\xEF\xBC\x95", false, 0, "не число"},
};

INSTANTIATE_TEST_SUITE_P(Settings, FirstLine, ::testing::ValuesIn(LineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Line ends and byte order mark -----------------------------------------------------------

struct EncodingCase {
    const char* name;
    QByteArray bytes;
};
void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }


class LineEnds : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(LineEnds, SameValuesWhateverTheLineEnds)
{
    const SettingsRead r = ParseSettings(GetParam().bytes);
    ExpectConsistent(r);
    EXPECT_FALSE(r.failed) << r.message.toStdString();
    EXPECT_EQ(r.linesPresent, 18);
    EXPECT_EQ(WithReadValues(Settings{}, r), Distinct());
}

QByteArray WithLineEnds(const QByteArray& crlfText, const QByteArray& end)
{
    QByteArray t = crlfText;
    return t.replace("\r\n", end);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LineEnds,
    ::testing::Values(EncodingCase{"CrLf", FormatSettings(Distinct())},
                      EncodingCase{"Lf", WithLineEnds(FormatSettings(Distinct()), "\n")},
                      EncodingCase{"Bom", "\xEF\xBB\xBF" + FormatSettings(Distinct())},
                      EncodingCase{"BomLf", "\xEF\xBB\xBF" + WithLineEnds(FormatSettings(Distinct()), "\n")},
                      EncodingCase{"Mixed", WithLineEnds(FormatSettings(Distinct()), "\r\n").replace("99\r\n", "99\n")},
                      EncodingCase{"ExtraLinesIgnored", FormatSettings(Distinct()) + "мусор\r\n\r\n12abc\r\n"},
                      EncodingCase{"NoFinalLineEnd", FormatSettings(Distinct()).chopped(2)},
                      EncodingCase{"Cr", WithLineEnds(FormatSettings(Distinct()), "\r")},
                      EncodingCase{"CrAndLfMixed", WithLineEnds(FormatSettings(Distinct()), "\r").replace("99\r", "99\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, ByteOrderMarkIsAcceptedOnlyAtTheStart)
{
    const SettingsRead r = ParseSettings("5\r\n\xEF\xBB\xBF" "6\r\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 2);
    EXPECT_EQ(r.values[0], 5);
}

// --- A damaged line in the middle ----------------------------------------------------------

TEST(SettingsFile, BadLineKeepsWhatWasReadBeforeIt)
{
    QByteArray bytes = FormatSettings(Distinct());
    QList<QByteArray> lines = bytes.split('\n');
    lines[7] = "x7\r";  // line 8, the layout
    bytes = lines.join('\n');

    const SettingsRead r = ParseSettings(bytes);
    ExpectConsistent(r);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 8);
    EXPECT_EQ(r.valuesRead, 7);
    EXPECT_EQ(r.message, QStringLiteral("Ошибка в файле it.cfg, строка 8: не число «x7». "
                                        "Настройки, начиная с этой строки, взяты по умолчанию."));
    EXPECT_EQ(r.detail, QString()) << "the message says it all, in Russian";

    // Lines 1..7 from the file, lines 8..18 as without a file.
    const Settings s = WithReadValues(Settings{}, r);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(s.value(i), i < 7 ? Distinct().value(i) : Settings{}.value(i)) << i;
}

TEST(SettingsFile, BlankLineBeforeMoreLinesStopsTheRead)
{
    // Skipping it would move every later value onto the wrong setting.
    const SettingsRead r = ParseSettings("3\r\n4\r\n \r\n5\r\n6\r\n");
    ExpectConsistent(r);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 3);
    EXPECT_EQ(r.values[0], 3);
    EXPECT_EQ(r.values[1], 4);
    EXPECT_TRUE(r.message.contains(QStringLiteral("пустая строка"))) << r.message.toStdString();
}

// --- Hostile bytes -------------------------------------------------------------------------

TEST(SettingsFile, RandomBytesNeverBreakTheReader)
{
    std::mt19937 random(20240307);
    static const char letters[] = "0123456789+- \t\r\n\n\nx\xEF\xBB\xBF\xFF";
    const QByteArray alphabet(letters, sizeof letters - 1);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes(int(random() % 200), '\0');
        const bool anyByte = round % 2 == 0;
        for (char& b : bytes)
            b = anyByte ? char(random() & 0xFF) : alphabet[int(random() % alphabet.size())];
        const SettingsRead r = ParseSettings(bytes);
        ExpectConsistent(r);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "input: " << bytes.toHex().toStdString();
            return;
        }
    }
}

TEST(SettingsFile, HugeFileIsReadOnlyAsFarAsNeeded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("it.cfg");

    // 18 good lines followed by far more than the reader looks at.
    ASSERT_TRUE(WriteAll(path, FormatSettings(Distinct()) + QByteArray(3 << 20, 'z')));
    SettingsRead r = ReadSettingsFile(path);
    EXPECT_FALSE(r.failed) << r.message.toStdString();
    EXPECT_EQ(WithReadValues(Settings{}, r), Distinct());

    // A first line longer than the reader looks at: its end and every later line are out of
    // reach, so it is not taken for the end of the file.
    ASSERT_TRUE(WriteAll(path, "5" + QByteArray(3 << 20, ' ') + "\r\n6\r\n"));
    r = ReadSettingsFile(path);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 1);
    EXPECT_EQ(r.valuesRead, 0);

    // Blanks up to the cap and a value behind it: not the end of the file either.
    ASSERT_TRUE(WriteAll(path, "5\r\n" + QByteArray(3 << 20, '\n') + "6\r\n"));
    r = ReadSettingsFile(path);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 2);
    EXPECT_EQ(r.values[0], 5);

    // A single line of millions of digits.
    ASSERT_TRUE(WriteAll(path, QByteArray(2 << 20, '7')));
    r = ReadSettingsFile(path);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 1);
}

TEST(SettingsFile, UnreadableFileIsReportedAndNothingApplied)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("it.cfg");
    ASSERT_TRUE(QDir(dir.path()).mkdir("it.cfg"));
    const SettingsRead r = ReadSettingsFile(path);
    EXPECT_TRUE(r.exists);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failedLine, 0);
    EXPECT_EQ(r.valuesRead, 0);
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("Не удалось прочитать файл it.cfg"))) << r.message.toStdString();
    EXPECT_EQ(WithReadValues(Settings{}, r), Settings{});
}

// A pipe or a device under the name would block the start-up for ever: it is refused unopened.
TEST(SettingsFile, NamedPipeIsRefusedUnopened)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("it.cfg");
    qm::test::FeedingFifo fifo(path, FormatSettings(Distinct()));
    ASSERT_TRUE(fifo.created());
    const SettingsRead r = ReadSettingsFile(path);
    EXPECT_FALSE(fifo.opened());
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.valuesRead, 0);
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("Не удалось прочитать файл it.cfg"))) << r.message.toStdString();
}

// --- Failed writes -------------------------------------------------------------------------

struct WriteFailure {
    const char* name;
    const char* blocker;   // a file made where the settings' directory or file would be
    const char* target;    // relative to the temporary directory
    bool blockerIsDirectory;
    const char* reason;
};
void PrintTo(const WriteFailure& c, std::ostream* os) { *os << c.name; }


class FailedWrite : public ::testing::TestWithParam<WriteFailure> {};

TEST_P(FailedWrite, IsReportedAndTouchesNothing)
{
    const WriteFailure& c = GetParam();
    QTemporaryDir dir;
    const QString blocker = dir.filePath(c.blocker);
    if (c.blockerIsDirectory) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(c.blocker));
        ASSERT_TRUE(WriteAll(blocker + "/keep", "old"));
    } else {
        ASSERT_TRUE(WriteAll(blocker, "old\r\n"));
    }
    const QString error = WriteSettingsFile(dir.filePath(c.target), Distinct());
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось сохранить настройки в файл"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
    if (c.blockerIsDirectory) {
        EXPECT_TRUE(QFileInfo(blocker).isDir());
        EXPECT_EQ(ReadAll(blocker + "/keep"), "old");
    } else {
        EXPECT_EQ(ReadAll(blocker), "old\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FailedWrite,
    ::testing::Values(WriteFailure{"ParentIsAFile", "work", "work/it.cfg", false, "Cannot find directory"},
                      WriteFailure{"ParentMissing", "other", "gone/it.cfg", false, "Cannot find directory"},
                      WriteFailure{"TargetIsADirectory", "it.cfg", "it.cfg", true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, WriteThatRunsOutOfRoomKeepsTheOldFile)
{
    // A file size limit makes the write fail part way, as a full disk would; root is bound by it too.
    QTemporaryDir dir;
    const QString path = dir.filePath("it.cfg");
    const QByteArray old = FormatSettings(Settings{});
    ASSERT_TRUE(WriteAll(path, old));

    QString error;
    {
        const qm::test::FileSizeLimit limit(10);
        ASSERT_TRUE(limit.active());
        error = WriteSettingsFile(path, Distinct());
    }

    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось сохранить настройки в файл"))) << error.toStdString();
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"it.cfg"})
        << "no temporary file left behind";
}

}  // namespace
