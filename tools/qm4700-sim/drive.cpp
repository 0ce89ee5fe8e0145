#include "drive.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace sim {

namespace {

// Plain decimals only ("8.90", "-3", "31.5"): strtod alone would also take "inf", "nan", hex
// and the locale's comma rules.
double decimal(const std::string& text, const std::string& what)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])))
            ++digits;
        else if (text[i] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0 || i != text.size())
        throw std::invalid_argument(what + ": '" + text + "' is not a decimal number");
    return std::strtod(text.c_str(), nullptr);
}

double seconds(const std::string& text, const std::string& what)
{
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        throw std::invalid_argument(what + ": '" + text + "' is not a number of seconds");
    return decimal(text, what);
}

// The register holds the reading times 100 (pH) or 10 (T) as a signed 16-bit number.
double readingValue(const std::string& text, Drive::Quantity quantity, const std::string& what)
{
    const double value = decimal(text, what);
    const double factor = quantity == Drive::Quantity::Ph ? 100 : 10;
    const double scaled = std::round(value * factor);
    if (scaled < -32768 || scaled > 32767)
        throw std::invalid_argument(what + ": " + text + " does not fit the register (" +
                                    (quantity == Drive::Quantity::Ph ? "-327.68..327.67" : "-3276.8..3276.7") + ")");
    return value;
}

struct Parts {
    Drive drive;
    std::string values;  // after '='
    std::string window;  // after '@', empty without one
    bool hasWindow = false;
};

Parts split(const std::string& text, const std::string& what, const std::string& form)
{
    Parts p;
    const auto colon = text.find(':');
    const auto equals = text.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon)
        throw std::invalid_argument(what + ": expected " + form + ", got '" + text + "'");
    const std::string addressText = text.substr(0, colon);
    char* end = nullptr;
    const long address = std::strtol(addressText.c_str(), &end, 10);
    if (addressText.empty() || *end != '\0' || address < 1 || address > 247)
        throw std::invalid_argument(what + ": '" + addressText + "' is not an address 1..247");
    p.drive.address = static_cast<int>(address);

    std::string quantity = text.substr(colon + 1, equals - colon - 1);
    for (char& c : quantity)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (quantity == "ph")
        p.drive.quantity = Drive::Quantity::Ph;
    else if (quantity == "t")
        p.drive.quantity = Drive::Quantity::T;
    else
        throw std::invalid_argument(what + ": '" + quantity + "' is neither ph nor t");

    const std::string rest = text.substr(equals + 1);
    const auto at = rest.find('@');
    p.values = rest.substr(0, at);
    if (at != std::string::npos) {
        p.hasWindow = true;
        p.window = rest.substr(at + 1);
    }
    return p;
}

void readWindow(Parts& p, bool needsEnd, const std::string& what)
{
    const auto dash = p.window.find('-');
    if (dash == std::string::npos || dash == 0)
        throw std::invalid_argument(what + ": the window '" + p.window + "' must be FROM-TO or FROM-");
    p.drive.from = seconds(p.window.substr(0, dash), what + " start");
    const std::string to = p.window.substr(dash + 1);
    if (to.empty()) {
        if (needsEnd)
            throw std::invalid_argument(what + ": a ramp needs an end time (FROM-TO)");
        return;
    }
    p.drive.to = seconds(to, what + " end");
    if (p.drive.to <= p.drive.from)
        throw std::invalid_argument(what + ": the window ends at " + to + " s, not after it starts");
}

}  // namespace

double Drive::valueAt(double s) const
{
    if (startValue == endValue || !std::isfinite(to))
        return startValue;
    return startValue + (endValue - startValue) * (s - from) / (to - from);
}

Drive parseSet(const std::string& text)
{
    const std::string what = "--set";
    Parts p = split(text, what, "ADDRESS:ph=VALUE[@FROM-[TO]]");
    p.drive.startValue = p.drive.endValue = readingValue(p.values, p.drive.quantity, what);
    if (p.hasWindow)
        readWindow(p, false, what);
    return p.drive;
}

Drive parseRamp(const std::string& text)
{
    const std::string what = "--ramp";
    Parts p = split(text, what, "ADDRESS:ph=FROMVALUE..TOVALUE@FROM-TO");
    const auto dots = p.values.find("..");
    if (dots == std::string::npos)
        throw std::invalid_argument(what + ": expected two values V1..V2, got '" + p.values + "'");
    p.drive.startValue = readingValue(p.values.substr(0, dots), p.drive.quantity, what);
    p.drive.endValue = readingValue(p.values.substr(dots + 2), p.drive.quantity, what);
    if (!p.hasWindow)
        throw std::invalid_argument(what + ": a ramp needs its window @FROM-TO");
    readWindow(p, true, what);
    return p.drive;
}

std::optional<double> drivenValue(const std::vector<Drive>& drives, int address, Drive::Quantity quantity,
                                  double seconds)
{
    std::optional<double> value;
    for (const Drive& d : drives)
        if (d.address == address && d.quantity == quantity && d.covers(seconds))
            value = d.valueAt(seconds);
    return value;
}

}  // namespace sim
