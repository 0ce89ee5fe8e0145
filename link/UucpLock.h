#pragma once
// UUCP lock files (LCK..<device> in /var/lock and its kin): how serial programs on Unix tell each
// other that a device is in use. QSerialPort writes one too, through QLockFile; but QLockFile takes
// any lock file whose process has another program's name for stale and deletes it, so the lock
// file of a live program is looked for here first, and never touched.

#include <QString>

#include <optional>

namespace qm {

struct LockHolder {
    QString lockFile;  // the file that names the process
    qint64 pid = 0;
    QString program;   // the process's name, empty when the system does not say
};

// The live process that a lock file of the device names, if there is one. The device is looked
// for under its own name and under the name of the device it links to (a /dev/serial/by-id name
// and its /dev/ttyUSB0), in every directory where serial programs keep such files. Lock files of
// processes that have ended are stale; they are left for QSerialPort to clear. Nothing on
// systems without UUCP lock files.
std::optional<LockHolder> LiveLockHolder(const QString& devicePath);

}  // namespace qm
