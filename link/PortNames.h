#pragma once
// The seventeen COM names of the port list and the devices they open on this system.

#include <QString>

namespace qm {

constexpr int PortCount = 17;

// "COM1" ... "COM17"; empty for an index outside 0..16.
QString PortDisplayName(int index);
// The device the name opens: on Windows "COM1".."COM9" and "\\.\COM10".."\\.\COM17";
// elsewhere /dev/ttyS(n-1) unless ports.cfg in workDir maps the name. Empty outside 0..16.
QString PortDeviceName(int index, const QString& workDir);

}  // namespace qm
