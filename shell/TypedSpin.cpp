#include "TypedSpin.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm {

int SpinValue(const QString& text, SpinRange range)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return range.emptyValue;
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (ok) return int(std::clamp<qlonglong>(value, range.minimum, range.maximum));
    // Too many digits for any integer: still a number, bounded by its sign.
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (number.match(digits).hasMatch()) return digits.startsWith(QLatin1Char('-')) ? range.minimum : range.maximum;
    return range.minimum;
}

}  // namespace qm
