#pragma once
// WorkDir: the directory the program was started from. Start-up captures it once and hands it to
// whatever keeps files there (it.cfg, "График.txt", ports.cfg, the journal) or opens a dialog
// there, so that a file dialog that moves the process's current directory changes none of them.

#include <QString>

namespace qm {

// The process's current directory, as start-up finds it.
QString CaptureWorkDir();

}  // namespace qm
