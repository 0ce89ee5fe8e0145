#include "LiveTableModel.h"

#include "DeviceTable.h"

namespace qm {

LiveTableModel::LiveTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LiveTableModel::setDeviceTable(const DeviceTable* table) { m_table = table; }

QString LiveTableModel::cellText(int column, int row) const
{
    if (!m_table || column < 0 || column >= DeviceTable::UsedColumns || row < 0 || row > DeviceTable::MaxDevices)
        return QString();
    return m_table->CellText[column][row];
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
