// The number a spin edit's handler works with, from the text as typed.
#include "QStringPrint.h"
#include "TypedSpin.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace qm;

namespace {

struct SpinCase {
    const char* text;
    SpinRange range;
    int value;
};
void PrintTo(const SpinCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" in " << c.range.minimum << ".." << c.range.maximum;
}
class SpinValueTest : public ::testing::TestWithParam<SpinCase> {};
TEST_P(SpinValueTest, Bounded)
{
    EXPECT_EQ(SpinValue(QString::fromLatin1(GetParam().text), GetParam().range), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(Rules, SpinValueTest,
                         ::testing::Values(SpinCase{"", FirstAddressSpin, 1}, SpinCase{"  ", DeviceCountSpin, 1},
                                           SpinCase{"", CommandAddressSpin, 5}, SpinCase{"7", FirstAddressSpin, 7},
                                           SpinCase{"150", FirstAddressSpin, 99}, SpinCase{"57", DeviceCountSpin, 10},
                                           SpinCase{"0", DeviceCountSpin, 1}, SpinCase{"-3", CommandAddressSpin, 1},
                                           SpinCase{"abc", CommandAddressSpin, 1},
                                           SpinCase{"99999999999999999999", DeviceCountSpin, 10},
                                           SpinCase{"-99999999999999999999", DeviceCountSpin, 1},
                                           SpinCase{"1x", FirstAddressSpin, 1}));

}  // namespace
