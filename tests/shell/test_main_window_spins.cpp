// The spin edits of the main window: an emptied one is refilled at once (an emptied "NUM" asks its
// instrument for the archive period again), a typed number outside the range is brought into it.
#include "FakePort.h"
#include "Files.h"
#include "MainWindow.h"
#include "Pty.h"
#include "QStringPrint.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
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

// The instrument at address 5 on a pseudo-terminal mapped to COM1: it answers one measurement
// request of the window's walk, taken fresh from the line, with this archive period. True once
// the window has taken the answer.
bool AnswerOnce(MainWindow& form, const qm::test::Pty& line, quint16 period)
{
    const QByteArray request = qm::test::withCrc(qm::test::hex("05 03 00 00 00 09"));
    QByteArray answer = qm::test::hex("05 03 12");
    for (quint16 word : {quint16(0x1105), quint16(701), quint16(-1010), quint16(210), quint16(0x0011),
                         quint16(0x141A), quint16(0x0C06), quint16(0x0E05), period}) {
        answer.append(char(word >> 8));
        answer.append(char(word & 0xFF));
    }
    answer = qm::test::withCrc(answer);
    line.readAvailable();  // what was asked before is not answered now
    QByteArray asked;
    bool sent = false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (sent) {
            if (form.statusText() == QStringLiteral("5-Ok!  ")) return true;
            continue;
        }
        asked += line.readAvailable();
        if (asked.contains(request)) {
            sent = line.send(answer);
            if (!sent) return false;
        }
    }
    return false;
}

TEST_F(MainWindowSpinTyping, EmptiedInstrumentNumberAsksForThePeriodAgain)
{
    qm::test::Pty line;
    ASSERT_FALSE(line.slave.isEmpty());
    ASSERT_TRUE(qm::test::WriteAll(dir.filePath(QStringLiteral("ports.cfg")), "COM1 " + line.slave.toLocal8Bit() + "\n"));
    MainWindow form;
    form.show();
    auto* number = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit5"));
    auto* period = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit6"));
    auto* connect = form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    ASSERT_TRUE(number && period && connect);
    form.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(5);
    form.findChild<QSpinBox*>(QStringLiteral("SpinEdit4"))->setValue(1);
    number->setValue(5);
    form.portChosen(0);
    connect->click();
    ASSERT_TRUE(form.engine().PortOpen());

    // The instrument in "NUM" tells its period once; emptying "NUM" (refilled with 5) asks again.
    ASSERT_TRUE(AnswerOnce(form, line, 15));
    EXPECT_EQ(period->value(), 15);
    period->setValue(40);
    ASSERT_TRUE(AnswerOnce(form, line, 15));
    EXPECT_EQ(period->value(), 40) << "told once";
    emptyByKeyboard(number);
    EXPECT_EQ(number->value(), 5);
    ASSERT_TRUE(AnswerOnce(form, line, 15));
    EXPECT_EQ(period->value(), 15);
    connect->click();
}

}  // namespace
