#include "LiveTable.h"

#include "LiveTableDelegate.h"
#include "LiveTableHeader.h"
#include "LiveTableModel.h"
#include "PixelFont.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace qm {

namespace {
constexpr int ColumnWidths[LiveColumns] = {70, 70, 70, 49, 85, 53, 39, 41};
constexpr int GridLine = 1;
constexpr int FrameWidth = 2;
}  // namespace

class LiveTable::Private {
public:
    LiveTableModel* model = nullptr;
    QAbstractButton* corner = nullptr;
    bool tall = false;
};

LiveTable::LiveTable(QWidget* parent) : QTableView(parent), d(new Private)
{
    const QFont font = BoldArial(17);
    setFont(font);

    d->model = new LiveTableModel(this);
    setHorizontalHeader(new LiveTableHeader(Qt::Horizontal, this));
    setVerticalHeader(new LiveTableHeader(Qt::Vertical, this));
    setModel(d->model);
    setItemDelegate(new LiveTableDelegate(this));

    // A sunken 2-pixel frame: 129 = 2 + header row + four device rows + 2.
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(FrameWidth);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrow keys move the current cell; Tab and Shift+Tab go on to the next control.
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setShowGrid(true);
    setWordWrap(false);

    // Each section holds a cell and the grid line after it.
    QHeaderView* top = horizontalHeader();
    QHeaderView* side = verticalHeader();
    for (QHeaderView* header : {top, side}) header->setFont(font);
    top->setFixedHeight(RowHeight + GridLine);
    side->setFixedWidth(ColumnWidths[0] + GridLine);
    side->setDefaultSectionSize(RowHeight + GridLine);
    for (int column = 1; column < LiveColumns; ++column)
        top->resizeSection(column - 1, ColumnWidths[column] + GridLine);
    for (int row = 0; row < MaxDevices; ++row) side->resizeSection(row, RowHeight + GridLine);
    connect(top, &QHeaderView::sectionDoubleClicked, this, [this] { emit gridDoubleClicked(); });
    connect(side, &QHeaderView::sectionDoubleClicked, this, [this] { emit gridDoubleClicked(); });

    // The corner cell shows the address column's header "NUM"; its clicks are swallowed, so it
    // selects nothing.
    d->corner = findChild<QAbstractButton*>();
    if (d->corner) d->corner->installEventFilter(this);

    resize(TableWidth, ShortHeight);
    setCurrentCell(1, 1);
}

LiveTable::~LiveTable()
{
    if (d->corner) d->corner->removeEventFilter(this);
    delete d;
    d = nullptr;
}

void LiveTable::setRange(PolledRange range) { d->model->setRange(range); }

void LiveTable::showReading(const Reading& reading)
{
    const int row = d->model->range().rowOf(reading.address);
    if (!row) return;
    d->model->setRowReading(row, reading);
    repaintDeviceRow(row);
}

void LiveTable::clearRow(int row)
{
    d->model->clearRow(row);
    repaintDeviceRow(row);
}

void LiveTable::markAllNotCurrent()
{
    d->model->markAllNotCurrent();
    viewport()->update();
}

void LiveTable::showAlarm(const AlarmChange& change) { d->model->setAlarm(change); }

void LiveTable::showExchange(const ExchangeOutcome& outcome) { d->model->setLastExchange(outcome); }

QString LiveTable::cellText(int column, int row) const { return d->model->cellText(column, row); }

LiveTableModel* LiveTable::tableModel() const { return d->model; }

void LiveTable::refreshAll()
{
    d->model->allChanged();
    viewport()->update();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    if (d->corner) d->corner->update();
}

void LiveTable::repaintDeviceRow(int row)
{
    if (row < 1 || row > MaxDevices) return;
    // Assistive technology hears of every changed cell; the screen shows only the rows in view.
    d->model->rowChanged(row);
    if (!d->tall) {
        const int top = topRow();
        if (row < top || row >= top + ShortDeviceRows) return;
    }
    // Columns 1..7 of the row; the scroll position and the current cell are left alone.
    const QRect first = visualRect(d->model->index(row - 1, 0));
    const QRect last = visualRect(d->model->index(row - 1, d->model->columnCount() - 1));
    viewport()->update(first.united(last).adjusted(0, 0, GridLine, GridLine));
}

void LiveTable::setCurrentCell(int column, int row)
{
    const int c = std::clamp(column, 1, LiveColumns - 1);
    const int r = std::clamp(row, 1, MaxDevices);
    const QModelIndex index = d->model->index(r - 1, c - 1);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index, QAbstractItemView::EnsureVisible);
}

int LiveTable::currentGridRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 1;
}

int LiveTable::currentGridColumn() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() + 1 : 1;
}

int LiveTable::topRow() const
{
    const int row = rowAt(0);
    return row < 0 ? 1 : row + 1;
}

void LiveTable::setTall(bool tall)
{
    d->tall = tall;
    resize(width(), tall ? TallHeight : ShortHeight);
}

bool LiveTable::isTall() const { return d->tall; }

void LiveTable::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QTableView::dataChanged(topLeft, bottomRight, roles);
    // Not every screen reader bridge passes on the view's own table event: a cell whose text
    // changed is also announced as a cell whose name changed, one whose description changed as
    // such.
    if (!QAccessible::isActive()) return;
    const bool described = !roles.isEmpty() && std::all_of(roles.begin(), roles.end(), [](int role) {
        return role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole;
    });
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface* grid = view ? view->tableInterface() : nullptr;
    if (!grid) return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            if (QAccessibleInterface* cell = grid->cellAt(row, column)) {
                QAccessibleEvent event(cell, described ? QAccessible::DescriptionChanged : QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

void LiveTable::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press before it has already made a device cell current.
    QTableView::mouseDoubleClickEvent(event);
    emit gridDoubleClicked();
}

void LiveTable::contextMenuEvent(QContextMenuEvent* event)
{
    showContextMenu(event->globalPos(), event->reason() == QContextMenuEvent::Keyboard);
    event->accept();
}

void LiveTable::keyPressEvent(QKeyEvent* event)
{
    // Shift+F10 opens the context menu as the Menu key does.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        showContextMenu(QPoint(), true);
        return;
    }
    QTableView::keyPressEvent(event);
}

void LiveTable::showContextMenu(const QPoint& globalPos, bool fromKeyboard)
{
    QPoint at = globalPos;
    if (fromKeyboard) {
        // Below the current cell's left edge, where the eye already is.
        const QRect cell = visualRect(currentIndex());
        at = viewport()->mapToGlobal(cell.isValid() ? cell.bottomLeft() : QPoint(0, 0));
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("Статистика обмена…"), this, &LiveTable::statisticsRequested);
    menu.exec(at);
}

bool LiveTable::eventFilter(QObject* watched, QEvent* event)
{
    if (d && watched == d->corner) {
        switch (event->type()) {
        case QEvent::Paint: {
            QPainter painter(d->corner);
            LiveTableHeader::paintHeaderCell(&painter, d->corner, d->corner->rect(), d->model->cellText(0, 0));
            return true;
        }
        case QEvent::MouseButtonDblClick:
            emit gridDoubleClicked();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            return true;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

}  // namespace qm
