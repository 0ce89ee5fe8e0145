#pragma once
// Names the program may write through. Every file the program writes or appends to goes through
// here: it.cfg, "График.txt", journal.cfg, the journal's day files, archive files, CSV exports,
// the QM_LOG_FILE log, and any file added later (the alarm journal, alarms.cfg, mqtt.cfg): whole
// files through WriteWholeFile (WholeFile.h), which uses WritableTarget, appended files through
// OpenForAppend, folders the program creates through WritableTarget before creating them.
//
// Why: whoever may write into a directory may put a symbolic link there under the name of a file
// this program writes, pointing to any file the program's user may write (his settings, another
// program's data, /etc/... for a service run as root). Written through, the link would turn the
// program into a tool for writing that file. So a name is written through only under this rule:
//   - A name that is no symbolic link is written as it is; appends open it with O_NOFOLLOW, and
//     whole files are renamed over it (which replaces the name, never follows it), so a link put
//     there a moment after the check is refused or replaced, never written through.
//   - A symbolic link is followed only when it is trusted: it belongs to the program's user or to
//     root, and the directory holding it is one that no one else can change: that directory
//     belongs to the program's user or to root, and neither its group nor others may write into it
//     unless its sticky bit is set (as in /tmp, where others may add names but may not remove or
//     rename what they do not own). A link to a link is followed only when every link on the way
//     is trusted, at most 16 of them. The operator's own link in his own directory (for example
//     "График.txt" pointing to a file on a data disk) thus keeps working.
//   - Anything else is refused with the reason in Russian, naming the link; nothing is written,
//     to that name or anywhere else.
// A link owned by another user in the program's own directory could only have been put there by
// root; one in a directory that others may change can be swapped between the check and the write,
// whoever made it. Linux's fs.protected_symlinks applies the same owner test, but only in sticky
// directories that everyone may write; a directory shared by a group, or a service run as root in
// a user's directory, is not covered by it.
// Elsewhere than on Unix names are written as they are.

#include <QString>

class QFile;

namespace qm {

// Where writing to path would land: path itself when it is no symbolic link (or does not exist),
// else the name at the end of its trusted links (which may not exist yet: a file is created there).
struct WriteTarget {
    QString path;     // empty when refused
    QString refusal;  // why not, in Russian, to follow a colon; empty when path may be written
};
WriteTarget WritableTarget(const QString& path);

// Opens path for appending, creating it (as 0666 less the umask) when it is missing, through
// trusted links only, and only a regular file (a pipe or a device could block or swallow what is
// written). file is opened write-only, appending, unbuffered. Returns an empty text on success,
// else why not, in Russian, to follow a colon.
QString OpenForAppend(QFile& file, const QString& path);

}  // namespace qm
