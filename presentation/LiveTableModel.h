#pragma once
// The live table's cells as a model: it reads the device table's CellText whenever the view
// (or a screen reader) asks, so it never holds a copy that could go stale.
// Model row r - 1 is grid row r (1..10), model column c - 1 is grid column c (1..7); the header
// row (grid row 0) and the address column (grid column 0) are the model's headers.

#include "DeviceTable.h"

#include <QAbstractTableModel>

namespace qm {

class LiveTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LiveTableModel(QObject* parent = nullptr);

    void setDeviceTable(const DeviceTable* table);
    // CellText[column][row] of the grid, empty without a table or outside columns 0..7, rows 0..10.
    QString cellText(int column, int row) const;
    // Tells the views (and through them assistive technology) which cells of a device row now
    // read differently from when they were last told, one cell at a time: a view repaints a
    // changed cell only where it is in view, but a changed range as all that it shows.
    void rowChanged(int row);
    // Everything may have changed: cells, headers and addresses.
    void allChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const DeviceTable* m_table = nullptr;
    // What the views were last told a device cell reads, so that an unchanged value is not
    // announced again at every poll.
    QString m_told[DeviceTable::MaxDevices][DeviceTable::UsedColumns - 1];
};

}  // namespace qm
