// The folder of the menu start: where it is, how it is made, and what stops it.
#include "Files.h"
#include "WorkDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using qm::EnterDir;
using Step = qm::EnterDirFailure::Step;

TEST(UserDataDir, FollowsXdgDataHomeWhenAbsoluteElseTheHome)
{
    const struct {
        const char* xdg;
        const char* expected;
    } cases[] = {
        {"/srv/data", "/srv/data/qm4700"},
        {"/srv/data/", "/srv/data/qm4700"},
        {"", "/home/op/.local/share/qm4700"},
        {"data", "/home/op/.local/share/qm4700"},  // relative: ignored
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::UserDataDir(QString::fromUtf8(c.xdg), QStringLiteral("/home/op")), QString::fromUtf8(c.expected)) << c.xdg;
}

// Each test leaves the process where it found it.
class EnterDirTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    const QString start = QDir::currentPath();
    void TearDown() override { QDir::setCurrent(start); }
    static int mode(const QString& path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }
};

TEST_F(EnterDirTest, MakesMissingFoldersPrivateAndMovesIntoThem)
{
    const mode_t oldMask = ::umask(022);
    QDir(tmp.path()).mkdir(QStringLiteral("kept"));
    QFile::setPermissions(tmp.filePath(QStringLiteral("kept")), QFileDevice::Permissions(0x7755));
    const QString dir = tmp.filePath(QStringLiteral("kept/share/qm4700"));
    const qm::EnterDirFailure r = EnterDir(dir);
    ::umask(oldMask);
    ASSERT_EQ(r.step, Step::None) << r.path.toStdString() << " " << r.error;
    EXPECT_EQ(QDir::currentPath(), QFileInfo(dir).canonicalFilePath());
    EXPECT_EQ(mode(tmp.filePath(QStringLiteral("kept/share"))), 0700);
    EXPECT_EQ(mode(dir), 0700);
    EXPECT_EQ(mode(tmp.filePath(QStringLiteral("kept"))), 0755);  // a folder that was there keeps its mode
    // The second start finds it made.
    QDir::setCurrent(start);
    EXPECT_EQ(EnterDir(dir).step, Step::None);
    EXPECT_EQ(QDir::currentPath(), QFileInfo(dir).canonicalFilePath());
}

TEST_F(EnterDirTest, AFileInTheWayIsNamedAndTheDirectoryStays)
{
    ASSERT_TRUE(qm::test::WriteAll(tmp.filePath(QStringLiteral("share")), "x"));
    const struct {
        const char* dir;
        const char* blocked;  // the path the failure names
    } cases[] = {
        {"share", "share"},              // the folder itself is a file
        {"share/qm4700", "share"},       // a folder above it is
        {"share/deeper/qm4700", "share"},
    };
    for (const auto& c : cases) {
        const qm::EnterDirFailure r = EnterDir(tmp.filePath(QString::fromUtf8(c.dir)));
        EXPECT_EQ(r.step, Step::NotDir) << c.dir;
        EXPECT_EQ(r.path, tmp.filePath(QString::fromUtf8(c.blocked))) << c.dir;
        EXPECT_EQ(QDir::currentPath(), start) << c.dir;
    }
}

}  // namespace
