#pragma once
// Writing a file whole or not at all.

#include <QByteArray>
#include <QString>

namespace qm {

// Writes bytes to a temporary file beside path and renames it over the old file only when every
// byte is on disk, so a crash or a full disk leaves the previous file intact. Where the directory
// refuses the temporary file but the file is writable, the file is written in place instead.
// A symbolic link at path is written through to its file only when it is trusted (SafeFile.h), and
// the name is checked again just before the rename; an untrusted one is refused and nothing is
// written. A file that is not writable (read-only, or on a disk mounted read-only) is left alone.
// Returns an empty text on success, otherwise the reason in Russian.
QString WriteWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace qm
