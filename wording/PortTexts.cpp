#include "PortTexts.h"

#include "NetworkLine.h"
#include "PortNames.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QStringList>

#include <algorithm>

namespace qm {

namespace {

#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// A report names at most this many unreadable lines, each cut to a readable length.
constexpr int kMaxProblems = 10;
constexpr int kMaxShownLine = 80;

QString shownLine(const QString& line)
{
    return line.size() <= kMaxShownLine ? line : line.left(kMaxShownLine) + QStringLiteral("…");
}

QString urlProblemText(UrlProblem problem)
{
    switch (problem) {
    case UrlProblem::UnknownScheme:
        return QStringLiteral("адрес линии начинается не с rtuovertcp:// и не с tcp://");
    case UrlProblem::BadHost:
        return QStringLiteral("после :// нет имени или IPv4-адреса шлюза");
    case UrlProblem::BadIpv6:
        return QStringLiteral("адрес IPv6 пишется в квадратных скобках, например tcp://[fd00::20]:502");
    case UrlProblem::NoPort:
        return QStringLiteral("нет номера порта TCP после двоеточия, например tcp://192.168.1.20:502");
    case UrlProblem::BadPort:
        return QStringLiteral("порт TCP должен быть числом от 1 до 65535");
    }
    return {};
}

QString problemText(const PortsCfgProblem& problem)
{
    switch (problem.kind) {
    case PortsCfgProblem::Kind::UnreadableLine:
        if (problem.url)
            return QStringLiteral("строка %1: «%2» — %3").arg(problem.line).arg(shownLine(problem.text), urlProblemText(*problem.url));
        return QStringLiteral("строка %1: «%2»").arg(problem.line).arg(shownLine(problem.text));
    case PortsCfgProblem::Kind::NotARegularFile:
        return QStringLiteral("это не обычный файл, он не прочитан");
    case PortsCfgProblem::Kind::CannotOpen:
        return QStringLiteral("файл не прочитан: ") + problem.text;
    case PortsCfgProblem::Kind::TooLong:
        return QStringLiteral("файл длиннее %1 КБ: прочитано только начало").arg(PortsCfgMaxBytes / 1024);
    }
    return {};
}

QString devicesHint(const PortProblem& problem, const QString& workDir)
{
    return SerialDevicesHint(SerialDevicesPresent(), PortMessageName(problem.portIndex), PortsCfgPath(workDir));
}

QString protocolName(NetworkLine::Protocol protocol)
{
    return protocol == NetworkLine::Protocol::ModbusTcp ? QStringLiteral("шлюз Modbus TCP")
                                                        : QStringLiteral("прозрачный режим, RTU поверх TCP");
}

// A network line's problem: the gateway named in the text, the cause, where the COM name leads,
// and that the program keeps trying.
Notice gatewayNotice(const PortProblem& problem)
{
    const std::variant<NetworkLine, UrlProblem> parsed = ParseNetworkLine(problem.device);
    const NetworkLine* line = std::get_if<NetworkLine>(&parsed);
    const QString gateway = line ? line->endpoint() : problem.device;
    QStringList detail;
    switch (problem.kind) {
    case PortProblem::Kind::GatewayRefused:
        detail << QStringLiteral("Соединение отвергнуто: по этому адресу и порту никто не принимает соединений "
                                 "(шлюз выключен или перезагружается, его служба не запущена, порт TCP не тот).");
        break;
    case PortProblem::Kind::GatewayUnreachable:
        detail << QStringLiteral("Узел недоступен: по сети к нему нет пути. Проверьте кабель, адрес шлюза и сеть компьютера.");
        break;
    case PortProblem::Kind::GatewayUnknown:
        detail << QStringLiteral("Имя «%1» в сети не найдено: проверьте его или впишите в ports.cfg IP-адрес шлюза.")
                      .arg(line ? line->host : problem.device);
        break;
    case PortProblem::Kind::GatewayTimedOut:
        detail << QStringLiteral("Шлюз не принял соединение за %1 с.").arg(LineConnectTimeoutSeconds);
        break;
    case PortProblem::Kind::GatewayDropped:
        detail << QStringLiteral("Так бывает, когда шлюз выключают или перезагружают, когда к нему подключается "
                                 "другой мастер или когда соединение долго молчит.");
        break;
    default:
        break;
    }
    if (!problem.reason.isEmpty()) detail << Capitalized(problem.reason) + QLatin1Char('.');
    detail << QStringLiteral("%1 ведёт к нему по ports.cfg: %2 (%3).")
                  .arg(PortMessageName(problem.portIndex), problem.device,
                       protocolName(line ? line->protocol : NetworkLine::Protocol::RtuOverTcp));
    detail << QStringLiteral("Пока отмечено «Соединение», программа соединяется снова: через %1, 2, 4 … %2 с; "
                             "до тех пор приборы этой линии не отвечают.")
                  .arg(LineFirstRetrySeconds)
                  .arg(LineLastRetrySeconds);
    const QString text = problem.kind == PortProblem::Kind::GatewayDropped
                             ? QStringLiteral("Шлюз %1 разорвал соединение").arg(gateway)
                             : QStringLiteral("Шлюз %1 не отвечает").arg(gateway);
    return {text, detail.join(QLatin1Char('\n'))};
}

// Why no instrument answered on a network line: the gateway answers connections, but its mode,
// its serial side or the addresses do not fit.
Notice silentGatewayNotice(const PortProblem& problem)
{
    const std::variant<NetworkLine, UrlProblem> parsed = ParseNetworkLine(problem.device);
    const NetworkLine* line = std::get_if<NetworkLine>(&parsed);
    const QString gateway = line ? line->endpoint() : problem.device;
    const QStringList detail{
        QStringLiteral("%1 ведёт к нему по ports.cfg: %2.").arg(PortMessageName(problem.portIndex), problem.device),
        QStringLiteral("Проверьте адреса приборов и последовательный порт шлюза (19200 бит/с, 8 бит, без чётности, 1 стоп-бит)."),
        QStringLiteral("Проверьте режим шлюза: для прозрачного режима (raw, TCP server) в ports.cfg пишется "
                       "rtuovertcp://, для шлюза Modbus TCP — tcp://."),
    };
    return {QStringLiteral("Через шлюз %1 не ответил ни один прибор").arg(gateway), detail.join(QLatin1Char('\n'))};
}

}  // namespace

Notice PortProblemNotice(const PortProblem& problem, const QString& workDir)
{
    const QString name = PortMessageName(problem.portIndex);
    switch (problem.kind) {
    case PortProblem::Kind::NotInList:
        return {QStringLiteral("Порт ") + name + QStringLiteral(" занят или не существует"),
                QStringLiteral("В списке есть только порты COM1 … COM17.")};
    case PortProblem::Kind::OpenRefused: {
        QStringList detail;
        if (!problem.reason.isEmpty()) detail << problem.reason;
        if (problem.denied)
            detail << QStringLiteral("Нет прав на ") + problem.device
                          + QStringLiteral(": добавьте пользователя в группу dialout "
                                           "(sudo usermod -aG dialout $USER) и войдите в систему заново.");
        if (problem.withPortsCfgReport) {
            const QString report = PortsConfigReport(workDir);
            if (!report.isEmpty()) detail << report;
        }
        // A network line refused is taken by another program of this computer: the serial
        // devices present would not help.
        if (!IsUrl(problem.device)) detail << devicesHint(problem, workDir);
        return {QStringLiteral("Порт ") + name + QStringLiteral(" занят или не существует"),
                detail.join(QLatin1Char('\n'))};
    }
    case PortProblem::Kind::GetStateFailed:
    case PortProblem::Kind::SetStateFailed:
        return {QStringLiteral("ERROR ") + QString::number(problem.code)
                    + (problem.kind == PortProblem::Kind::GetStateFailed ? QStringLiteral(": GetCommState")
                                                                         : QStringLiteral(": SetCommState")),
                problem.reason};
    case PortProblem::Kind::NothingAnswers: {
        if (IsUrl(problem.device)) return silentGatewayNotice(problem);
        // Say which device the name opens now and where that comes from, and suggest another one:
        // advice to write the line already in effect would help nobody.
        const QList<PortMapping> mappings = PortMappings(workDir);
        const bool fromFile = problem.portIndex >= 0 && problem.portIndex < mappings.size()
                              && mappings[problem.portIndex].fromPortsCfg;
        const QString now = QStringLiteral("Сейчас %1 открывает %2 (%3).")
                                .arg(name, problem.device,
                                     fromFile ? QStringLiteral("так записано в файле ports.cfg")
                                              : QStringLiteral("так по умолчанию: в ports.cfg строки для %1 нет").arg(name));
        return {QStringLiteral("На порту %1 (%2) не ответил ни один прибор").arg(name, problem.device),
                now + QLatin1Char('\n')
                    + SerialDevicesHint(SerialDevicesPresent(), name, PortsCfgPath(workDir), problem.device)};
    }
    case PortProblem::Kind::PortsCfgUnread:
        return {QStringLiteral("Файл ports.cfg прочитан не весь"), PortsConfigReport(workDir)};
    case PortProblem::Kind::GatewayRefused:
    case PortProblem::Kind::GatewayUnreachable:
    case PortProblem::Kind::GatewayUnknown:
    case PortProblem::Kind::GatewayTimedOut:
    case PortProblem::Kind::GatewayDropped:
        return gatewayNotice(problem);
    }
    return {};
}

QString PortsConfigReport(const QString& workDir)
{
    if (kWindows) return {};
    const QList<PortsCfgProblem> problems = LoadPortsConfig(workDir).problems;
    if (problems.isEmpty()) return {};
    QStringList lines{QStringLiteral("В файле %1 не учтено:").arg(QDir::toNativeSeparators(PortsCfgPath(workDir)))};
    for (qsizetype i = 0; i < problems.size() && i < kMaxProblems; ++i)
        lines << QStringLiteral("  ") + problemText(problems[i]);
    if (problems.size() > kMaxProblems) lines << QStringLiteral("  и ещё %1").arg(problems.size() - kMaxProblems);
    lines << QStringLiteral("Строка файла: имя порта, пробел, устройство или адрес линии за шлюзом, например "
                            "«COM1 /dev/ttyUSB0» или «COM2 tcp://192.168.1.20:502»; после # можно писать пояснения.");
    return lines.join(QLatin1Char('\n'));
}

QString SerialDevicesHint(const QList<SerialDevice>& devices, const QString& comName, const QString& portsCfgPath,
                          const QString& current)
{
    if (devices.isEmpty())
        return QStringLiteral("Последовательных устройств в системе не найдено: проверьте, подключён ли адаптер.");
    QStringList lines{QStringLiteral("Последовательные устройства в системе:")};
    for (const SerialDevice& d : devices) {
        QString line = QStringLiteral("  ") + d.path;
        QStringList about;
        if (d.device != d.path) about << d.device;
        if (!d.description.isEmpty()) about << d.description;
        if (!about.isEmpty()) line += QStringLiteral(" (") + about.join(QStringLiteral(", ")) + QLatin1Char(')');
        lines << line;
    }
#ifndef Q_OS_WIN
    // The example names a device other than the one the name opens now.
    const auto other = std::find_if(devices.begin(), devices.end(), [&](const SerialDevice& d) {
        return current.isEmpty() || (d.path != current && d.device != current);
    });
    if (other == devices.end()) {
        lines << QStringLiteral("Другого последовательного устройства в системе нет: проверьте, подключён ли адаптер линии.");
    } else {
        lines << QStringLiteral("Чтобы %1 открывал одно из них, впишите в файл %2 строку, например:")
                     .arg(comName, QDir::toNativeSeparators(portsCfgPath));
        lines << QStringLiteral("  ") + comName + QLatin1Char(' ') + other->path;
    }
#else
    Q_UNUSED(comName);
    Q_UNUSED(portsCfgPath);
    Q_UNUSED(current);
#endif
    return lines.join(QLatin1Char('\n'));
}

QString NetworkLinesHint()
{
    return QStringList{
        QStringLiteral("Линия за сетевым шлюзом Ethernet–RS485 пишется в ports.cfg адресом:"),
        QStringLiteral("  COM2 rtuovertcp://192.168.1.10:4001  — преобразователь в прозрачном режиме (raw, TCP server): кадры RTU с CRC"),
        QStringLiteral("  COM3 tcp://192.168.1.20:502  — шлюз Modbus TCP: адрес прибора идёт как unit id"),
        QStringLiteral("  COM4 tcp://[fd00::20]:502  — адрес IPv6 в квадратных скобках; вместо адреса можно имя"),
    }.join(QLatin1Char('\n'));
}

QString PortListToolTip(const QString& workDir)
{
    QStringList lines;
    const QList<PortMapping> mappings = PortMappings(workDir);
    for (int i = 0; i < mappings.size(); ++i) {
        QString text = PortDisplayName(i) + QStringLiteral(" \u2192 ") + mappings[i].device;
        if (mappings[i].fromPortsCfg) text += QStringLiteral(" (ports.cfg)");
        lines << text;
    }
    lines << QString() << SerialDevicesHint(SerialDevicesPresent(), PortDisplayName(0), PortsCfgPath(workDir));
#ifndef Q_OS_WIN
    lines << QString() << NetworkLinesHint();
#endif
    const QString report = PortsConfigReport(workDir);
    if (!report.isEmpty()) lines << QString() << report;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qm
