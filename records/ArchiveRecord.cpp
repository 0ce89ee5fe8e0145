#include "ArchiveRecord.h"

#include "DateTimeText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace qm {

namespace {

// Cumulative days at the end of each month.
constexpr int kCommonYear[12] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int kLeapYear[12] = {31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};

const int* MonthTable(int year) { return year % 4 == 0 ? kLeapYear : kCommonYear; }

// A non-negative integer as decimal digits, least significant first.
using Digits = std::vector<int>;

void MultiplyBy(Digits& digits, int factor)
{
    int carry = 0;
    for (int& d : digits) {
        const int v = d * factor + carry;
        d = v % 10;
        carry = v / 10;
    }
    for (; carry > 0; carry /= 10) digits.push_back(carry % 10);
}

void AddOne(Digits& digits)
{
    for (int& d : digits) {
        if (d < 9) {
            ++d;
            return;
        }
        d = 0;
    }
    digits.push_back(1);
}

// |value| rounded to `decimals` places, halves away from zero, as the digits of |value|·10^decimals.
// Every finite float is M·2^E with an integer M < 2^24; for E < 0 that is M·5^k / 10^k (k = −E),
// so its decimal expansion is exact and finite, and the rounding looks at the true first dropped
// digit: 7.125 rounds up to 7.13, while 7.0049999 (the float nearest 7.005) rounds to 7.00.
Digits RoundedDigits(float value, int decimals)
{
    int exponent = 0;
    const float fraction = std::frexp(std::fabs(value), &exponent);  // value = fraction · 2^exponent
    auto mantissa = std::uint32_t(std::ldexp(fraction, 24));         // exact: 24 significant bits
    int e = exponent - 24;

    Digits digits;
    for (std::uint32_t m = mantissa; m > 0; m /= 10) digits.push_back(int(m % 10));
    if (digits.empty()) digits.push_back(0);

    int fractionDigits = 0;
    if (e >= 0) {
        for (; e > 0; --e) MultiplyBy(digits, 2);
    } else {
        fractionDigits = -e;
        for (; e < 0; ++e) MultiplyBy(digits, 5);
    }
    // digits / 10^fractionDigits is the exact value; scale to `decimals` places.
    for (; fractionDigits < decimals; ++fractionDigits) digits.insert(digits.begin(), 0);
    const int dropped = fractionDigits - decimals;
    if (dropped == 0) return digits;
    const bool up = dropped <= int(digits.size()) && digits[size_t(dropped - 1)] >= 5;
    Digits kept(digits.begin() + std::min<size_t>(size_t(dropped), digits.size()), digits.end());
    if (kept.empty()) kept.push_back(0);
    if (up) AddOne(kept);
    while (kept.size() > 1 && kept.back() == 0) kept.pop_back();
    return kept;
}

}  // namespace

QString ArchiveValueText(float value, int width, int decimals)
{
    QString text;
    if (std::isnan(value)) {
        text = QStringLiteral("NaN");
    } else if (std::isinf(value)) {
        text = value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    } else {
        Digits digits = RoundedDigits(value, decimals);
        while (int(digits.size()) < decimals + 1) digits.push_back(0);  // at least "0,dd"
        const bool zero = std::all_of(digits.begin(), digits.end(), [](int d) { return d == 0; });
        // A value that rounds to zero is written without its sign: "0,00", not "-0,00".
        if (value < 0 && !zero) text += QLatin1Char('-');
        for (int i = int(digits.size()) - 1; i >= 0; --i) {
            text += QChar(u'0' + digits[size_t(i)]);
            if (i == decimals && decimals > 0) text += QLatin1Char(',');
        }
    }
    return text.rightJustified(width, QLatin1Char(' '));
}

QString FormatArchiveRecord(const quint8* record)
{
    const quint8* b = record;
    int year = b[0];
    const int minutes = b[1] | (b[2] << 8) | (b[3] << 16);
    int day = minutes / 1440 + 1;
    const bool implausible = year > 99 || day > MonthTable(year)[11];
    // Minutes beyond the end of the year count on into the following years, as a clock would:
    // the minute after 31.12.25 23:59 is 01.01.26 00:00 (at most 32 years on with 24 bits).
    while (day > MonthTable(year)[11]) {
        day -= MonthTable(year)[11];
        ++year;
    }
    const int* table = MonthTable(year);
    int month = 1;
    while (table[month - 1] < day) ++month;
    if (month > 1) day -= table[month - 2];
    const int hour = (minutes % 1440) / 60;
    const int minute = (minutes % 1440) % 60;

    auto floatAt = [b](int offset) {
        const std::uint32_t bits = std::uint32_t(b[offset]) | (std::uint32_t(b[offset + 1]) << 8)
                                   | (std::uint32_t(b[offset + 2]) << 16) | (std::uint32_t(b[offset + 3]) << 24);
        return std::bit_cast<float>(bits);
    };
    const QString gap = QStringLiteral("   ");
    const QString yearText = implausible ? QString::number(year).rightJustified(3, QLatin1Char('0')) : TwoDigits(year);
    return TwoDigits(day) + QLatin1Char('.') + TwoDigits(month) + QLatin1Char('.') + yearText + QLatin1Char(' ')
           + TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute) + gap + ArchiveValueText(floatAt(4), 5, 2) + gap
           + ArchiveValueText(floatAt(8), 7, 1) + gap + ArchiveValueText(floatAt(12), 5, 1);
}

}  // namespace qm
