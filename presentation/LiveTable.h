#pragma once
// The live table: the latest reading of each polled instrument, one row each, drawn when it is
// painted. Row 0 and column 0 are fixed; device rows 1..10 scroll.

#include "Alarm.h"
#include "EngineEvents.h"
#include "PolledRange.h"
#include "Reading.h"

#include <QTableView>

namespace qm {

class LiveTableModel;

class LiveTable : public QTableView {
    Q_OBJECT
public:
    static constexpr int ShortHeight = 129;
    static constexpr int TallHeight = 279;
    static constexpr int TableWidth = 513;
    static constexpr int RowHeight = 24;       // plus a 1-pixel grid line
    static constexpr int ShortDeviceRows = 4;  // device rows in view of the short table

    explicit LiveTable(QWidget* parent = nullptr);
    ~LiveTable() override;

    // The polled range: the address column follows it, rows beyond its count go blank. The
    // caller repaints (refreshAll).
    void setRange(PolledRange range);
    // A polled instrument's reading: its row shows it, or goes blank for one found silent.
    void showReading(const Reading& reading);
    // A device row goes blank (its address stays).
    void clearRow(int row);
    // The link is gone: the rows keep what they show, drawn grey and described as not current,
    // until their instruments answer again.
    void markAllNotCurrent();
    // An alarm changed: its cell (or, for "no answer", its address cell) is marked while it is
    // not normal, and a screen reader hears of it.
    void showAlarm(const AlarmChange& change);
    // How the last exchange with an instrument went: its row's tooltip and description.
    void showExchange(const ExchangeOutcome& outcome);
    // What a cell reads: column 0..7, row 0..10.
    QString cellText(int column, int row) const;
    LiveTableModel* tableModel() const;

    // Repaints every cell, headers and addresses included (after the rows were renumbered).
    void refreshAll();
    // Repaints columns 1..7 of a device row if it is in view; never scrolls, keeps the current cell.
    void repaintDeviceRow(int row);
    // Grid coordinates: column 0..7, row 0..10 (row 0 is the header row).
    void setCurrentCell(int column, int row);
    int currentGridRow() const;
    int currentGridColumn() const;
    // First device row in view of the short table.
    int topRow() const;
    // "Таб": the tall table (279) or the short one (129).
    void setTall(bool tall);
    bool isTall() const;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

signals:
    void gridDoubleClicked();
    // "Статистика обмена…" chosen from the table's context menu.
    void statisticsRequested();

private:
    // The context menu at `globalPos`, or beside the current cell when opened from the keyboard.
    void showContextMenu(const QPoint& globalPos, bool fromKeyboard);

    class Private;
    Private* d = nullptr;
};

}  // namespace qm
