#include "PortNames.h"

#include <QDir>
#include <QFile>
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
}  // namespace

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
    return mapped.value(index, QStringLiteral("/dev/ttyS%1").arg(index));
}

QString PortDeviceName(int index, const QString& workDir)
{
    return PortDeviceNameFor(index, workDir, kWindows);
}

QMap<int, QString> ParsePortsConfig(const QString& text)
{
    static const QRegularExpression line(QStringLiteral("^COM(\\d{1,2})\\s+(\\S.*)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QMap<int, QString> result;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString s = raw.trimmed();
        if (s.isEmpty() || s.startsWith(QLatin1Char('#'))) continue;
        const QRegularExpressionMatch m = line.match(s);
        if (!m.hasMatch()) continue;
        const int index = m.captured(1).toInt() - 1;
        if (!validIndex(index)) continue;
        result.insert(index, m.captured(2).trimmed());
    }
    return result;
}

QMap<int, QString> ReadPortsConfig(const QString& workDir)
{
    QFile file(QDir(workDir).filePath(QStringLiteral("ports.cfg")));
    if (!file.open(QIODevice::ReadOnly)) return {};  // no file: the default mapping
    // Bounded: a mapping file is a few lines; anything beyond 64 KiB is not one.
    return ParsePortsConfig(QString::fromUtf8(file.read(64 * 1024)));
}

QString PortListToolTip(const QString& workDir)
{
    QStringList lines;
    const QMap<int, QString> mapped = kWindows ? QMap<int, QString>() : ReadPortsConfig(workDir);
    for (int i = 0; i < PortCount; ++i) {
        QString device = kWindows ? PortDeviceNameFor(i, workDir, true)
                                  : mapped.value(i, QStringLiteral("/dev/ttyS%1").arg(i));
        QString text = PortDisplayName(i) + QStringLiteral(" \u2192 ") + device;
        if (mapped.contains(i)) text += QStringLiteral(" (ports.cfg)");
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qm
