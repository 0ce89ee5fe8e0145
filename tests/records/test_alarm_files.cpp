// alarms.cfg as a service engineer writes it and as the limits dialog rewrites it, and the alarm
// journal's day files.
#include "AlarmJournal.h"
#include "AlarmLimitsFile.h"
#include "Files.h"
#include "QStringPrint.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

const AlarmLimit Bath2{2, AlarmQuantity::Ph, 6.5, 8.5, 0.05, 10};

TEST(AlarmLimitsFile, EachLineIsReadOrNamedAndIgnored)
{
    const struct {
        const char* line;
        std::optional<AlarmLimit> limit;
        const char* problem;  // after "строка 1: "
    } cases[] = {
        {"2 pH 6.5 8.5 0.05 10", Bath2, nullptr},
        {"  2\tph 6,5 8,50 0.05 10   # ванна 2", Bath2, nullptr},
        {"3 T - 40 0.5 -", AlarmLimit{3, AlarmQuantity::T, std::nullopt, 40.0, 0.5, 0}, nullptr},
        {"3 T -20 150 - 3600", AlarmLimit{3, AlarmQuantity::T, -20.0, 150.0, 0, 3600}, nullptr},
        {"# 2 pH 6.5 8.5 0.05 10", std::nullopt, nullptr},
        {"2 pH 6.5 8.5 0.05", std::nullopt, "нужно шесть полей"},
        {"0 pH 6.5 8.5 0 0", std::nullopt, "адрес «0» должен быть целым числом от 1 до 247"},
        {"2 E 6.5 8.5 0 0", std::nullopt, "величина «E» должна быть pH или T"},
        {"2 pH 6.5 8.5x 0 0", std::nullopt, "верхняя уставка «8.5x» не число"},
        {"2 pH 6.5 1e1 0 0", std::nullopt, "верхняя уставка «1e1» не число"},
        {"2 pH 8.5 6.5 0 0", std::nullopt, "нижняя уставка должна быть меньше верхней"},
        {"2 pH 6.5 14.5 0 0", std::nullopt, "верхняя уставка pH должна быть от 0 до 14"},
        {"2 T -25 30 0 0", std::nullopt, "нижняя уставка T должна быть от -20 до 150 °C"},
        {"2 pH 6.5 8.5 -0.1 0", std::nullopt, "зона возврата должна быть не меньше 0"},
        {"2 pH 6.5 8.5 2 0", std::nullopt, "зона возврата должна быть меньше разницы между верхней и нижней уставками"},
        {"2 pH 6.5 8.5 0 3601", std::nullopt, "задержка должна быть от 0 до 3600 с"},
        {"2 pH 6.5 8.5 0 1.5", std::nullopt, "задержка «1.5» должна быть целым числом секунд"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const AlarmLimitsRead read = ParseAlarmLimits(QByteArray(c.line));
        if (c.limit) {
            ASSERT_EQ(read.limits.size(), 1);
            EXPECT_EQ(read.limits[0], *c.limit);
        } else {
            EXPECT_TRUE(read.limits.isEmpty());
        }
        if (c.problem) {
            ASSERT_EQ(read.problems.size(), 1);
            EXPECT_TRUE(read.problems[0].startsWith(QStringLiteral("строка 1: ") + QString::fromUtf8(c.problem))) << read.problems[0].toStdString();
        } else {
            EXPECT_TRUE(read.problems.isEmpty()) << read.problems.value(0).toStdString();
        }
    }
}

TEST(AlarmLimitsFile, TheRestIsReadAroundADamagedLineAndALaterLineWins)
{
    const AlarmLimitsRead read =
        ParseAlarmLimits("\xEF\xBB\xBF# уставки\r\n2 pH 6 8 0 0\r\nмусор\r\n\r\n3 T 10 30 1 5\r\n2 pH 6.5 8.5 0.05 10\r\n");
    EXPECT_EQ(read.limits, (AlarmLimits{Bath2, AlarmLimit{3, AlarmQuantity::T, 10.0, 30.0, 1, 5}}));
    ASSERT_EQ(read.problems.size(), 2);
    EXPECT_TRUE(read.problems[0].startsWith(QStringLiteral("строка 3: ")));
    EXPECT_EQ(read.problems[1], QStringLiteral("строка 6: уставки прибора 2 по pH уже заданы в строке 2; действуют эти"));
}

TEST(AlarmLimitsFile, RewritingKeepsTheEngineersCommentsAndOtherLines)
{
    const QByteArray old = "# цех 3\n2 pH 6 8 0 0  # ванна 2\nмусор\n4 T 10 30 1 5\n5 pH 7 8 0 0\n";
    const AlarmLimits limits{Bath2, AlarmLimit{5, AlarmQuantity::Ph, 7.0, 8.0, 0, 0}, AlarmLimit{6, AlarmQuantity::T, std::nullopt, 40.0, 0.5, 30}};
    const QByteArray updated = UpdateAlarmLimitsText(old, limits);
    EXPECT_EQ(QString::fromUtf8(updated),
              QStringLiteral("# цех 3\r\n2 pH 6.5 8.5 0.05 10  # ванна 2\r\nмусор\r\n5 pH 7 8 0 0\r\n6 T - 40 0.5 30\r\n"));
    EXPECT_EQ(ParseAlarmLimits(updated).limits, limits);
    // A new file explains its form in comments, and reads back.
    const QByteArray fresh = UpdateAlarmLimitsText(QByteArray(), limits);
    EXPECT_TRUE(fresh.startsWith("#"));
    EXPECT_EQ(ParseAlarmLimits(fresh).limits, limits);
    EXPECT_TRUE(ParseAlarmLimits(fresh).problems.isEmpty());
}

TEST(AlarmLimitsFile, MissingFileIsNoLimitsAndAFolderInItsPlaceIsAnError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(AlarmFileName());
    const AlarmLimitsRead missing = ReadAlarmLimitsFile(path);
    EXPECT_FALSE(missing.exists);
    EXPECT_TRUE(missing.limits.isEmpty() && missing.error.isEmpty() && missing.problems.isEmpty());

    ASSERT_TRUE(WriteAlarmLimitsFile(path, {Bath2}).isEmpty());
    EXPECT_EQ(ReadAlarmLimitsFile(path).limits, AlarmLimits{Bath2});

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString folder = dir.filePath(QStringLiteral("sub"));
    EXPECT_FALSE(ReadAlarmLimitsFile(folder).error.isEmpty());
    EXPECT_TRUE(WriteAlarmLimitsFile(folder, {Bath2}).startsWith(QStringLiteral("Не удалось сохранить уставки в файл ")));
}

TEST(AlarmJournal, EachChangeIsALineOfItsDaysFileWithTheHeaderOnTop)
{
    QTemporaryDir dir;
    AlarmJournal journal;
    journal.setWorkDir(dir.path());
    const QDateTime evening(QDate(2026, 12, 7), QTime(23, 59, 58), QTimeZone(3 * 3600));
    EXPECT_TRUE(journal.Append({evening, 2, QStringLiteral("pH > 8.50"), QStringLiteral("8.90"), QStringLiteral("активна, не квитирована")}).written);
    EXPECT_TRUE(journal.Append({evening.addSecs(1), 2, QStringLiteral("a,\"b\""), QString(), QStringLiteral("норма")}).written);
    EXPECT_TRUE(journal.Append({evening.addSecs(3), 3, QStringLiteral("нет ответа"), QString(), QStringLiteral("активна, не квитирована")}).written);

    const QByteArray header = "\xEF\xBB\xBF" + QStringLiteral("Время,Прибор,Условие,Значение,Состояние\r\n").toUtf8();
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("Журнал/Тревоги-2026-12-07.csv"))),
              header + QStringLiteral("2026-12-07T23:59:58+03:00,2,pH > 8.50,8.90,\"активна, не квитирована\"\r\n"
                                      "2026-12-07T23:59:59+03:00,2,\"a,\"\"b\"\"\",,норма\r\n").toUtf8());
    EXPECT_EQ(ReadAll(AlarmJournalFilePath(dir.path(), QDate(2026, 12, 8))),
              header + QStringLiteral("2026-12-08T00:00:01+03:00,3,нет ответа,,\"активна, не квитирована\"\r\n").toUtf8());
}

}  // namespace
