#pragma once
// An advisory lock (flock) on a lock file, so that two programs of ours never do one thing at
// once: drive one network line (a lock file per line in /run/lock) or append to one journal (a
// lock file in the journal's folder). The system lets go of the lock when its holder ends, however
// it ends, so a crash never leaves a line or a journal locked; the file itself stays, empty.
//
// The file is opened without following a symbolic link, only as a regular file, and made
// readable by everyone (0644 whatever the umask): a line's lock in /run/lock that the service
// user qm4700 took must stop a desktop user's program, and the other way round, and a program
// that may only read the file still locks it. A file that is there is opened without O_CREAT,
// which Linux's fs.protected_regular refuses for another user's file in a sticky directory.
// Elsewhere than on Unix nothing is locked.

#include <QString>
#include <QtGlobal>

namespace qm {

class FileLock {
public:
    enum class Outcome { Taken, Busy, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        // Busy: the program that holds the lock, as far as the system tells (0 and empty when not).
        qint64 holderPid = 0;
        QString holderProgram;
        // Failed: why the lock file could not be opened, in Russian, to follow a colon.
        QString reason;

        // "qm4700-collector, PID 1234", "PID 1234", or empty.
        QString holderText() const;
    };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on the file at path, making the file when it is missing; never waits. Taking
    // again the lock already held on the same path does nothing; on another path, the one held
    // is let go first.
    Result take(const QString& path);
    void release();

    bool held() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }

private:
    int m_fd = -1;
    QString m_path;
};

}  // namespace qm
