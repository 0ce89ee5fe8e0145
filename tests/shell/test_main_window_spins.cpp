// The spin edits of the main window when the operator empties them: each is refilled at once.
#include "QM4700_mp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

// What the operator does: select the whole text and delete it.
void emptyByKeyboard(QSpinBox* spin)
{
    spin->setFocus();
    auto* edit = spin->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(spin, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(spin, &release);
}

TEST(MainWindowSpins, EmptiedSpinEditsAreRefilled)
{
    TForm1 form;
    form.show();
    const struct {
        const char* name;
        int before;
        int refill;
    } cases[] = {
        {"SpinEdit1", 7, 1},     // first address
        {"SpinEdit4", 3, 1},     // number of instruments
        {"SpinEdit5", 9, 5},     // instrument for archive and commands: 5, not 1
        {"SpinEdit2", 500, 100}, // points: 1, clamped to the range
        {"SpinEdit3", 20, 3},    // interval
        {"SpinEdit6", 40, 1},    // archive period
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* spin = form.findChild<QSpinBox*>(QString::fromLatin1(c.name));
        ASSERT_NE(spin, nullptr);
        spin->setValue(c.before);
        emptyByKeyboard(spin);
        EXPECT_EQ(spin->value(), c.refill);
        EXPECT_EQ(spin->text(), QString::number(c.refill));
    }
}

TEST(MainWindowSpins, EmptiedInstrumentNumberAsksForThePeriodAgain)
{
    TForm1 form;
    form.show();
    auto* spin = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit5"));
    ASSERT_NE(spin, nullptr);
    spin->setValue(5);
    form.Table.PeriodPending = false;
    emptyByKeyboard(spin);
    EXPECT_EQ(spin->value(), 5);
    EXPECT_TRUE(form.Table.PeriodPending);
}

}  // namespace
