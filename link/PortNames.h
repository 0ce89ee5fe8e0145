#pragma once
// The seventeen COM names of the port list and the devices they open on this system.

#include <QMap>
#include <QString>
#include <QStringList>

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

// ports.cfg: lines "COMn <device path>", anything from a # on is a comment, blank lines are
// ignored. A later line for the same name wins.
struct PortsConfig {
    QMap<int, QString> devices;  // index (0..16) -> device path
    QStringList problems;        // Russian, one per line that could not be read (its number and text)
};
PortsConfig ParsePortsConfigText(const QString& text);
// Where ports.cfg is kept: in workDir.
QString PortsCfgPath(const QString& workDir);
// The file in workDir; only a regular file is read (a FIFO or a device under that name would
// block). No file: no mapping and no problems.
PortsConfig LoadPortsConfig(const QString& workDir);
// The mappings alone.
QMap<int, QString> ParsePortsConfig(const QString& text);
QMap<int, QString> ReadPortsConfig(const QString& workDir);
// What the operator is told about a ports.cfg that could not be read whole; empty when every
// line was understood (or there is no file).
QString PortsConfigReport(const QString& workDir);

// Tooltip of the port list: one line per COM name with the device it opens, then the serial
// devices present and how to map one in ports.cfg, and what ports.cfg could not be read.
QString PortListToolTip(const QString& workDir);

}  // namespace qm
