#include "PortTexts.h"

#include "PortNames.h"

#include <QDir>
#include <QStringList>

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

QString problemText(const PortsCfgProblem& problem)
{
    switch (problem.kind) {
    case PortsCfgProblem::Kind::UnreadableLine:
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
        detail << devicesHint(problem, workDir);
        return {QStringLiteral("Порт ") + name + QStringLiteral(" занят или не существует"),
                detail.join(QLatin1Char('\n'))};
    }
    case PortProblem::Kind::GetStateFailed:
    case PortProblem::Kind::SetStateFailed:
        return {QStringLiteral("ERROR ") + QString::number(problem.code)
                    + (problem.kind == PortProblem::Kind::GetStateFailed ? QStringLiteral(": GetCommState")
                                                                         : QStringLiteral(": SetCommState")),
                problem.reason};
    case PortProblem::Kind::NothingAnswers:
        return {QStringLiteral("На порту %1 (%2) не ответил ни один прибор").arg(name, problem.device),
                devicesHint(problem, workDir)};
    case PortProblem::Kind::PortsCfgUnread:
        return {QStringLiteral("Файл ports.cfg прочитан не весь"), PortsConfigReport(workDir)};
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
    lines << QStringLiteral("Строка файла: имя порта, пробел, устройство, например «COM1 /dev/ttyUSB0»; "
                            "после # можно писать пояснения.");
    return lines.join(QLatin1Char('\n'));
}

QString SerialDevicesHint(const QList<SerialDevice>& devices, const QString& comName, const QString& portsCfgPath)
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
    lines << QStringLiteral("Чтобы %1 открывал одно из них, впишите в файл %2 строку, например:")
                 .arg(comName, QDir::toNativeSeparators(portsCfgPath));
    lines << QStringLiteral("  ") + comName + QLatin1Char(' ') + devices.first().path;
#else
    Q_UNUSED(comName);
    Q_UNUSED(portsCfgPath);
#endif
    return lines.join(QLatin1Char('\n'));
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
    const QString report = PortsConfigReport(workDir);
    if (!report.isEmpty()) lines << QString() << report;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qm
