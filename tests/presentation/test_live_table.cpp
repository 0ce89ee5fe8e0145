// The live table: geometry, painting from the readings it is handed, the repaint rule, "Таб", the
// current cell, the double-click and what a screen reader reads.
#include "LiveTable.h"
#include "QStringPrint.h"
#include "Reading.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace qm;

namespace {

const int Widths[8] = {70, 70, 70, 49, 85, 53, 39, 41};

// Records the regions of the paint events a widget receives.
class PaintRecorder : public QObject {
public:
    QList<QRegion> regions;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) regions << static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

bool isRed(QRgb c) { return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 0; }
bool isDark(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) < 110; }

class LiveTableTest : public ::testing::Test {
protected:
    LiveTable view;

    void SetUp() override { view.setRange({1, 10}); }
    // The instrument of a row (its address is the row's) answers with these registers: pH x 100,
    // T x 10, the status word.
    void answer(int row, int ph, int t = 250, quint16 status = 0x0000)
    {
        Reading r;
        r.address = quint8(row);
        r.answered = true;
        r.id = quint16(0x1100 | row);
        r.phRaw = qint16(ph);
        r.eRaw = 1234;
        r.tRaw = qint16(t);
        r.status = status;
        r.clockYear = 0x141A;
        r.clockDate = 0x0C06;
        r.clockTime = 0x0D2D;
        r.period = 15;
        view.showReading(r);
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    // A device cell's rectangle (without its grid line) in the widget's coordinates.
    QRect cellRect(int column, int row) const
    {
        const QRect r = view.visualRect(view.model()->index(row - 1, column - 1));
        return r.translated(view.viewport()->geometry().topLeft());
    }
    QRect headerCellRect(int column) const
    {
        const QHeaderView* h = view.horizontalHeader();
        return QRect(h->geometry().left() + h->sectionViewportPosition(column - 1), h->geometry().top(),
                     h->sectionSize(column - 1) - 1, h->height() - 1);
    }
    QRect addressCellRect(int row) const
    {
        const QHeaderView* h = view.verticalHeader();
        return QRect(h->geometry().left(), h->geometry().top() + h->sectionViewportPosition(row - 1), h->width() - 1,
                     h->sectionSize(row - 1) - 1);
    }
    static int count(const QImage& img, const QRect& rect, bool (*pred)(QRgb))
    {
        int n = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) n += pred(img.pixel(x, y)) ? 1 : 0;
        return n;
    }
    QImage grab() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void click(QWidget* target, QPoint at, bool twice)
    {
        const QPointF pos(at);
        const QPointF global(target->mapToGlobal(at));
        QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        if (!twice) return;
        QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dbl);
        QMouseEvent release2(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release2);
    }
};

TEST_F(LiveTableTest, GeometryOfTheShortAndTallTable)
{
    view.show();
    settle();
    EXPECT_EQ(view.size(), QSize(513, 129));
    EXPECT_EQ(view.horizontalHeader()->height(), 25);
    EXPECT_EQ(view.verticalHeader()->width(), 71);
    for (int c = 1; c < 8; ++c) EXPECT_EQ(view.columnWidth(c - 1), Widths[c] + 1) << c;
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(view.rowHeight(r - 1), 25) << r;

    // The short table shows exactly four device rows under the header row.
    EXPECT_EQ(view.viewport()->height(), 4 * 25);
    EXPECT_TRUE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_GE(view.viewport()->width(), view.columnViewportPosition(6) + view.columnWidth(6))
        << "all columns fit beside the scroll bar";

    // Scrolled to the end, the last four rows are in view, the header row still on top.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    EXPECT_EQ(view.topRow(), 7);
    EXPECT_EQ(view.horizontalHeader()->geometry().top(), 2);

    view.setTall(true);
    settle();
    EXPECT_EQ(view.size(), QSize(513, 279));
    EXPECT_EQ(view.viewport()->height(), 10 * 25);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.topRow(), 1);
    view.setTall(false);
    EXPECT_EQ(view.height(), 129);
}

