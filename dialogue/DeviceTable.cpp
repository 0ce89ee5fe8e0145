#include "DeviceTable.h"

#include "DateTimeText.h"
#include "Panel.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm {

namespace {
const char* const Headers[DeviceTable::UsedColumns] = {"NUM", "pH", "E", "T", "Stat", "pH25", "Р1", "Р2"};

quint16 wordAt(const quint8* frame, int index) { return quint16((frame[index] << 8) | frame[index + 1]); }
}  // namespace

DeviceTable::DeviceTable(Panel& panel) : m_panel(panel) {}

void DeviceTable::FillHeaders(PolledRange range)
{
    for (int column = 0; column < UsedColumns; ++column) m_cellText[column][0] = QString::fromUtf8(Headers[column]);
    setRange(range);
}

void DeviceTable::setRange(PolledRange range)
{
    m_range.first = std::clamp(range.first, FirstAddressSpin.minimum, FirstAddressSpin.maximum);
    m_range.count = std::clamp(range.count, 0, MaxDevices);
    for (int row = 1; row <= MaxDevices; ++row) {
        if (row <= m_range.count) {
            m_cellText[0][row] = QString::number(m_range.first + row - 1);
        } else {
            for (int column = 0; column < UsedColumns; ++column) m_cellText[column][row].clear();
        }
    }
}

QString DeviceTable::CellText(int column, int row) const
{
    return column >= 0 && column < Columns && row >= 0 && row < Rows ? m_cellText[column][row] : QString();
}

int DeviceTable::SpinValue(const QString& text, SpinRange range)
{
    if (IsEmptySpinText(text)) return range.emptyValue;
    const QString digits = text.trimmed();
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (ok) return int(std::clamp<qlonglong>(value, range.minimum, range.maximum));
    // Too many digits for any integer: still a number, bounded by its sign.
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (number.match(digits).hasMatch()) return digits.startsWith(QLatin1Char('-')) ? range.minimum : range.maximum;
    return range.minimum;
}

bool DeviceTable::IsEmptySpinText(const QString& text) { return text.trimmed().isEmpty(); }

int DeviceTable::DeviceRow(int address) const { return address - m_range.first + 1; }

bool DeviceTable::isDeviceRow(int row) const { return row >= 1 && row <= m_range.count; }

void DeviceTable::HandleMeasurementAnswer(const quint8* frame, int length, int pollAddress)
{
    // A truncated answer carries no trustworthy registers: nothing is decoded, shown or stored,
    // as for an exception reply. The poll engine still counts the instrument as answering.
    if (!frame || length < AnswerLength) return;

    for (int a = 0; a < RegisterCount; ++a) m_registers[a] = qint16(wordAt(frame, 3 + 2 * a));

    const quint16 id = quint16(m_registers[0]);
    const int typeCode = id >> 8;  // a negative word has a type code of 0x80 or more and fails
    const int idAddress = id & 0xFF;
    const int row = DeviceRow(pollAddress);

    if (typeCode < 16 || typeCode > 18) {
        // An instrument outside the polled rows has no row to blank; its boxes still go blank
        // and the table returns to its top, as for any other failed identification.
        ClearDeviceRow(isDeviceRow(row) ? row : 0);
        m_panel.setStatusText(QString::number(pollAddress) + QStringLiteral("- Ошибка идентификации"));
        return;
    }

    m_panel.setIdText(WordHexText(id));

    if (m_periodPending && m_commandAddress == idAddress) {
        // The period is an unsigned word; the box holds 1..255.
        m_panel.setPeriodValue(std::clamp(int(quint16(m_registers[8])), 1, 255));
        m_periodPending = false;
    }

    if (idAddress != pollAddress) return;
    // Outside the polled rows the answer is shown like one from another address: nothing is stored.
    if (!isDeviceRow(row)) return;

    if (typeCode == 16) {
        m_panel.setClockText(QString());
    } else {
        const quint16 year = quint16(m_registers[5]);
        const quint16 date = quint16(m_registers[6]);
        const quint16 time = quint16(m_registers[7]);
        m_panel.setClockText(TwoDigits(time >> 8) + QLatin1Char(':') + TwoDigits(time & 0xFF) + QLatin1Char(' ')
                             + TwoDigits(date & 0xFF) + QLatin1Char('.') + TwoDigits(date >> 8) + QLatin1Char('.')
                             + TwoDigits(year >> 8) + TwoDigits(year & 0xFF));
    }

    m_liveValues[2 * row - 1] = float(m_registers[1] / 100.0);
    m_liveValues[2 * row] = float(m_registers[3] / 10.0);

    const quint16 status = quint16(m_registers[4]);
    m_cellText[1][row] = FixedText(m_registers[1], 2);
    m_cellText[2][row] = FixedText(m_registers[2], 1);
    m_cellText[3][row] = FixedText(m_registers[3], 1);
    m_cellText[4][row] = WordHexText(status);
    if (status & 0x0002)
        m_cellText[5][row] = QStringLiteral("АВ");
    else if (status & 0x0001)
        m_cellText[5][row] = QStringLiteral("ЧВ");
    else
        m_cellText[5][row].clear();
    m_cellText[6][row] = (status & 0x0010) ? QStringLiteral("1") : QString();
    m_cellText[7][row] = (status & 0x0020) ? QStringLiteral("1") : QString();

    m_panel.repaintDeviceRow(row);
}

void DeviceTable::ClearDeviceRow(int row)
{
    m_panel.setClockText(QString());
    m_panel.setIdText(QString());
    if (row >= 1 && row <= MaxDevices) {
        for (int column = 1; column < UsedColumns; ++column) m_cellText[column][row].clear();
        m_panel.repaintDeviceRow(row);
    }
    m_panel.setTableCurrentCell(1, 1);
}

void DeviceTable::MarkSilent(int row)
{
    if (row < 1 || row > MaxDevices) return;
    m_liveValues[2 * row - 1] = NoDataMark;
    m_liveValues[2 * row] = NoDataMark;
}

QString DeviceTable::WordHexText(quint16 word)
{
    static const char Digits[] = "0123456789ABCDEF";
    QString s;
    s.reserve(9);
    s += QLatin1Char(Digits[(word >> 12) & 0xF]);
    s += QLatin1Char(Digits[(word >> 8) & 0xF]);
    s += QLatin1Char(' ');
    s += QLatin1Char(Digits[(word >> 4) & 0xF]);
    s += QLatin1Char(Digits[word & 0xF]);
    s += QStringLiteral(" hex");
    return s;
}

QString DeviceTable::FixedText(qint32 value, int decimals)
{
    // Integer arithmetic: no locale, no binary rounding.
    int divisor = 1;
    for (int i = 0; i < decimals; ++i) divisor *= 10;
    const qint64 magnitude = value < 0 ? -qint64(value) : qint64(value);
    QString s = value < 0 ? QStringLiteral("-") : QString();
    s += QString::number(magnitude / divisor);
    if (decimals > 0)
        s += QLatin1Char('.') + QString::number(magnitude % divisor).rightJustified(decimals, QLatin1Char('0'));
    return s;
}

}  // namespace qm
