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

void DeviceTable::FillHeaders()
{
    for (int column = 0; column < UsedColumns; ++column) CellText[column][0] = QString::fromUtf8(Headers[column]);
    Renumber(m_panel.firstAddress(), m_panel.deviceCountValue());
}

void DeviceTable::Renumber(int firstAddress, int count)
{
    const int first = std::clamp(firstAddress, FirstAddressSpin.minimum, FirstAddressSpin.maximum);
    const int rows = std::clamp(count, 0, MaxDevices);
    for (int row = 1; row <= MaxDevices; ++row) {
        if (row <= rows) {
            CellText[0][row] = QString::number(first + row - 1);
        } else {
            for (int column = 0; column < UsedColumns; ++column) CellText[column][row].clear();
        }
    }
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

int DeviceTable::DeviceRow(int address) const { return address - m_panel.firstAddress() + 1; }

bool DeviceTable::isDeviceRow(int row, int deviceCount)
{
    return row >= 1 && row <= std::min(deviceCount, int(MaxDevices));
}

void DeviceTable::HandleMeasurementAnswer(const quint8* frame, int length, int pollAddress, int deviceCount)
{
    // A truncated answer carries no trustworthy registers: nothing is decoded, shown or stored,
    // as for an exception reply. The poll engine still counts the instrument as answering.
    if (!frame || length < AnswerLength) return;

    for (int a = 0; a < RegisterCount; ++a) Registers[a] = qint16(wordAt(frame, 3 + 2 * a));

    const quint16 id = quint16(Registers[0]);
    const int typeCode = id >> 8;  // a negative word has a type code of 0x80 or more and fails
    const int idAddress = id & 0xFF;
    const int row = DeviceRow(pollAddress);

    if (typeCode < 16 || typeCode > 18) {
        // An instrument outside the polled rows has no row to blank; its boxes still go blank
        // and the table returns to its top, as for any other failed identification.
        if (isDeviceRow(row, deviceCount)) {
            ClearDeviceRow(row);
        } else {
            m_panel.setClockText(QString());
            m_panel.setIdText(QString());
            m_panel.setTableCurrentCell(1, 1);
        }
        m_panel.setStatusText(QString::number(pollAddress) + QStringLiteral("- Ошибка идентификации"));
        return;
    }

    m_panel.setIdText(WordHexText(id));

    if (PeriodPending && m_panel.commandAddress() == idAddress) {
        // The period is an unsigned word; the box holds 1..255.
        m_panel.setPeriodValue(std::clamp(int(quint16(Registers[8])), 1, 255));
        PeriodPending = false;
    }

    if (idAddress != pollAddress) return;
    // Outside the polled rows the answer is shown like one from another address: nothing is stored.
    if (!isDeviceRow(row, deviceCount)) return;

    if (typeCode == 16) {
        m_panel.setClockText(QString());
    } else {
        const quint16 year = quint16(Registers[5]);
        const quint16 date = quint16(Registers[6]);
        const quint16 time = quint16(Registers[7]);
        m_panel.setClockText(TwoDigits(time >> 8) + QLatin1Char(':') + TwoDigits(time & 0xFF) + QLatin1Char(' ')
                             + TwoDigits(date & 0xFF) + QLatin1Char('.') + TwoDigits(date >> 8) + QLatin1Char('.')
                             + TwoDigits(year >> 8) + TwoDigits(year & 0xFF));
    }

    LiveValues[2 * row - 1] = float(Registers[1] / 100.0);
    LiveValues[2 * row] = float(Registers[3] / 10.0);

    const quint16 status = quint16(Registers[4]);
    CellText[1][row] = FixedText(Registers[1], 2);
    CellText[2][row] = FixedText(Registers[2], 1);
    CellText[3][row] = FixedText(Registers[3], 1);
    CellText[4][row] = WordHexText(status);
    if (status & 0x0002)
        CellText[5][row] = QStringLiteral("АВ");
    else if (status & 0x0001)
        CellText[5][row] = QStringLiteral("ЧВ");
    else
        CellText[5][row].clear();
    CellText[6][row] = (status & 0x0010) ? QStringLiteral("1") : QString();
    CellText[7][row] = (status & 0x0020) ? QStringLiteral("1") : QString();

    m_panel.repaintDeviceRow(row);
}

void DeviceTable::ClearDeviceRow(int row)
{
    m_panel.setClockText(QString());
    m_panel.setIdText(QString());
    if (row >= 1 && row <= MaxDevices) {
        for (int column = 1; column < UsedColumns; ++column) CellText[column][row].clear();
        m_panel.repaintDeviceRow(row);
    }
    m_panel.setTableCurrentCell(1, 1);
}

void DeviceTable::MarkSilent(int row)
{
    if (row < 1 || row > MaxDevices) return;
    LiveValues[2 * row - 1] = NoDataMark;
    LiveValues[2 * row] = NoDataMark;
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
