// The spin edits of the main window: an emptied one is refilled at once, a typed number outside
// the range is brought into it.
#include "MainWindow.h"
#include "QStringPrint.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>

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
    MainWindow form;
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
    MainWindow form;
    form.show();
    auto* spin = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit5"));
    ASSERT_NE(spin, nullptr);
    spin->setValue(5);
    form.deviceTable().setPeriodPending(false);
    emptyByKeyboard(spin);
    EXPECT_EQ(spin->value(), 5);
    EXPECT_TRUE(form.deviceTable().PeriodPending());
}

class MainWindowSpinTyping : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
    }
    QTemporaryDir dir;
};

void Type(QWidget* receiver, const QString& keys, int finish)
{
    for (QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + c.digitValue(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(receiver, &press);
    }
    QKeyEvent press(QEvent::KeyPress, finish, Qt::NoModifier);
    QApplication::sendEvent(receiver, &press);
}

TEST_F(MainWindowSpinTyping, NumberOutsideTheRangeIsBroughtIntoItWhenTheEditIsLeft)
{
    MainWindow form;
    form.show();
    form.activateWindow();
    QApplication::processEvents();
    const struct {
        const char* name;
        int before;
        const char* typed;
        int finish;  // Tab leaves the edit, Enter stays in it
        int after;
    } cases[] = {
        {"SpinEdit4", 5, "0", Qt::Key_Tab, 1},       // "К-во приб."
        {"SpinEdit4", 5, "20", Qt::Key_Return, 10},
        {"SpinEdit2", 1000, "50", Qt::Key_Return, 100},  // "К-во точек"
        {"SpinEdit6", 1, "300", Qt::Key_Tab, 255},   // "P,мин"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.typed);
        auto* spin = form.findChild<QSpinBox*>(QString::fromLatin1(c.name));
        ASSERT_NE(spin, nullptr);
        spin->setValue(c.before);
        spin->setFocus(Qt::TabFocusReason);  // all of the text selected, as Tab leaves it
        ASSERT_TRUE(spin->hasFocus());
        Type(spin, QString::fromLatin1(c.typed), c.finish);
        EXPECT_EQ(spin->value(), c.after);
        EXPECT_EQ(spin->text(), QString::number(c.after));
    }
    EXPECT_EQ(form.engine().DeviceCount(), 10) << "the program polls what the box shows";
}


}  // namespace