TEST_F(LiveTableTest, FontAndReadOnly)
{
    const QFontInfo info(view.font());
    EXPECT_EQ(info.pixelSize(), 17);
    EXPECT_TRUE(info.bold());
    EXPECT_EQ(view.font().family(), "Arial");
    EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(view.model()->flags(view.model()->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(LiveTableTest, RedDiscWhereTheIndicatorIsSetAndTextElsewhere)
{
    answer(2, 701, 250, 0x0010);  // "7.01"; status bit 4 of row 2 lights "Р1", bit 5 leaves "Р2" dark
    ASSERT_EQ(view.cellText(6, 2), "1");
    ASSERT_EQ(view.cellText(7, 2), "");
    view.setCurrentCell(1, 4);  // keep the selection away from the cells looked at
    const QImage img = grab();

    const QRect p1 = cellRect(6, 2);
    const QPoint centre(p1.left() + 12 + 7, p1.top() + 4 + 7);
    EXPECT_TRUE(isRed(img.pixel(centre)));
    EXPECT_TRUE(isRed(img.pixel(p1.left() + 12, centre.y()))) << "left edge of the disc";
    EXPECT_TRUE(isRed(img.pixel(p1.left() + 26, centre.y()))) << "right edge of the disc";
    EXPECT_TRUE(isRed(img.pixel(centre.x(), p1.top() + 4)));
    EXPECT_TRUE(isRed(img.pixel(centre.x(), p1.top() + 18)));
    EXPECT_FALSE(isRed(img.pixel(p1.left() + 11, centre.y())));
    EXPECT_FALSE(isRed(img.pixel(p1.left() + 27, centre.y())));
    EXPECT_FALSE(isRed(img.pixel(centre.x(), p1.top() + 3)));
    EXPECT_FALSE(isRed(img.pixel(centre.x(), p1.top() + 19)));
    EXPECT_FALSE(isRed(img.pixel(p1.left() + 12, p1.top() + 4))) << "a disc, not a square";
    EXPECT_EQ(count(img, p1, isRed), count(img, QRect(p1.left() + 12, p1.top() + 4, 15, 15), isRed));
    EXPECT_EQ(count(img, p1, isDark), 0) << "the text \"1\" itself is never drawn";

    const QRect p2 = cellRect(7, 2);
    EXPECT_EQ(count(img, p2, isRed), 0);
    EXPECT_EQ(count(img, cellRect(6, 3), isRed), 0);

    // Headers are text, never discs.
    for (int c : {6, 7}) {
        const QRect h = headerCellRect(c);
        EXPECT_GT(count(img, h, isDark), 20) << c;
        EXPECT_EQ(count(img, h, isRed), 0) << c;
    }
}

TEST_F(LiveTableTest, TextSitsAtTheInsetAndIsClippedToItsCell)
{
    answer(2, 701, 250);
    view.setCurrentCell(1, 4);
    const QImage narrow = grab();
    answer(2, 701, -32768);  // "-3276.8": wider than the 49-pixel "T" column
    ASSERT_EQ(view.cellText(3, 2), "-3276.8");
    const QImage img = grab();

    const QRect ph = cellRect(1, 2);
    EXPECT_GT(count(img, ph, isDark), 20);
    EXPECT_EQ(count(img, QRect(ph.left(), ph.top(), 2, ph.height()), isDark), 0) << "left inset";
    EXPECT_EQ(count(img, QRect(ph.left(), ph.top(), ph.width(), 3), isDark), 0) << "top inset";
    EXPECT_GT(count(img, QRect(ph.left() + 2, ph.top(), 4, ph.height()), isDark), 0) << "text starts at the inset";

    EXPECT_GT(count(img, cellRect(3, 2), isDark), 20);
    EXPECT_EQ(img.copy(cellRect(4, 2)), narrow.copy(cellRect(4, 2))) << "no text spills into the next cell";

    // The address column and the corner are drawn from the cell texts too.
    EXPECT_GT(count(img, addressCellRect(2), isDark), 5);
    EXPECT_EQ(count(img, addressCellRect(2).adjusted(0, 0, 0, -addressCellRect(2).height() + 3), isDark), 0);
    const QRect corner(view.verticalHeader()->geometry().left(), view.horizontalHeader()->geometry().top(), 70, 24);
    EXPECT_GT(count(img, corner, isDark), 20) << "NUM";
}

TEST_F(LiveTableTest, BlankRowDrawsNothing)
{
    view.setRange({1, 3});
    view.refreshAll();
    view.setCurrentCell(1, 1);
    const QImage img = grab();
    EXPECT_EQ(count(img, addressCellRect(4), isDark), 0);
    for (int c = 1; c < 8; ++c) {
        EXPECT_EQ(count(img, cellRect(c, 4), isDark), 0) << c;
        EXPECT_EQ(count(img, cellRect(c, 4), isRed), 0) << c;
    }
}

TEST_F(LiveTableTest, RowsOutOfViewAreNotRepaintedNorScrolledTo)
{
    view.show();
    settle();
    view.setCurrentCell(2, 5);
    view.verticalScrollBar()->setValue(3);  // rows 4..7 in view
    settle();
    ASSERT_EQ(view.topRow(), 4);
    PaintRecorder rec;
    view.viewport()->installEventFilter(&rec);

    answer(2, 888);
    view.repaintDeviceRow(2);
    view.repaintDeviceRow(8);
    view.repaintDeviceRow(0);
    view.repaintDeviceRow(11);
    settle();
    EXPECT_TRUE(rec.regions.isEmpty());
    EXPECT_EQ(view.topRow(), 4);
    EXPECT_EQ(view.currentGridRow(), 5);
    EXPECT_EQ(view.currentGridColumn(), 2);

    // A row in view is repainted, and only that row (columns 1..7).
    answer(6, 666);
    view.repaintDeviceRow(6);
    settle();
    ASSERT_FALSE(rec.regions.isEmpty());
    QRegion painted;
    for (const QRegion& r : rec.regions) painted += r;
    const QRect row6 = view.visualRect(view.model()->index(5, 0)).united(view.visualRect(view.model()->index(5, 6)));
    EXPECT_TRUE(painted.contains(row6.center()));
    EXPECT_TRUE(painted.contains(row6.topLeft()) && painted.contains(row6.bottomRight()));
    const QRect row5 = view.visualRect(view.model()->index(4, 0));
    const QRect row7 = view.visualRect(view.model()->index(6, 0));
    EXPECT_FALSE(painted.contains(row5.center()));
    EXPECT_FALSE(painted.contains(row7.center()));
    EXPECT_EQ(view.topRow(), 4);
    EXPECT_EQ(view.currentGridRow(), 5);
    view.viewport()->removeEventFilter(&rec);

    // Scrolling back shows the new text of row 2.
    view.verticalScrollBar()->setValue(0);
    settle();
    const QImage img = grab();
    EXPECT_GT(count(img, cellRect(1, 2), isDark), 20);
}

TEST_F(LiveTableTest, TallTableRepaintsAnyRow)
{
    view.show();
    view.verticalScrollBar()->setValue(6);
    view.setTall(true);
    settle();
    PaintRecorder rec;
    view.viewport()->installEventFilter(&rec);
    for (int row : {1, 10}) {
        rec.regions.clear();
        view.repaintDeviceRow(row);
        settle();
        EXPECT_FALSE(rec.regions.isEmpty()) << row;
    }
    view.viewport()->removeEventFilter(&rec);
}

TEST_F(LiveTableTest, CurrentCellMovesBackToTheTop)
{
    view.show();
    settle();
    view.verticalScrollBar()->setValue(6);
    ASSERT_EQ(view.topRow(), 7);
    view.setCurrentCell(1, 1);
    EXPECT_EQ(view.topRow(), 1);
    EXPECT_EQ(view.currentGridRow(), 1);
    EXPECT_EQ(view.currentGridColumn(), 1);
    view.setCurrentCell(3, 9);
    EXPECT_EQ(view.currentGridRow(), 9);
    EXPECT_LE(view.topRow(), 9);
    EXPECT_GT(view.topRow() + 4, 9);
}

TEST_F(LiveTableTest, TallSwitchKeepsContentsAndCurrentCell)
{
    answer(3, 701);
    view.setCurrentCell(4, 3);
    const QImage before = grab();
    view.setTall(true);
    EXPECT_TRUE(view.isTall());
    EXPECT_EQ(view.currentGridRow(), 3);
    EXPECT_EQ(view.currentGridColumn(), 4);
    view.setTall(false);
    EXPECT_FALSE(view.isTall());
    EXPECT_EQ(view.currentGridRow(), 3);
    EXPECT_EQ(view.currentGridColumn(), 4);
    EXPECT_EQ(view.width(), 513);
    EXPECT_EQ(grab(), before);
}

TEST_F(LiveTableTest, DoubleClickReportsTheCurrentRow)
{
    view.show();
    settle();
    int doubleClicks = 0;
    QObject::connect(&view, &LiveTable::gridDoubleClicked, [&] { ++doubleClicks; });

    click(view.viewport(), view.visualRect(view.model()->index(2, 1)).center(), true);
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(view.currentGridRow(), 3);
    EXPECT_EQ(view.currentGridColumn(), 2);

    // The header row, the address column and the corner leave the current cell where it was.
    QHeaderView* top = view.horizontalHeader();
    click(top->viewport(), QPoint(top->sectionViewportPosition(3) + 5, 10), true);
    QHeaderView* side = view.verticalHeader();
    click(side->viewport(), QPoint(10, side->sectionViewportPosition(0) + 10), true);
    auto* corner = view.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    click(corner, QPoint(5, 5), true);
    EXPECT_EQ(doubleClicks, 4);
    EXPECT_EQ(view.currentGridRow(), 3);
    EXPECT_EQ(view.currentGridColumn(), 2);
    EXPECT_EQ(view.selectionModel()->selectedIndexes().size(), 1) << "no whole row or column selected";

    // A single click moves the current cell but is no double-click.
    click(view.viewport(), view.visualRect(view.model()->index(0, 0)).center(), false);
    EXPECT_EQ(doubleClicks, 4);
    EXPECT_EQ(view.currentGridRow(), 1);
}

TEST_F(LiveTableTest, ScreenReaderReadsTheCellTexts)
{
    answer(2, 701, 250, 0x0010);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(iface, nullptr);
    QAccessibleTableInterface* grid = iface->tableInterface();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->rowCount(), 10);
    EXPECT_EQ(grid->columnCount(), 7);
    auto text = [&](int row, int column) {
        QAccessibleInterface* cell = grid->cellAt(row - 1, column - 1);
        return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    EXPECT_EQ(text(2, 1), "7.01");
    EXPECT_EQ(text(2, 6), "1");
    EXPECT_EQ(text(2, 7), "");
    // Headers read as the table shows them.
    EXPECT_EQ(view.model()->headerData(5, Qt::Horizontal).toString(), "Р1");
    EXPECT_EQ(view.model()->headerData(1, Qt::Vertical).toString(), "2");
}

TEST_F(LiveTableTest, ChangedRowIsToldToScreenReadersWithoutRepaintingOutOfView)
{
    view.show();
    settle();
    view.verticalScrollBar()->setValue(3);  // rows 4..7 in view
    settle();
    // Qt's item views pass their model's changes on to assistive technology.
    QSet<QPair<int, int>> changed;
    QObject::connect(view.model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& first, const QModelIndex& last) {
                         for (int r = first.row(); r <= last.row(); ++r)
                             for (int c = first.column(); c <= last.column(); ++c) changed.insert({c + 1, r + 1});
                     });
    answer(8, 700);
    view.repaintDeviceRow(8);
    settle();
    changed.clear();
    PaintRecorder rec;
    view.viewport()->installEventFilter(&rec);
    answer(8, 777, 250, 0x0010);  // pH and "Р1" change, and the status word with them
    view.repaintDeviceRow(8);
    settle();
    EXPECT_EQ(changed, (QSet<QPair<int, int>>{{1, 8}, {4, 8}, {6, 8}}));
    EXPECT_TRUE(rec.regions.isEmpty()) << "row 8 is out of view";

    // The same values again are no news.
    changed.clear();
    view.repaintDeviceRow(8);
    EXPECT_TRUE(changed.isEmpty());
    view.viewport()->removeEventFilter(&rec);
}

TEST_F(LiveTableTest, TabLeavesTheTableWhileArrowsMoveTheCurrentCell)
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* grid = new LiveTable(&window);
    auto* after = new QLineEdit(&window);
    grid->setRange({1, 10});
    window.show();
    window.activateWindow();
    settle();
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(window.focusWidget(), &event);
    };
    grid->setFocus(Qt::TabFocusReason);
    grid->setCurrentCell(1, 1);
    press(Qt::Key_Down);
    press(Qt::Key_Right);
    EXPECT_EQ(grid->currentGridRow(), 2);
    EXPECT_EQ(grid->currentGridColumn(), 2);
    for (auto [key, modifiers, next] : {std::tuple{Qt::Key_Tab, Qt::NoModifier, after},
                                        std::tuple{Qt::Key_Backtab, Qt::ShiftModifier, before}}) {
        grid->setFocus(Qt::TabFocusReason);
        press(key, modifiers);
        EXPECT_EQ(window.focusWidget(), next);
    }
}

