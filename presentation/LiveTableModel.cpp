#include "LiveTableModel.h"

#include "AlarmText.h"
#include "ExchangeText.h"

namespace qm {

namespace {
bool isDeviceRow(int row) { return row >= 1 && row <= MaxDevices; }

// The grid column an alarm marks: its quantity's or relay's cell, or the address cell for a row.
int markedColumn(AlarmCondition c)
{
    switch (c) {
    case AlarmCondition::PhHigh:
    case AlarmCondition::PhLow: return int(LiveColumn::Ph);
    case AlarmCondition::THigh:
    case AlarmCondition::TLow: return int(LiveColumn::T);
    case AlarmCondition::Relay1: return int(LiveColumn::Relay1);
    case AlarmCondition::Relay2: return int(LiveColumn::Relay2);
    case AlarmCondition::NoAnswer: break;
    }
    return int(LiveColumn::Address);
}

// Unacknowledged and active first, then acknowledged, then returned.
int urgency(AlarmState s) { return s == AlarmState::Active ? 3 : s == AlarmState::Acknowledged ? 2 : s == AlarmState::Returned ? 1 : 0; }
}  // namespace

void LiveTableModel::setAlarm(const AlarmChange& change)
{
    Mark& mark = m_marks[change.address][size_t(change.condition)];
    mark.state = change.state;
    mark.change = change;
    const int row = m_range.rowOf(change.address);
    if (!m_rangeSet || !row) return;
    const int column = markedColumn(change.condition);
    const QList<int> roles{Qt::AccessibleTextRole, Qt::AccessibleDescriptionRole, AlarmMarkRole};
    if (column == int(LiveColumn::Address)) {
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    } else {
        const QModelIndex cell = index(row - 1, column - 1);
        emit dataChanged(cell, cell, roles);
    }
}

QString LiveTableModel::markWords(int column, int row, bool brief) const
{
    if (!m_rangeSet || !isDeviceRow(row) || row > m_range.count()) return QString();
    // A blank row has no cells to mark: its alarms are in the alarm window (and "no answer" in
    // its address cell).
    if (column != int(LiveColumn::Address) && !m_rows[size_t(row - 1)]) return QString();
    const auto it = m_marks.constFind(m_range.addressOf(row));
    if (it == m_marks.constEnd()) return QString();
    QStringList words;
    for (const Mark& m : *it) {
        if (m.state == AlarmState::Normal || markedColumn(m.change.condition) != column) continue;
        words << (brief ? AlarmMarkText(m.change.condition)
                        : QStringLiteral("тревога %1, %2").arg(AlarmConditionText(m.change.condition, m.change.limit),
                                                                 AlarmStateText(m.state)));
    }
    return words.join(QLatin1String("; "));
}

QVariant LiveTableModel::markCode(int column, int row) const
{
    if (!m_rangeSet || !isDeviceRow(row) || row > m_range.count()) return QVariant();
    if (column != int(LiveColumn::Address) && !m_rows[size_t(row - 1)]) return QVariant();
    const auto it = m_marks.constFind(m_range.addressOf(row));
    if (it == m_marks.constEnd()) return QVariant();
    const Mark* worst = nullptr;
    for (const Mark& m : *it)
        if (m.state != AlarmState::Normal && markedColumn(m.change.condition) == column
            && (!worst || urgency(m.state) > urgency(worst->state)))
            worst = &m;
    return worst ? QVariant(AlarmMarkCode(worst->change.condition, worst->state)) : QVariant();
}

void LiveTableModel::setLastExchange(const ExchangeOutcome& outcome)
{
    // At most one entry per address byte.
    QString& words = m_lastExchange[outcome.address];
    const QString now = LastExchangeText(outcome);
    if (now == words) return;
    words = now;
    const int row = m_range.rowOf(outcome.address);
    if (!m_rangeSet || !row) return;
    emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1), {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
}

QString LiveTableModel::lastExchangeWords(int row) const
{
    if (!m_rangeSet || !isDeviceRow(row) || row > m_range.count()) return QString();
    return m_lastExchange.value(m_range.addressOf(row));
}

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
    const bool wasCurrent = m_current[size_t(row - 1)];
    m_current[size_t(row - 1)] = true;
    if (!wasCurrent) emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1), {CurrentRole});
}

void LiveTableModel::markAllNotCurrent()
{
    m_current.fill(false);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {CurrentRole, Qt::AccessibleDescriptionRole});
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
    const int column = index.column() + 1, row = index.row() + 1;
    // The indicator cells read "1" or nothing, although they are drawn as discs.
    if (role == Qt::DisplayRole) return cellText(column, row);
    // A cell in alarm says so after its value: "8.90, выше уставки".
    if (role == Qt::AccessibleTextRole) {
        const QString mark = markWords(column, row, true);
        const QString text = cellText(column, row);
        return mark.isEmpty() ? text : text.isEmpty() ? mark : text + QStringLiteral(", ") + mark;
    }
    if (role == Qt::AccessibleDescriptionRole) {
        // What a screen reader says of a value kept from before the link was lost, and of an alarm.
        QStringList words;
        if (!isCurrent(row) && !cellText(column, row).isEmpty())
            words << QStringLiteral("нет связи, значение не обновляется");
        const QString alarm = markWords(column, row, false);
        if (!alarm.isEmpty()) words << alarm;
        const QString exchange = lastExchangeWords(row);
        if (!exchange.isEmpty()) words << exchange;
        return words.join(QStringLiteral("; "));
    }
    if (role == Qt::ToolTipRole) return lastExchangeWords(row);
    if (role == CurrentRole) return isCurrent(row);
    if (role == AlarmMarkRole) return markCode(column, row);
    return QVariant();
}

QVariant LiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::AccessibleTextRole) {
        const QString mark = markWords(0, section + 1, true);
        const QString text = cellText(0, section + 1);
        return mark.isEmpty() ? text : text + QStringLiteral(", ") + mark;
    }
    if (orientation == Qt::Vertical && (role == Qt::AccessibleDescriptionRole || role == Qt::ToolTipRole)) {
        const QString alarm = role == Qt::AccessibleDescriptionRole ? markWords(0, section + 1, false) : QString();
        const QString exchange = lastExchangeWords(section + 1);
        return alarm.isEmpty() ? exchange : exchange.isEmpty() ? alarm : alarm + QStringLiteral("; ") + exchange;
    }
    if (orientation == Qt::Vertical && role == AlarmMarkRole) return markCode(0, section + 1);
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
