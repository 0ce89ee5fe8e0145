#include "ClampingSpinBox.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm {

namespace {
// A whole number short enough never to overflow while it is bounded.
const QRegularExpression& TypedNumber()
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]{1,9}$"));
    return number;
}
}  // namespace

ClampingSpinBox::ClampingSpinBox(QWidget* parent) : QSpinBox(parent) { setLocale(QLocale::c()); }

QValidator::State ClampingSpinBox::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid) return state;
    // Out of range is not wrong while typing: the number is bounded when the edit is left.
    return TypedNumber().match(input.trimmed()).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void ClampingSpinBox::fixup(QString& input) const
{
    const QString typed = input.trimmed();
    if (!TypedNumber().match(typed).hasMatch()) {
        QSpinBox::fixup(input);
        return;
    }
    input = textFromValue(std::clamp(typed.toInt(), minimum(), maximum()));
}

}  // namespace qm
