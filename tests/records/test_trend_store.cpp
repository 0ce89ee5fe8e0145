// The trend store: growth up to the points setting, the roll, loading and clearing.
#include "TrendStore.h"

#include <gtest/gtest.h>

#include <memory>

using namespace qm;

namespace {

struct Live {
    double v[21] = {};
    explicit Live(double base)
    {
        for (int ch = 1; ch <= 20; ++ch) v[ch] = base + ch / 100.0;
    }
};

TEST(TrendStore, GrowsToTheLimitThenDropsTheOldestOfEveryChannel)
{
    auto store = std::make_unique<TrendStore>();
    for (int i = 1; i <= 5; ++i) store->AddSample(100.0 + i, Live(i).v, 3);
    ASSERT_EQ(store->TrendCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(store->TrendTime(i), 102.0 + i) << i;
        for (int ch = 1; ch <= 20; ++ch) EXPECT_DOUBLE_EQ(store->TrendValue(ch, i), Live(i + 2).v[ch]) << ch;
    }
    EXPECT_EQ(store->appended(), 5u);
    EXPECT_EQ(store->dropped(), 2u);
}

TEST(TrendStore, LoweredLimitKeepsTheLengthAndRolls)
{
    auto store = std::make_unique<TrendStore>();
    for (int i = 0; i < 10; ++i) store->AddSample(i, Live(0).v, 10);
    store->AddSample(10, Live(0).v, 4);
    EXPECT_EQ(store->TrendCount(), 10);
    EXPECT_EQ(store->TrendTime(1), 1.0);
    EXPECT_EQ(store->TrendTime(10), 10.0);
}

TEST(TrendStore, SingleSampleAtALimitOfOneIsOverwritten)
{
    auto store = std::make_unique<TrendStore>();
    store->AddSample(1, Live(1).v, 1);
    const quint64 generation = store->generation();
    store->AddSample(2, Live(2).v, 1);
    EXPECT_EQ(store->TrendCount(), 1);
    EXPECT_EQ(store->TrendTime(1), 2.0);
    EXPECT_DOUBLE_EQ(store->TrendValue(1, 1), Live(2).v[1]);
    EXPECT_NE(store->generation(), generation);
}

TEST(TrendStore, LimitOutsideOneToCapacityIsBounded)
{
    auto store = std::make_unique<TrendStore>();
    store->AddSample(1, Live(1).v, 0);
    store->AddSample(2, Live(2).v, -5);
    EXPECT_EQ(store->TrendCount(), 1);
    for (int i = 0; i < TrendStore::TrendCapacity + 5; ++i) store->AddSample(3 + i, Live(0).v, 1000000);
    EXPECT_EQ(store->TrendCount(), TrendStore::TrendCapacity);
}

TEST(TrendStore, LoadingStopsAtCapacityAndClearingEmpties)
{
    auto store = std::make_unique<TrendStore>();
    double values[20];
    for (int ch = 0; ch < 20; ++ch) values[ch] = -ch;
    int accepted = 0;
    for (int i = 0; i < 12000; ++i) accepted += store->AppendLoaded(i, values);
    EXPECT_EQ(accepted, TrendStore::TrendCapacity);
    EXPECT_EQ(store->TrendCount(), TrendStore::TrendCapacity);
    EXPECT_EQ(store->TrendTime(TrendStore::TrendCapacity), 9999.0);
    EXPECT_DOUBLE_EQ(store->TrendValue(20, 5), -19.0);
    EXPECT_TRUE(store->ascending());
    store->AppendLoaded(0, values);  // full: refused
    EXPECT_TRUE(store->ascending());
    store->Clear();
    EXPECT_EQ(store->TrendCount(), 0);
    store->AppendLoaded(5, values);
    store->AppendLoaded(4, values);
    EXPECT_FALSE(store->ascending());
}

}  // namespace
