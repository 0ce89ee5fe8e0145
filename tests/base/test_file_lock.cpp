// The lock that keeps two programs off one line or one journal: held against any other holder
// (another process, or another open of the file in this one), named for whoever holds it, and
// let go by the system when its holder is killed, so that it never goes stale.
#include "FileLock.h"
#include "QStringPrint.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using qm::FileLock;

TEST(FileLock, HeldAgainstOthersAndFreedWhenItsHolderIsKilled)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.lock"));
    const QByteArray name = QFile::encodeName(path);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0644);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        (void)!::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);

    FileLock lock;
    const FileLock::Result busy = lock.take(path);
    EXPECT_EQ(busy.outcome, FileLock::Outcome::Busy);
    EXPECT_EQ(busy.holderPid, child);
    EXPECT_EQ(busy.holderProgram, QStringLiteral("test_file_lock"));
    EXPECT_FALSE(lock.held());

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(lock.take(path).outcome, FileLock::Outcome::Taken);
    EXPECT_TRUE(lock.held());

    // A second holder in this very process is refused as well, and told who holds it.
    FileLock second;
    const FileLock::Result mine = second.take(path);
    EXPECT_EQ(mine.outcome, FileLock::Outcome::Busy);
    EXPECT_EQ(mine.holderPid, ::getpid());
    EXPECT_TRUE(mine.holderText().endsWith(QStringLiteral("PID %1").arg(::getpid()))) << mine.holderText().toStdString();
    lock.release();
    EXPECT_EQ(second.take(path).outcome, FileLock::Outcome::Taken);
    ::close(ready[0]);
    ::close(ready[1]);
}

// Lock files live in a directory every user may write (/run/lock): a link planted there in the
// lock's name is never followed to a file it points at.
TEST(FileLock, ASymbolicLinkInTheLocksPlaceIsRefused)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("precious"));
    const QString path = dir.filePath(QStringLiteral("line.lock"));
    ASSERT_TRUE(QFile::link(target, path));
    FileLock lock;
    const FileLock::Result r = lock.take(path);
    EXPECT_EQ(r.outcome, FileLock::Outcome::Failed);
    EXPECT_FALSE(r.reason.isEmpty());
    EXPECT_FALSE(QFile::exists(target));
}

}  // namespace
