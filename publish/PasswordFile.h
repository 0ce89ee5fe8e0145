#pragma once
// The broker password lives in a file of its own, never in mqtt.cfg, and is taken only from a
// file that no one but its owner can read or change: a password that others can read is no
// secret. The first line is the password (its line end is not).

#include <QByteArray>
#include <QString>

namespace qm {

struct PasswordRead {
    QByteArray password;
    QString error;  // empty when read; otherwise why not, in Russian, naming the file
};

// Refuses a file that group or others may read or write (any of the bits 066), anything but a
// regular file, an unreadable file, one longer than 4 KiB and an empty one.
PasswordRead ReadPasswordFile(const QString& path);

}  // namespace qm