// Each row tells how its instrument's last exchange went, as the tooltip of its cells and address
// and as what a screen reader describes, so that a blank row says why; the words follow the
// instrument when the rows are renumbered, and the same words again are no news.
TEST_F(LiveTableTest, RowTellsItsLastExchange)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(iface, nullptr);
    QAccessibleTableInterface* grid = iface->tableInterface();
    ASSERT_NE(grid, nullptr);
    const auto described = [&](int row, int column) { return grid->cellAt(row - 1, column - 1)->text(QAccessible::Description); };
    const auto tip = [&](int row, int column) { return view.model()->index(row - 1, column - 1).data(Qt::ToolTipRole).toString(); };
    int told = 0;
    QObject::connect(view.model(), &QAbstractItemModel::dataChanged, [&] { ++told; });

    answer(1, 700);
    view.showExchange({ExchangeOutcome::Kind::Answered, 1});
    view.showExchange({ExchangeOutcome::Kind::Exception, 3, 0, 3, 2});
    EXPECT_EQ(tip(1, 1), "Последний обмен: ответ получен");
    EXPECT_EQ(tip(3, 4), "Последний обмен: исключение 02 — недопустимый адрес данных");
    EXPECT_EQ(described(3, 7), "Последний обмен: исключение 02 — недопустимый адрес данных");
    EXPECT_EQ(view.model()->headerData(2, Qt::Vertical, Qt::ToolTipRole).toString(), tip(3, 4));
    EXPECT_EQ(tip(2, 1), "") << "no exchange with 2 yet";

    view.markAllNotCurrent();
    EXPECT_EQ(described(1, 1), "нет связи, значение не обновляется; Последний обмен: ответ получен");

    told = 0;
    view.showExchange({ExchangeOutcome::Kind::Exception, 3, 0, 3, 2});
    EXPECT_EQ(told, 0);
    view.showExchange({ExchangeOutcome::Kind::BadCrc, 3});
    EXPECT_EQ(told, 1);

    view.setRange({3, 8});
    EXPECT_EQ(tip(1, 1), "Последний обмен: ошибка CRC");
}

// The context menu opens from the keyboard too (the Menu key, Shift+F10) and offers the exchange
// statistics.
TEST_F(LiveTableTest, ContextMenuFromTheKeyboardOffersTheStatistics)
{
    view.show();
    view.activateWindow();
    view.setFocus();
    settle();
    int requested = 0;
    QObject::connect(&view, &LiveTable::statisticsRequested, [&] { ++requested; });
    QString offered;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            offered = menu->actions().value(0) ? menu->actions().value(0)->text() : QString();
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(menu, &down);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &enter);
        }
    });
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(&view, &shiftF10);
    settle();
    EXPECT_EQ(offered, "Статистика обмена…");
    EXPECT_EQ(requested, 1);
}

}  // namespace
