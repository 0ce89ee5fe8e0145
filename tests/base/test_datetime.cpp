// Date-time texts and values shared by the whole program, at fixed clock times.
#include "DateTimeText.h"
#include "WorkDir.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

using namespace qm;

namespace {

class DateTimeTextTest : public ::testing::Test {
protected:
    void setNow(const QDateTime& t)
    {
        SetClock([t] { return t; });
    }
    void TearDown() override { SetClock({}); }
};

TEST_F(DateTimeTextTest, NowTextHasTwoBlanksAndTwoDigitParts)
{
    setNow(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
    EXPECT_EQ(NowText(), QStringLiteral("07.03.24  09:05:03"));
    EXPECT_EQ(DateTag(), QStringLiteral("07_03_24"));
}

TEST_F(DateTimeTextTest, NowTextTruncatesFractionsOfASecond)
{
    setNow(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3, 999)));
    EXPECT_EQ(NowText(), QStringLiteral("07.03.24  09:05:03"));
}

TEST_F(DateTimeTextTest, MidnightReadsZeroesAndRefreshesDateTag)
{
    setNow(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
    NowText();
    setNow(QDateTime(QDate(2025, 12, 31), QTime(0, 0, 0)));
    EXPECT_EQ(NowText(), QStringLiteral("31.12.25  00:00:00"));
    EXPECT_EQ(DateTag(), QStringLiteral("31_12_25"));
}

TEST_F(DateTimeTextTest, NowDateTimeIsWholeSeconds)
{
    setNow(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3, 700)));
    const DateTime t = NowDateTime();
    EXPECT_EQ(FromDateTime(t), QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
}

struct TwoDigitsCase {
    int n;
    const char* text;
};
void PrintTo(const TwoDigitsCase& c, std::ostream* os) { *os << c.n; }
class TwoDigitsTest : public ::testing::TestWithParam<TwoDigitsCase> {};
TEST_P(TwoDigitsTest, PadsSingleDigitsOnly)
{
    EXPECT_EQ(TwoDigits(GetParam().n), QString::fromLatin1(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(Values, TwoDigitsTest,
                         ::testing::Values(TwoDigitsCase{0, "00"}, TwoDigitsCase{5, "05"}, TwoDigitsCase{12, "12"},
                                           TwoDigitsCase{100, "100"}, TwoDigitsCase{123, "123"},
                                           TwoDigitsCase{65535, "65535"}));

TEST(DateTimeValue, EpochIsThirtiethOfDecember1899)
{
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    EXPECT_EQ(FromDateTime(0.0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    // 1 January 2000 is day 36526 in this count.
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0))), 36526.0);
}

TEST(DateTimeValue, RoundTripKeepsWholeSeconds)
{
    for (const QDateTime& t : {QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)), QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)),
                               QDateTime(QDate(2000, 2, 29), QTime(0, 0, 1))}) {
        EXPECT_EQ(FromDateTime(ToDateTime(t)), t) << t.toString().toStdString();
    }
    EXPECT_NEAR(ToDateTime(QDateTime(QDate(2024, 3, 7), QTime(0, 1))) - ToDateTime(QDateTime(QDate(2024, 3, 7), QTime(0, 0))),
                OneMinute, 1e-9);
}

TEST(DateTimeValue, GarbageGivesNoDateInsteadOfOverflow)
{
    EXPECT_FALSE(FromDateTime(std::nan("")).isValid());
    EXPECT_FALSE(FromDateTime(INFINITY).isValid());
    EXPECT_FALSE(FromDateTime(1e300).isValid());
}

TEST_F(DateTimeTextTest, TwoDigitYearsFallInTheHundredYearsFromFiftyYearsAgo)
{
    setNow(QDateTime(QDate(2026, 6, 1), QTime(12, 0)));
    EXPECT_EQ(ExpandTwoDigitYear(76), 1976);
    EXPECT_EQ(ExpandTwoDigitYear(75), 2075);
    EXPECT_EQ(ExpandTwoDigitYear(26), 2026);
    EXPECT_EQ(ExpandTwoDigitYear(0), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(99), 1999);

    DateTime t = 0;
    ASSERT_TRUE(ParseDateTimeText(QStringLiteral("07.03.24 09:05:03"), &t));
    EXPECT_EQ(FromDateTime(t), QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
    ASSERT_TRUE(ParseDateTimeText(QStringLiteral("31.12.80 23:59"), &t));
    EXPECT_EQ(FromDateTime(t), QDateTime(QDate(1980, 12, 31), QTime(23, 59)));
    ASSERT_TRUE(ParseDateTimeText(QStringLiteral("07.03.2024  09:05:03"), &t));
    EXPECT_EQ(FromDateTime(t), QDateTime(QDate(2024, 3, 7), QTime(9, 5, 3)));
}

TEST_F(DateTimeTextTest, ParseRejectsWhatIsNotADateAndTime)
{
    setNow(QDateTime(QDate(2026, 6, 1), QTime(12, 0)));
    DateTime t = 123.0;
    for (const char* text : {"", "07.03.24", "32.01.24 10:00:00", "07.13.24 10:00", "07.03.24 24:00:00", "07-03-24 10:00",
                             "07.03.24 10:60", "x7.03.24 10:00"}) {
        EXPECT_FALSE(ParseDateTimeText(QString::fromLatin1(text), &t)) << text;
    }
    EXPECT_DOUBLE_EQ(t, 123.0);
    EXPECT_FALSE(ParseDateTimeText(QStringLiteral("07.03.24 09:05:03"), nullptr));
}

TEST(WorkDirectory, StaysWhereTheProgramStarted)
{
    const QString start = QDir::currentPath();
    const QString workDir = CaptureWorkDir();
    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(workDir, start);
    QDir::setCurrent(start);
}

}  // namespace
