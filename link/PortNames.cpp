#include "PortNames.h"

#include "SerialDevices.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace qm {

namespace {
bool validIndex(int index) { return index >= 0 && index < PortCount; }

#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// A mapping file is a few lines; anything beyond this is not one.
constexpr qint64 kMaxConfigBytes = 64 * 1024;
// A report names at most this many unreadable lines, each cut to a readable length.
constexpr int kMaxProblems = 10;
constexpr int kMaxShownLine = 80;

QString shownLine(const QString& line)
{
    return line.size() <= kMaxShownLine ? line : line.left(kMaxShownLine) + QStringLiteral("…");
}
// The device of a COM name that ports.cfg does not map: COM1 is /dev/ttyS0.
QString builtInDevice(int index) { return QStringLiteral("/dev/ttyS%1").arg(index); }
}  // namespace

QString PortsCfgPath(const QString& workDir) { return QDir(workDir).filePath(QStringLiteral("ports.cfg")); }

QString PortDisplayName(int index)
{
    return validIndex(index) ? QStringLiteral("COM%1").arg(index + 1) : QString();
}

QString PortMessageName(int index)
{
    return QStringLiteral("COM%1").arg(qint64(index) + 1);
}

QString PortDeviceNameFor(int index, const QString& workDir, bool windows)
{
    if (!validIndex(index)) return {};
    if (windows) {
        // From COM10 on Windows only opens the device-namespace form.
        return index < 9 ? PortDisplayName(index) : QStringLiteral("\\\\.\\") + PortDisplayName(index);
    }
    const QMap<int, QString> mapped = ReadPortsConfig(workDir);
    return mapped.value(index, builtInDevice(index));
}

QString PortDeviceName(int index, const QString& workDir)
{
    return PortDeviceNameFor(index, workDir, kWindows);
}

PortsConfig ParsePortsConfigText(const QString& text)
{
    static const QRegularExpression line(QStringLiteral("^COM(\\d{1,2})\\s+(\\S+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    PortsConfig result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString written = lines[n].trimmed();
        // Device paths have no #; from there on it is a note for people.
        const QString s = written.left(written.indexOf(QLatin1Char('#'))).trimmed();
        if (s.isEmpty()) continue;
        const QRegularExpressionMatch m = line.match(s);
        const int index = m.hasMatch() ? m.captured(1).toInt() - 1 : -1;
        if (!validIndex(index)) {
            result.problems << QStringLiteral("строка %1: «%2»").arg(n + 1).arg(shownLine(written));
            continue;
        }
        result.devices.insert(index, m.captured(2));
    }
    return result;
}

PortsConfig LoadPortsConfig(const QString& workDir)
{
    const QString path = PortsCfgPath(workDir);
    const QFileInfo info(path);
    if (!info.exists()) return {};  // no file: the default mapping
    PortsConfig refused;
    if (!info.isFile()) {
        refused.problems << QStringLiteral("это не обычный файл, он не прочитан");
        return refused;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refused.problems << QStringLiteral("файл не прочитан: ") + SystemErrorTextFor(file.errorString());
        return refused;
    }
    const QByteArray bytes = file.read(kMaxConfigBytes + 1);
    PortsConfig config = ParsePortsConfigText(QString::fromUtf8(bytes.left(kMaxConfigBytes)));
    if (bytes.size() > kMaxConfigBytes)
        config.problems << QStringLiteral("файл длиннее %1 КБ: прочитано только начало").arg(kMaxConfigBytes / 1024);
    return config;
}

QMap<int, QString> ParsePortsConfig(const QString& text) { return ParsePortsConfigText(text).devices; }

QMap<int, QString> ReadPortsConfig(const QString& workDir) { return LoadPortsConfig(workDir).devices; }

QString PortsConfigReport(const QString& workDir)
{
    if (kWindows) return {};
    const QStringList problems = LoadPortsConfig(workDir).problems;
    if (problems.isEmpty()) return {};
    QStringList lines{QStringLiteral("В файле %1 не учтено:").arg(QDir::toNativeSeparators(PortsCfgPath(workDir)))};
    for (qsizetype i = 0; i < problems.size() && i < kMaxProblems; ++i) lines << QStringLiteral("  ") + problems[i];
    if (problems.size() > kMaxProblems) lines << QStringLiteral("  и ещё %1").arg(problems.size() - kMaxProblems);
    lines << QStringLiteral("Строка файла: имя порта, пробел, устройство, например «COM1 /dev/ttyUSB0»; "
                            "после # можно писать пояснения.");
    return lines.join(QLatin1Char('\n'));
}

QString PortListToolTip(const QString& workDir)
{
    QStringList lines;
    const QMap<int, QString> mapped = kWindows ? QMap<int, QString>() : ReadPortsConfig(workDir);
    for (int i = 0; i < PortCount; ++i) {
        QString device = kWindows ? PortDeviceNameFor(i, workDir, true)
                                  : mapped.value(i, builtInDevice(i));
        QString text = PortDisplayName(i) + QStringLiteral(" \u2192 ") + device;
        if (mapped.contains(i)) text += QStringLiteral(" (ports.cfg)");
        lines << text;
    }
    lines << QString() << SerialDevicesHint(SerialDevicesPresent(), PortDisplayName(0), PortsCfgPath(workDir));
    const QString report = PortsConfigReport(workDir);
    if (!report.isEmpty()) lines << QString() << report;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qm
