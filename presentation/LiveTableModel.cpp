#include "LiveTableModel.h"

namespace qm {

LiveTableModel::LiveTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LiveTableModel::setDeviceTable(const DeviceTable* table) { m_table = table; }

QString LiveTableModel::cellText(int column, int row) const
{
    if (!m_table || column < 0 || column >= DeviceTable::UsedColumns || row < 0 || row > DeviceTable::MaxDevices)
        return QString();
    return m_table->CellText(column, row);
}

void LiveTableModel::rowChanged(int row)
{
    if (row < 1 || row > DeviceTable::MaxDevices) return;
    for (int column = 1; column < DeviceTable::UsedColumns; ++column) {
        QString& told = m_told[row - 1][column - 1];
        const QString text = cellText(column, row);
        if (text == told) continue;
        told = text;
        const QModelIndex cell = index(row - 1, column - 1);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void LiveTableModel::allChanged()
{
    for (int row = 1; row <= DeviceTable::MaxDevices; ++row)
        for (int column = 1; column < DeviceTable::UsedColumns; ++column)
            m_told[row - 1][column - 1] = cellText(column, row);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

int LiveTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : DeviceTable::MaxDevices;
}

int LiveTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : DeviceTable::UsedColumns - 1;
}

QVariant LiveTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return QVariant();
    // The indicator cells read "1" or nothing, although they are drawn as discs.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(index.column() + 1, index.row() + 1);
    return QVariant();
}

QVariant LiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return QVariant();
    if (orientation == Qt::Horizontal) return cellText(section + 1, 0);
    return cellText(0, section + 1);
}

Qt::ItemFlags LiveTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace qm
