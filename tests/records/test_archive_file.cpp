// Archive files without widgets: names, bytes on disk, and the points read from their lines.
#include "ArchiveFile.h"
#include "ArchiveLineText.h"
#include "DateTimeText.h"
#include "FixedClock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using qm::ArchivePoint;
using qm::test::ArchiveLineText;

class ArchiveFileTest : public ::testing::Test {
protected:
    qm::test::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(12, 0))};
};

qm::DateTime At(int y, int mo, int d, int h, int mi, int s = 0)
{
    return qm::ToDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

TEST_F(ArchiveFileTest, ProposedNameCarriesAddressAndDate)
{
    EXPECT_EQ(qm::ProposedArchiveName(QStringLiteral("12"), QStringLiteral("06_12_26")),
              QStringLiteral("АрхивN12_06_12_26"));
    EXPECT_EQ(qm::ProposedArchiveName(QStringLiteral("1"), QStringLiteral("07_03_24")),
              QStringLiteral("АрхивN1_07_03_24"));
}

TEST_F(ArchiveFileTest, TxtIsAddedUnlessTheNameEndsInDotAndThreeCharacters)
{
    const struct {
        const char* chosen;
        const char* used;
    } cases[] = {
        {"/w/АрхивN12_06_12_26", "/w/АрхивN12_06_12_26.txt"},
        {"/w/a.txt", "/w/a.txt"},
        {"/w/a.csv", "/w/a.csv"},
        {"/w/a.TXT", "/w/a.TXT"},
        {"/w/a", "/w/a.txt"},
        {"/w/a.backup", "/w/a.backup.txt"},
        {"/w/ab.c", "/w/ab.c.txt"},
        {"/w/a.", "/w/a..txt"},
        {"/w/.txt", "/w/.txt"},
        {"a", "a.txt"},
        {"", ".txt"},
        // Only the file's own name counts, not a dot in its directory.
        {"/w/dir.x/ab", "/w/dir.x/ab.txt"},
        {"/w/dir.y/a", "/w/dir.y/a.txt"},
        {"C:\\w\\dir.y\\a", "C:\\w\\dir.y\\a.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::WithArchiveExtension(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.used)) << c.chosen;
}

TEST_F(ArchiveFileTest, LinesAreWrittenInWindows1251WithCrLf)
{
    EXPECT_EQ(qm::EncodeArchiveLines({QStringLiteral("АРХИВ ОТСУТСТВУЕТ")}),
              Hex("c0d0d5c8c220ced2d1d3d2d1d2c2d3c5d2") + "\r\n");
    EXPECT_EQ(qm::EncodeArchiveLines({QStringLiteral("Архив")}), Hex("c0f0f5e8e2") + "\r\n");
    EXPECT_EQ(qm::EncodeArchiveLines({QStringLiteral("06.12.26 10:30    7,00"), QString(), QStringLiteral("x")}),
              QByteArray("06.12.26 10:30    7,00\r\n\r\nx\r\n"));
    EXPECT_EQ(qm::EncodeArchiveLines({}), QByteArray());
}

TEST_F(ArchiveFileTest, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    int unencodable = -1;
    // A snowman (one UTF-16 unit) and an emoji (a surrogate pair) each become one "?".
    const QByteArray bytes = qm::EncodeArchiveLines({QStringLiteral("Т☃x😀"), QStringLiteral("ok")}, &unencodable);
    EXPECT_EQ(bytes, Hex("d2") + "?x?\r\nok\r\n");
    EXPECT_EQ(unencodable, 2);
    qm::EncodeArchiveLines({QStringLiteral("Ёё№")}, &unencodable);
    EXPECT_EQ(unencodable, 0);
}

TEST_F(ArchiveFileTest, BytesAreSplitIntoLinesAtEveryKindOfLineEnd)
{
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {QString()}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {Hex("c0f0f5e8e20d0a"), {QStringLiteral("Архив")}},
    };
    for (const auto& c : cases) EXPECT_EQ(qm::DecodeArchiveLines(c.bytes), c.lines) << c.bytes.toHex().constData();
}

TEST_F(ArchiveFileTest, WrittenLinesReadBackUnchanged)
{
    const QStringList lines = {QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0"),
                               QStringLiteral("06.12.26 10:40    7,05     -12,1    25,1     10"),
                               QStringLiteral("АРХИВ ОТСУТСТВУЕТ"), QString(), QStringLiteral("  trailing  ")};
    EXPECT_EQ(qm::DecodeArchiveLines(qm::EncodeArchiveLines(lines)), lines);
}

// A viewed file is saved again byte for byte, whichever of the 256 byte values it holds (only its
// line ends become CR LF).
TEST_F(ArchiveFileTest, EveryByteOfTheCodePageIsSavedAsItWasRead)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') all.append(char(b));
    const struct {
        QByteArray read;
        QByteArray saved;
    } cases[] = {
        {all, all + "\r\n"},
        {all + "\n" + all + "\r", all + "\r\n" + all + "\r\n"},
        // A UTF-8 text is not converted: it comes back as the same bytes.
        {"\xEF\xBB\xBF\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2\r\n",
         "\xEF\xBB\xBF\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2\r\n"},
    };
    for (const auto& c : cases) {
        int unencodable = -1;
        EXPECT_EQ(qm::EncodeArchiveLines(qm::DecodeArchiveLines(c.read), &unencodable), c.saved);
        EXPECT_EQ(unencodable, 0);
    }
}

TEST_F(ArchiveFileTest, DateTimeTextIsFifteenOrWithSecondsEighteenCharacters)
{
    const struct {
        QString line;
        QString text;
    } cases[] = {
        {QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0     10"), QStringLiteral("06.12.26 10:30 ")},
        {QStringLiteral("06.12.26 10:30:15   7,00   -12,3   25,0"), QStringLiteral("06.12.26 10:30:15 ")},
        {QStringLiteral("06.12.26 10:30:15"), QStringLiteral("06.12.26 10:30:15")},
        {QStringLiteral("06.12.26 10:30"), QStringLiteral("06.12.26 10:30")},
        {QStringLiteral("Архив"), QStringLiteral("Архив")},
        {QStringLiteral("АРХИВ ОТСУТСТВУЕТ"), QStringLiteral("АРХИВ ОТСУТСТВУ")},
        {QString(), QString()},
    };
    for (const auto& c : cases) EXPECT_EQ(qm::ArchiveDateTimeText(c.line), c.text) << c.line.toStdString();
}

TEST_F(ArchiveFileTest, LinesGivePointsOfTimeAndThreeValues)
{
    const struct {
        QString line;
        qm::DateTime time;
        double v1, v2, v3;
    } cases[] = {
        // The line number after the third value is not a value.
        {QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0     10"), At(2026, 12, 6, 10, 30), 7.0, -12.3, 25.0},
        {QStringLiteral("06.12.26 10:30:15   7,00   -12,3   25,0"), At(2026, 12, 6, 10, 30, 15), 7.0, -12.3, 25.0},
        {QStringLiteral("06.12.26 10:30    7.00     -12.3    25.0"), At(2026, 12, 6, 10, 30), 7.0, -12.3, 25.0},
        // Values wider than their columns still part at the blanks.
        {QStringLiteral("06.12.26 10:30   14,00   -12345,6   -10,5"), At(2026, 12, 6, 10, 30), 14.0, -12345.6, -10.5},
        {QStringLiteral("06.12.26 10:30 7,00 1 2"), At(2026, 12, 6, 10, 30), 7.0, 1.0, 2.0},
        // Missing fields read as 0.
        {QStringLiteral("06.12.26 10:30"), At(2026, 12, 6, 10, 30), 0, 0, 0},
        {QStringLiteral("06.12.26 10:30 "), At(2026, 12, 6, 10, 30), 0, 0, 0},
        {QStringLiteral("06.12.26 10:30    7,00"), At(2026, 12, 6, 10, 30), 7.0, 0, 0},
        {QStringLiteral("06.12.26 10:30:15"), At(2026, 12, 6, 10, 30, 15), 0, 0, 0},
        {QStringLiteral("06.12.26 10:30:15  1,5"), At(2026, 12, 6, 10, 30, 15), 1.5, 0, 0},
        // Malformed fields read as 0 without disturbing the others.
        {QStringLiteral("06.12.26 10:30    7,0x     abc    25,0"), At(2026, 12, 6, 10, 30), 0, 0, 25.0},
        {QStringLiteral("06.12.26 10:30    7,00,1   nan    inf"), At(2026, 12, 6, 10, 30), 0, 0, 0},
        {QStringLiteral("06.12.26 10:30    1e999   -1e999  1e2"), At(2026, 12, 6, 10, 30), 0, 0, 100.0},
        // Single-digit day and month, and the two-digit year window around 2026.
        {QStringLiteral("6.1.26 10:30     7,00     -12,3    25,0"), At(2026, 1, 6, 10, 30), 7.0, -12.3, 25.0},
        {QStringLiteral("31.12.75 23:59    7,00     -12,3    25,0"), At(2075, 12, 31, 23, 59), 7.0, -12.3, 25.0},
        {QStringLiteral("01.01.76 00:00    7,00     -12,3    25,0"), At(1976, 1, 1, 0, 0), 7.0, -12.3, 25.0},
        {QStringLiteral("29.02.24 00:00    7,00     -12,3    25,0"), At(2024, 2, 29, 0, 0), 7.0, -12.3, 25.0},
    };
    for (const auto& c : cases) {
        ArchivePoint p;
        ASSERT_TRUE(qm::ParseArchiveLine(c.line, &p)) << c.line.toStdString();
        EXPECT_NEAR(p.Time, c.time, 1e-9) << c.line.toStdString();
        EXPECT_DOUBLE_EQ(p.Value1, c.v1) << c.line.toStdString();
        EXPECT_DOUBLE_EQ(p.Value2, c.v2) << c.line.toStdString();
        EXPECT_DOUBLE_EQ(p.Value3, c.v3) << c.line.toStdString();
    }
}

TEST_F(ArchiveFileTest, LinesWithoutADateAndTimeAreRejected)
{
    const QString lines[] = {
        QStringLiteral("Архив"),
        QStringLiteral("АРХИВ ОТСУТСТВУЕТ"),
        QString(),
        QStringLiteral("               7,00"),
        QStringLiteral("32.12.26 10:30    7,00     -12,3    25,0"),
        QStringLiteral("29.02.25 10:30    7,00     -12,3    25,0"),
        QStringLiteral("06.13.26 10:30    7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 24:00    7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 10:60    7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 10:30:60 7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 10:30x   7,00     -12,3    25,0"),
        QStringLiteral("06-12-26 10:30    7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 1030     7,00     -12,3    25,0"),
        // Single digits everywhere push the first value into the date-time text.
        QStringLiteral("6.1.26 1:3   7,00   -12,3   25,0"),
    };
    for (const QString& line : lines) {
        ArchivePoint p;
        p.Time = 123;
        p.Value1 = 4;
        EXPECT_FALSE(qm::ParseArchiveLine(line, &p)) << line.toStdString();
        EXPECT_EQ(p.Time, 123);
        EXPECT_EQ(p.Value1, 4);
    }
}

TEST_F(ArchiveFileTest, ListedRecordsReadBackAsTheirValues)
{
    const QDateTime start(QDate(2026, 12, 6), QTime(10, 30));
    for (int n = 1; n <= 25; ++n) {
        const QDateTime t = start.addSecs(600 * n);
        const double ph = 0.37 * n - 1.0, e = -150.0 + 7.3 * n, temp = 2.5 * n - 10.0;
        const QString line = ArchiveLineText(t, ph, e, temp, n);
        ArchivePoint p;
        ASSERT_TRUE(qm::ParseArchiveLine(line, &p)) << line.toStdString();
        EXPECT_NEAR(p.Time, qm::ToDateTime(t), 1e-9);
        EXPECT_NEAR(p.Value1, std::round(ph * 100) / 100, 1e-9) << line.toStdString();
        EXPECT_NEAR(p.Value2, std::round(e * 10) / 10, 1e-9) << line.toStdString();
        EXPECT_NEAR(p.Value3, std::round(temp * 10) / 10, 1e-9) << line.toStdString();
    }
}

TEST_F(ArchiveFileTest, InvalidDateTimeMessageQuotesTheText)
{
    EXPECT_EQ(qm::InvalidDateTimeMessage(QStringLiteral("Архив")), QStringLiteral("'Архив' is not a valid date and time"));
    EXPECT_EQ(qm::InvalidDateTimeMessage(QString()), QStringLiteral("'' is not a valid date and time"));
    EXPECT_EQ(qm::InvalidDateTimeMessage(QStringLiteral("%1 %2")), QStringLiteral("'%1 %2' is not a valid date and time"));
}

}  // namespace
