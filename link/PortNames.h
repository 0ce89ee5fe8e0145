#pragma once
// The seventeen COM names of the port list and the devices they open on this system.

#include "NetworkLine.h"

#include <QMap>
#include <QString>
#include <QList>
#include <QStringList>

#include <optional>

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

// ports.cfg: lines "COMn <device>", anything from a # on is a comment, blank lines are ignored.
// The device is a path, or a network line's URL (rtuovertcp://HOST:PORT, tcp://HOST:PORT; see
// NetworkLine.h). A later line for the same name wins.
constexpr qint64 PortsCfgMaxBytes = 64 * 1024;  // a mapping file is a few lines; beyond this is not one

// What of ports.cfg could not be taken.
struct PortsCfgProblem {
    enum class Kind {
        UnreadableLine,   // line `line` reads `text`; `url` says what is wrong with its URL
        NotARegularFile,  // a FIFO or a device under the name: not opened
        CannotOpen,       // the system refused it; `text` is why, in the operator's words
        TooLong,          // longer than PortsCfgMaxBytes: only the beginning was read
    };
    Kind kind = Kind::UnreadableLine;
    int line = 0;
    QString text;
    std::optional<UrlProblem> url;  // a line whose device is a URL that names no line
};

struct PortsConfig {
    QMap<int, QString> devices;        // index (0..16) -> device path or network line URL
    QList<PortsCfgProblem> problems;   // in file order
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
// The COM names mapped on this system: the device each opens, and whether ports.cfg maps it.
struct PortMapping {
    QString device;
    bool fromPortsCfg = false;
};
QList<PortMapping> PortMappings(const QString& workDir);

}  // namespace qm
