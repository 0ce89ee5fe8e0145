// The window program's command line, run as a process: --version without a display, a refused
// option, and the menu start's folder (made, entered, or a Russian reason why not).
#include "Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

#ifdef QM_PROGRAM_PATH

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

QProcessEnvironment Environment(const QString& platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return env;
}

Outcome RunProgram(const QStringList& args, const QString& platform)
{
    QProcess p;
    p.setProcessEnvironment(Environment(platform));
    p.start(QStringLiteral(QM_PROGRAM_PATH), args);
    Outcome r;
    if (!p.waitForStarted(5000)) return r;
    r.finished = p.waitForFinished(15000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(2000);
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The version CMakeLists.txt's project() gives.
QString ProjectVersion()
{
    const QString cmake = QString::fromUtf8(qm::test::ReadAll(QStringLiteral(QM_SOURCE_DIR "/CMakeLists.txt")));
    return QRegularExpression(QStringLiteral(R"(project\(QM4700\s+VERSION\s+([0-9.]+))")).match(cmake).captured(1);
}

TEST(ProgramOptions, VersionIsTheProjectsAndNeedsNoDisplay)
{
    // xcb with no display aborts as soon as QApplication exists.
    const Outcome r = RunProgram({QStringLiteral("--version")}, QStringLiteral("xcb"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_FALSE(ProjectVersion().isEmpty());
    EXPECT_EQ(r.out, QStringLiteral("qm4700 ") + ProjectVersion() + QLatin1Char('\n'));
}

TEST(ProgramOptions, AnUnknownOptionIsRefused)
{
    const Outcome r = RunProgram({QStringLiteral("--user-dat")}, QStringLiteral("offscreen"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("'--user-dat'"))) << r.err.toStdString();
}

// The menu start, up to the window: the program is left running until the test has seen what it
// needs, then stopped.
class MenuStart : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QProcess program;

    void start(const QString& xdgDataHome)
    {
        QProcessEnvironment env = Environment(QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), xdgDataHome);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(tmp.path());
        program.start(QStringLiteral(QM_PROGRAM_PATH), {QStringLiteral("--user-data")});
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    void TearDown() override
    {
        program.kill();
        program.waitForFinished(5000);
    }
};

TEST_F(MenuStart, WorksInAPrivateFolderUnderXdgDataHome)
{
    ASSERT_NO_FATAL_FAILURE(start(tmp.filePath(QStringLiteral("data"))));
    const QString folder = tmp.filePath(QStringLiteral("data/qm4700"));
    const QString cwdLink = QStringLiteral("/proc/%1/cwd").arg(program.processId());
    for (int i = 0; i < 100 && QFileInfo(cwdLink).symLinkTarget() != QFileInfo(folder).canonicalFilePath(); ++i)
        QThread::msleep(50);
    EXPECT_EQ(QFileInfo(cwdLink).symLinkTarget(), QFileInfo(folder).canonicalFilePath());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
}

TEST_F(MenuStart, AFolderThatCannotBeMadeIsExplainedInRussian)
{
    ASSERT_TRUE(qm::test::WriteAll(tmp.filePath(QStringLiteral("data")), "not a folder"));
    ASSERT_NO_FATAL_FAILURE(start(tmp.filePath(QStringLiteral("data"))));
    // The same text goes to the message box, which waits for the operator.
    const QString expected = QStringLiteral("Папку для файлов программы не создать: «%1» — файл, а не папка")
                                 .arg(tmp.filePath(QStringLiteral("data")));
    QString err;
    for (int i = 0; i < 100 && !err.contains(expected); ++i) {
        program.waitForReadyRead(50);
        err += QString::fromUtf8(program.readAllStandardError());
    }
    EXPECT_TRUE(err.contains(expected)) << err.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running) << "the message box waits for the operator";
}

#endif

}  // namespace
