#include "ExchangeText.h"

#include "ModbusProtocol.h"

namespace qm {

namespace {
QString hexByte(quint8 value) { return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }
}  // namespace

QString ModbusExceptionMeaning(quint8 code)
{
    using modbus::Exception;
    switch (Exception(code)) {
    case Exception::IllegalFunction: return QStringLiteral("недопустимая функция");
    case Exception::IllegalDataAddress: return QStringLiteral("недопустимый адрес данных");
    case Exception::IllegalDataValue: return QStringLiteral("недопустимое значение");
    case Exception::ServerDeviceFailure: return QStringLiteral("отказ прибора");
    case Exception::Acknowledge: return QStringLiteral("подтверждение, запрос выполняется");
    case Exception::ServerDeviceBusy: return QStringLiteral("прибор занят");
    case Exception::MemoryParityError: return QStringLiteral("ошибка памяти прибора");
    case Exception::GatewayPathUnavailable: return QStringLiteral("нет пути к прибору (шлюз)");
    case Exception::GatewayTargetFailedToRespond: return QStringLiteral("прибор не ответил шлюзу");
    }
    return QStringLiteral("неизвестный код");
}

QString ExchangeText(const ExchangeOutcome& outcome)
{
    using Kind = ExchangeOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Answered: return QStringLiteral("ответ получен");
    case Kind::NoAnswer: return QStringLiteral("нет ответа");
    case Kind::BadCrc: return QStringLiteral("ошибка CRC");
    case Kind::Exception: {
        // A measurement is read with function 03; another function is named.
        const QString to = outcome.function == modbus::ReadHoldingRegisters
                               ? QString()
                               : QStringLiteral(" на функцию ") + hexByte(outcome.function);
        return QStringLiteral("исключение %1%2 — %3").arg(hexByte(outcome.code), to, ModbusExceptionMeaning(outcome.code));
    }
    case Kind::OtherAddress: return QStringLiteral("ответил чужой адрес %1").arg(outcome.from);
    case Kind::Unidentified: return QStringLiteral("ошибка идентификации");
    case Kind::NamedOther: return QStringLiteral("прибор назвался адресом %1").arg(outcome.from);
    case Kind::Short: return QStringLiteral("ответ короче ожидаемого");
    case Kind::UnexpectedFunction: return QStringLiteral("ответ с функцией %1 вместо 03").arg(hexByte(outcome.function));
    }
    return QString();
}

QString LastExchangeText(const ExchangeOutcome& outcome)
{
    return QStringLiteral("Последний обмен: ") + ExchangeText(outcome);
}

QStringList ExchangeStatsCaptions()
{
    return {QStringLiteral("Адрес"),      QStringLiteral("Запросы"),    QStringLiteral("Ответы"),
            QStringLiteral("Нет ответа"), QStringLiteral("Ошибки CRC"), QStringLiteral("Исключения"),
            QStringLiteral("Чужой адрес"), QStringLiteral("Прочие сбои")};
}

QStringList ExchangeStatsHints()
{
    return {QStringLiteral("Адрес прибора"),
            QStringLiteral("Запросы измерения; каждый учтён, когда ответ принят или время ожидания вышло"),
            QStringLiteral("Ответы, принятые как измерение прибора"),
            QStringLiteral("Запросы, на которые не пришло ни байта"),
            QStringLiteral("Ответы с неверной контрольной суммой"),
            QStringLiteral("Ответы с кодом исключения Modbus"),
            QStringLiteral("Ответы с адресом другого прибора"),
            QStringLiteral("Ответы короткие, с другой функцией, без идентификации QM4700 или с чужой идентификацией")};
}

QStringList ExchangeStatsRow(int address, const ExchangeCounts& c)
{
    QStringList row{QString::number(address)};
    for (int n : {c.requests, c.answered, c.noAnswer, c.badCrc, c.exceptions, c.otherAddress, c.otherFaults})
        row << QString::number(n);
    return row;
}

QString ExchangeStatsSince(const QDateTime& since)
{
    return QStringLiteral("Счёт с %1").arg(since.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
}

}  // namespace qm
