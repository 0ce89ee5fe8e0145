#include "PortNames.h"

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
        // Device paths and URLs have no #; from there on it is a note for people.
        const QString s = written.left(written.indexOf(QLatin1Char('#'))).trimmed();
        if (s.isEmpty()) continue;
        const QRegularExpressionMatch m = line.match(s);
        const int index = m.hasMatch() ? m.captured(1).toInt() - 1 : -1;
        if (!validIndex(index)) {
            result.problems << PortsCfgProblem{PortsCfgProblem::Kind::UnreadableLine, int(n + 1), written, std::nullopt};
            continue;
        }
        const QString device = m.captured(2);
        if (IsUrl(device)) {
            const std::variant<NetworkLine, UrlProblem> parsed = ParseNetworkLine(device);
            if (const UrlProblem* problem = std::get_if<UrlProblem>(&parsed)) {
                result.problems << PortsCfgProblem{PortsCfgProblem::Kind::UnreadableLine, int(n + 1), written, *problem};
                continue;
            }
        }
        result.devices.insert(index, device);
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
        refused.problems << PortsCfgProblem{PortsCfgProblem::Kind::NotARegularFile, 0, {}, std::nullopt};
        return refused;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refused.problems << PortsCfgProblem{PortsCfgProblem::Kind::CannotOpen, 0, SystemErrorTextFor(file.errorString()), std::nullopt};
        return refused;
    }
    const QByteArray bytes = file.read(PortsCfgMaxBytes + 1);
    PortsConfig config = ParsePortsConfigText(QString::fromUtf8(bytes.left(PortsCfgMaxBytes)));
    if (bytes.size() > PortsCfgMaxBytes) config.problems << PortsCfgProblem{PortsCfgProblem::Kind::TooLong, 0, {}, std::nullopt};
    return config;
}

QMap<int, QString> ParsePortsConfig(const QString& text) { return ParsePortsConfigText(text).devices; }

QMap<int, QString> ReadPortsConfig(const QString& workDir) { return LoadPortsConfig(workDir).devices; }

QList<PortMapping> PortMappings(const QString& workDir)
{
    QList<PortMapping> mappings;
    const QMap<int, QString> mapped = kWindows ? QMap<int, QString>() : ReadPortsConfig(workDir);
    for (int i = 0; i < PortCount; ++i) {
        if (kWindows)
            mappings << PortMapping{PortDeviceNameFor(i, workDir, true), false};
        else
            mappings << PortMapping{mapped.value(i, builtInDevice(i)), mapped.contains(i)};
    }
    return mappings;
}

}  // namespace qm
