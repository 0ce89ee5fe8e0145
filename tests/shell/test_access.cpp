// The main window for an operator on the keyboard or with a screen reader: Tab reaches every
// control and never gets caught in a grid, every control has a name, both windows are announced
// as windows, and the focus move to the archive memo never takes what is being typed.
#include "MainWindow.h"
#include "QStringPrint.h"
#include "ArchiveChartWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>

namespace {

class Access : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Start-up reads and writes files in the current directory: keep them away from the tree.
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
        form.show();
        form.activateWindow();
        QApplication::processEvents();
        // The test ticks by hand.
        form.pollTimer()->stop();
        form.chartTimer()->stop();
    }
    template <class T = QWidget>
    T* control(const char* name)
    {
        return form.findChild<T*>(QString::fromLatin1(name));
    }

    QTemporaryDir dir;
    MainWindow form;
};

void Press(QWidget* receiver, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(receiver, &release);
}

// What the window offers to the Tab key, found from the widgets themselves.
QList<QWidget*> TabControls(QWidget& window)
{
    QList<QWidget*> controls;
    for (QWidget* w : window.findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisibleTo(&window) && w->isEnabled())
            controls << w;
    return controls;
}

// The control that holds the focus widget: a cell editor belongs to its grid.
QWidget* ControlOf(QWidget* focus, const QList<QWidget*>& controls)
{
    while (focus && !controls.contains(focus)) focus = focus->parentWidget();
    return focus;
}

TEST_F(Access, TabAndShiftTabVisitEveryControlOnceAndComeBack)
{
    control<QCheckBox>("CheckBox4")->click();  // "Норм": the scale grid joins the round
    const QList<QWidget*> controls = TabControls(form);
    ASSERT_TRUE(controls.contains(control("DrawGrid1")));
    auto* grid = control<QTableWidget>("StringGrid1");
    ASSERT_TRUE(controls.contains(grid));

    QList<QWidget*> rounds[2];
    for (int backwards = 0; backwards < 2; ++backwards) {
        SCOPED_TRACE(backwards ? "Shift+Tab" : "Tab");
        QList<QWidget*>& round = rounds[backwards];
        controls.first()->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < controls.size(); ++i) {
            round << ControlOf(form.focusWidget(), controls);
            if (round.last() == grid) {
                // A scale being typed into its cell: the editor hands it in and lets Tab pass.
                grid->setCurrentCell(1, 2);
                Press(form.focusWidget(), Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
            }
            Press(form.focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                  backwards ? Qt::ShiftModifier : Qt::NoModifier);
        }
        EXPECT_EQ(ControlOf(form.focusWidget(), controls), controls.first()) << "back at the first control";
        for (QWidget* c : controls) EXPECT_EQ(round.count(c), 1) << c->objectName().toStdString();
    }
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("7")) << "what was typed into the cell is kept";
    // Shift+Tab walks the same round the other way.
    std::reverse(rounds[1].begin() + 1, rounds[1].end());
    EXPECT_EQ(rounds[0], rounds[1]);
}

TEST_F(Access, FocusShowsOnEveryControlThatTakesIt)
{
    control<QCheckBox>("CheckBox4")->click();  // "Норм": the scale grid is on show
    // The control and a little around it, as the operator sees it.
    const auto look = [this](QWidget* c) {
        QApplication::processEvents();
        const QRect around(c->mapTo(&form, QPoint(-3, -3)), c->size() + QSize(6, 6));
        return form.grab(around).toImage().convertToFormat(QImage::Format_RGB32);
    };
    QWidget* elsewhere = control("CheckBox1");
    // As after a Tab: the styles mark a button's focus only once the keyboard has moved it.
    form.setAttribute(Qt::WA_KeyboardFocusChange);
    for (const char* name : {"DrawGrid1", "Memo1", "ComboBox2", "ComboBox5", "StringGrid1", "Chart1", "SpinEdit1",
                             "Button1"}) {
        SCOPED_TRACE(name);
        QWidget* c = control(name);
        ASSERT_NE(c, nullptr);
        elsewhere->setFocus(Qt::TabFocusReason);
        const QImage unfocused = look(c);
        c->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(c->hasFocus());
        EXPECT_NE(look(c), unfocused);
    }
}

