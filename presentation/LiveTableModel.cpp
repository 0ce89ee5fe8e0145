#include "LiveTableModel.h"

namespace qm {

namespace {
bool isDeviceRow(int row) { return row >= 1 && row <= MaxDevices; }
}  // namespace

LiveTableModel::LiveTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LiveTableModel::setRange(PolledRange range)
{
    m_range = range;
    m_rangeSet = true;
    for (int row = range.count() + 1; row <= MaxDevices; ++row) m_rows[size_t(row - 1)].reset();
}

void LiveTableModel::setRowReading(int row, const Reading& reading)
{
    if (!isDeviceRow(row)) return;
    if (reading.answered)
        m_rows[size_t(row - 1)] = reading;
    else
        m_rows[size_t(row - 1)].reset();
}

void LiveTableModel::clearRow(int row)
{
    if (isDeviceRow(row)) m_rows[size_t(row - 1)].reset();
}

QString LiveTableModel::cellText(int column, int row) const
{
    if (column < 0 || column >= LiveColumns || row < 0 || row > MaxDevices) return QString();
    if (row == 0) return LiveHeaderText(column);
    if (column == 0) return m_rangeSet && row <= m_range.count() ? QString::number(m_range.addressOf(row)) : QString();
    const std::optional<Reading>& reading = m_rows[size_t(row - 1)];
    return reading ? LiveCellText(*reading, column) : QString();
}

void LiveTableModel::rowChanged(int row)
{
    if (!isDeviceRow(row)) return;
    for (int column = 1; column < LiveColumns; ++column) {
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
    for (int row = 1; row <= MaxDevices; ++row)
        for (int column = 1; column < LiveColumns; ++column) m_told[row - 1][column - 1] = cellText(column, row);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

int LiveTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : MaxDevices; }

int LiveTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : LiveColumns - 1; }

QVariant LiveTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return QVariant();
    // The indicator cells read "1" or nothing, although they are drawn as discs.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return cellText(index.column() + 1, index.row() + 1);
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
