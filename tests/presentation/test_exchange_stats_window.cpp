// The exchange statistics window: the counts it is handed, its reset button and Esc, from the
// keyboard alone.
#include "ExchangeStatsWindow.h"
#include "QStringPrint.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace qm;

namespace {

TEST(ExchangeStatsWindow, ShowsTheCountsAndIsWorkedByKeyboard)
{
    using Kind = ExchangeOutcome::Kind;
    ExchangeStats stats;
    stats.reset(QDateTime(QDate(2026, 12, 7), QTime(22, 51, 3)));
    for (Kind kind : {Kind::Answered, Kind::BadCrc, Kind::Answered, Kind::Short}) stats.count({kind, 5});
    stats.count({Kind::Exception, 2, 0, 3, 4});

    QWidget main;
    main.show();
    ExchangeStatsWindow window(&main);
    int resets = 0;
    QObject::connect(&window, &ExchangeStatsWindow::resetRequested, [&] { ++resets; });
    window.showStats(stats);
    const auto open = [&] {
        window.show();
        window.activateWindow();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    };
    open();

    QTableWidget* table = window.table();
    const auto row = [&](int r) {
        QStringList texts;
        for (int c = 0; c < table->columnCount(); ++c) texts << table->item(r, c)->text();
        return texts;
    };
    EXPECT_EQ(window.sinceText(), "Счёт с 07.12.2026 22:51:03");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(row(0), QStringList({"2", "1", "0", "0", "0", "1", "0", "0"}));
    EXPECT_EQ(row(1), QStringList({"5", "4", "2", "0", "1", "0", "0", "1"}));
    EXPECT_EQ(table->horizontalHeaderItem(7)->text(), "Прочие сбои");

    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &event);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(target, &release);
    };
    EXPECT_EQ(QApplication::focusWidget(), table);
    press(Qt::Key_Return);  // Enter closes, never resets
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(resets, 0);

    open();
    press(Qt::Key_Tab);  // to "Сбросить"
    press(Qt::Key_Space);
    EXPECT_EQ(resets, 1);
    press(Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
