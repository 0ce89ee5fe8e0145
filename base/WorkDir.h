#pragma once
// WorkDir: the directory the program was started from. Start-up captures it once and hands it to
// whatever keeps files there (it.cfg, "График.txt", ports.cfg, the journal) or opens a dialog
// there, so that a file dialog that moves the process's current directory changes none of them.
//
// Started from the desktop menu, the program would find itself in the user's home and scatter its
// files there; the menu start asks for a folder of its own instead, which the entry makes and
// moves into before start-up captures it.

#include <QString>

namespace qm {

// The process's current directory, as start-up finds it.
QString CaptureWorkDir();

// The folder for the program's files when it is started from the menu: "qm4700" in the user's
// data folder, which is $XDG_DATA_HOME when that is an absolute path, otherwise
// <home>/.local/share (the XDG rule: a relative value is ignored).
QString UserDataDir(const QString& xdgDataHome, const QString& home);

// Why entering a folder failed.
struct EnterDirFailure {
    enum class Step {
        None,     // it worked
        Create,   // a missing folder on the way could not be made; path names it
        NotDir,   // path exists but is not a folder
        Enter,    // the folder is there but cannot be made the current directory
    };
    Step step = Step::None;
    QString path;
    int error = 0;  // errno, for Create and Enter
};

// Makes dir and every missing folder above it, each private to the user (0700, as XDG asks of
// the folders it names; the umask may narrow it further), and makes dir the process's current
// directory. Folders that exist keep their modes. On failure the current directory is unchanged.
EnterDirFailure EnterDir(const QString& dir);

}  // namespace qm
