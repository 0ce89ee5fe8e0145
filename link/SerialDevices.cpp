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

}  // namespace qm
