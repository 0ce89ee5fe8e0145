#include "SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace qm {

QList<SerialDevice> SerialDevicesPresent()
{
    // by-id links name the adapter by maker and serial number; they are what ports.cfg should say.
    QHash<QString, QString> byId;
    const QDir idDir(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : idDir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !byId.contains(target)) byId.insert(target, link.absoluteFilePath());
    }

    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString device = info.systemLocation();
        devices << SerialDevice{byId.value(device, device), device, info.description()};
    }
    // Adapters (with a by-id name) first: they are what an operator is looking for.
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        return (a.path != a.device) > (b.path != b.device);
    });
    return devices;
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

}  // namespace qm
