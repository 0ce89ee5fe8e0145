#pragma once
// The serial devices present on this computer, for an operator who has to find the adapter.

#include <QList>
#include <QString>

namespace qm {

struct SerialDevice {
    // The name to put into ports.cfg: the /dev/serial/by-id link where the device has one (it
    // stays the same whichever socket the adapter is plugged into), otherwise the device itself.
    QString path;
    QString device;       // the device behind it, "/dev/ttyUSB0"
    QString description;  // what the device says it is, may be empty
};

QList<SerialDevice> SerialDevicesPresent();

}  // namespace qm