TEST_F(Access, ScreenReaderFindsEveryControlNamedInTwoWindows)
{
    ArchiveChartWindow archive;
    for (QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&archive)}) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Window) << window->objectName().toStdString();
        EXPECT_EQ(iface->text(QAccessible::Name), window->windowTitle());
    }

    // Every control the keyboard reaches is in the window's accessible tree, with a name of its
    // own: the label beside it where there is one, never just the item a list shows.
    QHash<QObject*, QAccessibleInterface*> tree;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* iface) {
        if (QObject* o = iface->object()) tree.insert(o, iface);
        for (int i = 0; i < iface->childCount(); ++i)
            if (QAccessibleInterface* child = iface->child(i); child && child->object()) walk(child);
    };
    walk(QAccessible::queryAccessibleInterface(&form));
    control<QCheckBox>("CheckBox4")->click();  // the scale grid is a control while shown
    int labelled = 0;
    for (QWidget* c : TabControls(form)) {
        SCOPED_TRACE(c->objectName().toStdString());
        QAccessibleInterface* iface = tree.value(c);
        ASSERT_NE(iface, nullptr);
        const QString name = iface->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty());
        if (auto* list = qobject_cast<QComboBox*>(c); list && !list->currentText().isEmpty()) {
            EXPECT_NE(name, list->currentText());
        }
        const auto labels = iface->relations(QAccessible::Label);
        if (!labels.isEmpty()) {
            ++labelled;
            EXPECT_EQ(name, labels.first().first->text(QAccessible::Name).trimmed());
        }
    }
    // "ID", "Дата/Время", "NUM", "P,мин", "Подключение", "Нач.NUM", "К-во приб.", "Интервал,с",
    // "К-во точек", "К-во графиков" each sit beside their control.
    EXPECT_EQ(labelled, 10);
}

struct Input {
    const char* what;
    std::function<void(MainWindow&)> give;
};

void PrintTo(const Input& input, std::ostream* os) { *os << input.what; }

class AccessIdle : public Access, public ::testing::WithParamInterface<Input> {};

TEST_P(AccessIdle, FocusMovesToTheMemoOnlyAfter101TicksWithoutInput)
{
    auto* memo = control<QPlainTextEdit>("Memo1");
    auto* spin = control<QSpinBox>("SpinEdit3");  // "Интервал,с", 5
    spin->setFocus();
    form.chartTick();
    EXPECT_EQ(form.focusWidget(), memo) << "the first tick after start-up";

    spin->setFocus();
    for (int tick = 1; tick <= 150; ++tick) {
        GetParam().give(form);
        form.chartTick();
        ASSERT_EQ(form.focusWidget(), spin) << "tick " << tick;
    }
    EXPECT_EQ(spin->text(), QStringLiteral("5")) << "whatever was typed went where it was typed";
    // The last tick above was the first after the last input.
    for (int tick = 2; tick <= 100; ++tick) form.chartTick();
    EXPECT_EQ(form.focusWidget(), spin);
    form.chartTick();
    EXPECT_EQ(form.focusWidget(), memo) << "the 101st tick after the last input";
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, AccessIdle,
    ::testing::Values(
        Input{"Typing",
              [](MainWindow& form) {
                  // A digit, then Backspace: "5" becomes "51" or "15" and "5" again.
                  static bool digit = false;
                  digit = !digit;
                  QWidget* spin = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit3"));
                  Press(spin, digit ? Qt::Key_1 : Qt::Key_Backspace, Qt::NoModifier,
                        digit ? QStringLiteral("1") : QString());
              }},
        Input{"WheelOnTheChart",
              [](MainWindow& form) {
                  auto* chart = form.findChild<QCustomPlot*>(QStringLiteral("Chart1"));
                  const QPointF at(chart->width() / 2, chart->height() / 2);
                  QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                                    Qt::NoModifier, Qt::NoScrollPhase, false);
                  QApplication::sendEvent(chart, &wheel);
              }}),
    [](const ::testing::TestParamInfo<Input>& info) { return std::string(info.param.what); });

}  // namespace
