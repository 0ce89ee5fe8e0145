// The alarm logic as a table: each case gives limits and a run of readings and acknowledgements
// at whole seconds, and the changes it must tell, in order.
#include "AlarmBook.h"
#include "QStringPrint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace qm;

namespace {

const QDateTime Start(QDate(2026, 12, 7), QTime(14, 0, 0));

enum class Do { Read, Silent, Ack, AckAll };
struct Step {
    int at;  // seconds from Start
    Do what;
    double ph = 7.0, t = 25.0;
    quint16 status = 0;
    AlarmCondition condition = AlarmCondition::PhHigh;  // for Ack
};
Step read(int at, double ph, double t = 25.0, quint16 status = 0) { return {at, Do::Read, ph, t, status}; }
Step silent(int at) { return {at, Do::Silent}; }
Step ack(int at, AlarmCondition c) { return {at, Do::Ack, 0, 0, 0, c}; }
Step ackAll(int at) { return {at, Do::AckAll}; }

QString nameOf(AlarmCondition c)
{
    static const char* names[] = {"pH>", "pH<", "T>", "T<", "silent", "R1", "R2"};
    return QString::fromLatin1(names[int(c)]);
}
QString nameOf(AlarmState s)
{
    static const char* names[] = {"normal", "active", "acked", "returned"};
    return QString::fromLatin1(names[int(s)]);
}

// "pH> active@10" for each change, with a "+" after a new alarm.
QString trail(const AlarmBook::Changes& changes)
{
    QStringList out;
    for (const AlarmChange& c : changes)
        out << QStringLiteral("%1 %2@%3%4").arg(nameOf(c.condition), nameOf(c.state)).arg(Start.secsTo(c.time)).arg(c.raised() ? "+" : "");
    return out.join(QLatin1String(", "));
}

AlarmBook::Changes run(AlarmBook& book, const std::vector<Step>& steps)
{
    AlarmBook::Changes all;
    for (const Step& s : steps) {
        const QDateTime at = Start.addSecs(s.at);
        Reading r;
        r.address = 2;
        r.received = at;
        switch (s.what) {
        case Do::Read:
            r.answered = true;
            r.phRaw = qint16(std::lround(s.ph * 100));
            r.tRaw = qint16(std::lround(s.t * 10));
            r.status = s.status;
            all << book.take(r);
            break;
        case Do::Silent: all << book.take(Reading::silent(2, at)); break;
        case Do::Ack: all << book.acknowledge(2, s.condition, at); break;
        case Do::AckAll: all << book.acknowledgeAll(at); break;
        }
    }
    return all;
}

AlarmLimit ph(std::optional<double> low, std::optional<double> high, double deadband, int delay)
{
    return AlarmLimit{2, AlarmQuantity::Ph, low, high, deadband, delay};
}

TEST(AlarmBook, ChangesOfEachCase)
{
    // A value wobbling about 8.50 by up to 0.03 for a hundred readings.
    std::vector<Step> noisy;
    for (int i = 0; i < 100; ++i) noisy.push_back(read(i, 8.50 + (i % 2 ? 0.01 : -0.01) * (1 + i % 3)));

    const struct {
        const char* name;
        AlarmLimits limits;
        std::vector<Step> steps;
        const char* expected;
    } cases[] = {
        {"no limit set, no alarm", {}, {read(0, 13.0, 140)}, ""},
        {"deadband: back inside the limit is not yet back", {ph(std::nullopt, 8.5, 0.1, 0)},
         {read(0, 8.4), read(1, 8.6), read(2, 8.45), read(3, 8.40), read(4, 8.39)},
         "pH> active@1+, pH> returned@3"},
        {"at the limit is not beyond it", {ph(6.5, 8.5, 0, 0)}, {read(0, 8.5), read(1, 6.5), read(2, 8.51)}, "pH> active@2+"},
        {"on-delay: beyond for the whole delay", {ph(std::nullopt, 8.5, 0, 10)},
         {read(0, 8.6), read(5, 8.6), read(9, 8.7), read(10, 8.6)}, "pH> active@10+"},
        {"on-delay: a reading back inside starts the delay again", {ph(std::nullopt, 8.5, 0, 10)},
         {read(0, 8.6), read(5, 8.4), read(8, 8.6), read(17, 8.6), read(18, 8.6)}, "pH> active@18+"},
        {"on-delay: a give-up starts the delay again", {ph(std::nullopt, 8.5, 0, 10)},
         {read(0, 8.6), silent(5), read(8, 8.6), read(17, 8.6), read(18, 8.6)},
         "silent active@5+, silent returned@8, pH> active@18+"},
        {"acknowledged while active, it stays until it returns", {ph(std::nullopt, 8.5, 0, 0)},
         {read(0, 8.6), ack(1, AlarmCondition::PhHigh), read(2, 8.7), ack(3, AlarmCondition::PhHigh), read(4, 8.0)},
         "pH> active@0+, pH> acked@1, pH> normal@4"},
        {"returned before acknowledged, it waits for the acknowledgement", {ph(std::nullopt, 8.5, 0, 0)},
         {read(0, 8.6), read(1, 8.0), read(2, 7.9), ack(3, AlarmCondition::PhHigh)},
         "pH> active@0+, pH> returned@1, pH> normal@3"},
        {"returned and back while unacknowledged is one alarm", {ph(std::nullopt, 8.5, 0, 0)},
         {read(0, 8.6), read(1, 8.0), read(2, 8.6), ack(3, AlarmCondition::PhHigh), read(4, 8.0), read(5, 8.6)},
         "pH> active@0+, pH> returned@1, pH> active@2, pH> acked@3, pH> normal@4, pH> active@5+"},
        {"give-up and answer again", {}, {read(0, 7.0), silent(3), silent(13), read(20, 7.0), ack(21, AlarmCondition::NoAnswer)},
         "silent active@3+, silent returned@20, silent normal@21"},
        {"a give-up leaves the limit alarms as they are", {ph(std::nullopt, 8.5, 0, 0)},
         {read(0, 8.6), silent(1), read(2, 8.6)}, "pH> active@0+, silent active@1+, silent returned@2"},
        {"a noisy value near a limit gives one alarm", {ph(std::nullopt, 8.5, 0.05, 0)}, noisy, "pH> active@1+"},
        {"low limits and temperature", {ph(6.5, std::nullopt, 0.1, 0), AlarmLimit{2, AlarmQuantity::T, 10, 30, 1, 0}},
         {read(0, 6.4, 31), read(1, 6.55, 29.5), read(2, 6.6, 28.9), read(3, 6.6, 9.9)},
         "pH< active@0+, T> active@0+, pH< returned@2, T> returned@2, T< active@3+"},
        {"the instrument's status bits", {}, {read(0, 7, 25, 0x0010), read(1, 7, 25, 0x0030), read(2, 7, 25, 0x0000)},
         "R1 active@0+, R2 active@1+, R1 returned@2, R2 returned@2"},
        {"acknowledging all, newest first", {ph(std::nullopt, 8.5, 0, 0)},
         {read(0, 8.6, 25, 0x0010), read(1, 8.0, 25, 0x0030), ackAll(2)},
         "pH> active@0+, R1 active@0+, pH> returned@1, R2 active@1+, R2 acked@2, pH> normal@2, R1 acked@2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmBook book;
        EXPECT_TRUE(book.setLimits(c.limits, Start).isEmpty());
        EXPECT_EQ(trail(run(book, c.steps)), QString::fromUtf8(c.expected));
    }
}

TEST(AlarmBook, ALimitTakenAwayOrAnInstrumentNoLongerPolledReturnsItsAlarms)
{
    AlarmBook book;
    book.setLimits({ph(std::nullopt, 8.5, 0, 0)}, Start);
    run(book, {read(0, 8.6), silent(1)});
    EXPECT_EQ(trail(book.setLimits({}, Start.addSecs(2))), QStringLiteral("pH> returned@2"));
    EXPECT_EQ(trail(book.keepOnly(PolledRange(3, 2), Start.addSecs(3))), QStringLiteral("silent returned@3"));
    EXPECT_TRUE(book.anyUnacknowledged());
    EXPECT_EQ(book.alarms().size(), 2);
    book.acknowledgeAll(Start.addSecs(4));
    EXPECT_FALSE(book.anyUnacknowledged());
    EXPECT_TRUE(book.alarms().isEmpty());
}

}  // namespace
