// Readings driven over time by --set and --ramp: what the option texts mean, and which they refuse.

#include "drive.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using Q = sim::Drive::Quantity;

TEST(SimDrive, ValuesAtMoments)
{
    struct Row {
        std::vector<const char*> sets, ramps;
        Q quantity;
        double seconds;
        std::optional<double> value;
    } rows[] = {
        {{"3:ph=8.90@10-40"}, {}, Q::Ph, 9.99, std::nullopt},
        {{"3:ph=8.90@10-40"}, {}, Q::Ph, 10, 8.90},
        {{"3:ph=8.90@10-40"}, {}, Q::Ph, 39.99, 8.90},
        {{"3:ph=8.90@10-40"}, {}, Q::Ph, 40, std::nullopt},
        {{"3:ph=8.90@10-40"}, {}, Q::T, 20, std::nullopt},
        {{"3:T=31.5@5-"}, {}, Q::T, 1e6, 31.5},
        {{"3:pH=-1.25"}, {}, Q::Ph, 0, -1.25},
        {{}, {"3:ph=6.50..9.00@0-60"}, Q::Ph, 0, 6.50},
        {{}, {"3:ph=6.50..9.00@0-60"}, Q::Ph, 30, 7.75},
        {{}, {"3:ph=6.50..9.00@0-60"}, Q::Ph, 60, std::nullopt},
        {{}, {"3:t=30..10@1.5-3.5"}, Q::T, 2.5, 20},
        // A later option wins where windows overlap.
        {{"3:ph=9@0-"}, {"3:ph=6..7@10-20"}, Q::Ph, 15, 6.5},
        {{"3:ph=9@0-"}, {"3:ph=6..7@10-20"}, Q::Ph, 25, 9},
    };
    for (const Row& row : rows) {
        std::vector<sim::Drive> drives;
        std::string what;
        for (const char* s : row.sets) {
            drives.push_back(sim::parseSet(s));
            what += std::string(" --set ") + s;
        }
        for (const char* r : row.ramps) {
            drives.push_back(sim::parseRamp(r));
            what += std::string(" --ramp ") + r;
        }
        SCOPED_TRACE(what + " at " + std::to_string(row.seconds) + " s");
        const auto value = sim::drivenValue(drives, 3, row.quantity, row.seconds);
        ASSERT_EQ(value.has_value(), row.value.has_value());
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *row.value);
        }
        EXPECT_FALSE(sim::drivenValue(drives, 4, row.quantity, row.seconds).has_value()) << "another address";
    }
}

TEST(SimDrive, MalformedTextsAreRefused)
{
    const char* sets[] = {"ph=8", "0:ph=8", "3:e=8", "3:ph=", "3:ph=8,9", "3:ph=inf", "3:ph=0x10", "3:ph=400",
                          "3:t=3276.8", "3:ph=8@", "3:ph=8@5", "3:ph=8@-5", "3:ph=8@5-5", "3:ph=8@5-x"};
    for (const char* text : sets)
        EXPECT_THROW(sim::parseSet(text), std::invalid_argument) << text;
    const char* ramps[] = {"3:ph=6.5", "3:ph=6.5..9", "3:ph=6.5..9@0-", "3:ph=6.5..@0-5", "3:ph=6.5..9@5-1"};
    for (const char* text : ramps)
        EXPECT_THROW(sim::parseRamp(text), std::invalid_argument) << text;
    EXPECT_DOUBLE_EQ(sim::parseSet("3:t=3276.7").startValue, 3276.7) << "the largest T the register holds";
}

}  // namespace
