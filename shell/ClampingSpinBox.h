#pragma once
// The spin edits of the main window. They show and read numbers with Latin digits whatever the
// system's locale, as every other number of the program, and a typed number outside the range
// may be typed in full and is brought into the range when the edit is left or Enter is pressed,
// instead of being refused or thrown away.

#include <QSpinBox>

namespace qm {

class ClampingSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit ClampingSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

}  // namespace qm
