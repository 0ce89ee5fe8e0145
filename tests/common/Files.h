#pragma once
// Whole files as tests read and prepare them.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace qm::test {

// The file's bytes; a file that cannot be opened gives "<unreadable>", so that it never passes
// for the expected contents, not even for an empty file.
inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Replaces the file's contents with bytes; true when all of them were written.
inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace qm::test
