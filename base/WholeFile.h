#pragma once
// Writing a file whole or not at all.

#include <QByteArray>
#include <QString>

namespace qm {

// Writes bytes to a temporary file beside path and renames it over the old file only when every
// byte is on disk, so a crash or a full disk leaves the previous file intact. Where the directory
// refuses the temporary file but the file is writable, the file is written in place instead.
// Returns an empty text on success, otherwise the reason in Russian ("ошибка записи" when the
// system gives none).
QString WriteWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace qm
