#pragma once
// The seventeen COM names of the port list and the devices they open on this system.

#include <QMap>
#include <QString>

namespace qm {

constexpr int PortCount = 17;

// "COM1" ... "COM17"; empty for an index outside 0..16.
QString PortDisplayName(int index);
// The device the name opens: on Windows "COM1".."COM9" and "\\.\COM10".."\\.\COM17";
// elsewhere /dev/ttyS(n-1) unless ports.cfg in workDir maps the name. Empty outside 0..16.
QString PortDeviceName(int index, const QString& workDir);
// The same for a chosen system, so that both mappings can be checked anywhere.
QString PortDeviceNameFor(int index, const QString& workDir, bool windows);

// The name used in messages and the status bar: the display name, and for an index outside
// the list (a hand-edited it.cfg) "COM" + (index + 1), so that the operator sees what was asked.
QString PortMessageName(int index);

// ports.cfg: lines "COMn <device path>"; blank lines and lines starting with # are ignored,
// and so are lines that do not name COM1..COM17. A later line for the same name wins.
// Returns index (0..16) -> device path.
QMap<int, QString> ParsePortsConfig(const QString& text);
QMap<int, QString> ReadPortsConfig(const QString& workDir);

// Tooltip of the port list: one line per COM name with the device it opens.
QString PortListToolTip(const QString& workDir);

}  // namespace qm
