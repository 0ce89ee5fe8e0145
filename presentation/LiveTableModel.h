#pragma once
// The live table's cells as a model: the latest reading of each polled instrument, put into words
// when the view (or a screen reader) asks.
// Model row r - 1 is grid row r (1..10), model column c - 1 is grid column c (1..7); the header
// row (grid row 0) and the address column (grid column 0) are the model's headers.

#include "Alarm.h"
#include "EngineEvents.h"
#include "PolledRange.h"
#include "Reading.h"
#include "ReadingText.h"

#include <QAbstractTableModel>
#include <QHash>

#include <array>
#include <optional>

namespace qm {

// A cell's (or, in the address column, a row's) alarm mark for painting: the most pressing alarm
// on it as AlarmMarkCode, none when it is in no alarm.
constexpr int AlarmMarkRole = Qt::UserRole + 1;
constexpr int AlarmMarkCode(AlarmCondition condition, AlarmState state) { return int(condition) << 8 | int(state); }
constexpr AlarmCondition AlarmMarkCondition(int code) { return AlarmCondition(code >> 8); }
constexpr AlarmState AlarmMarkState(int code) { return AlarmState(code & 0xFF); }
// Whether a device cell shows a current reading (bool): false once the link was lost, until the
// row's instrument answers again.
constexpr int CurrentRole = Qt::UserRole + 2;

class LiveTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LiveTableModel(QObject* parent = nullptr);

    // The polled range: the address column follows it; rows beyond its count go blank whole,
    // rows within it keep what they show.
    void setRange(PolledRange range);
    PolledRange range() const { return m_range; }
    // A device row shows this reading (an unanswered one blanks it).
    void setRowReading(int row, const Reading& reading);
    // A device row goes blank (its address stays).
    void clearRow(int row);
    // The link is gone: every row keeps what it shows, but as no longer current.
    void markAllNotCurrent();
    bool isCurrent(int row) const { return row >= 1 && row <= MaxDevices && m_current[size_t(row - 1)]; }

    // The grid's text of column 0..7, row 0..10; empty outside.
    QString cellText(int column, int row) const;
    // Tells the views (and through them assistive technology) which cells of a device row now
    // read differently from when they were last told, one cell at a time: a view repaints a
    // changed cell only where it is in view, but a changed range as all that it shows.
    void rowChanged(int row);
    // Everything may have changed: cells, headers and addresses.
    void allChanged();
    // An alarm changed: the cell of its quantity or relay (pH, T, Р1, Р2), or for "no answer" the
    // instrument's address cell, is marked while the alarm is not normal; a screen reader reads
    // the mark with the cell (AccessibleTextRole, AccessibleDescriptionRole).
    void setAlarm(const AlarmChange& change);
    // How the last exchange with an instrument went: every cell of its row, and its address,
    // tell it as tooltip and accessible description ("Последний обмен: ошибка CRC"), so that a
    // blank row says why. Views hear of it only when the words change.
    void setLastExchange(const ExchangeOutcome& outcome);
    QString lastExchangeWords(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Mark {
        AlarmState state = AlarmState::Normal;
        AlarmChange change;
    };
    using Marks = std::array<Mark, AlarmConditionCount>;
    // The marks of grid cell (column, row): their words, and the code of the most pressing one.
    QString markWords(int column, int row, bool brief) const;
    QVariant markCode(int column, int row) const;

    QHash<int, Marks> m_marks;  // by address, so that they follow a renumbering of the rows
    QHash<int, QString> m_lastExchange;  // by address, as the marks
    PolledRange m_range;
    bool m_rangeSet = false;  // before the window hands a range, the address column is empty
    std::array<std::optional<Reading>, MaxDevices> m_rows;
    std::array<bool, MaxDevices> m_current{};
    // What the views were last told a device cell reads, so that an unchanged value is not
    // announced again at every poll.
    QString m_told[MaxDevices][LiveColumns - 1];
};

}  // namespace qm
