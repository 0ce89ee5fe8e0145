// Every file the program writes, against what someone else may have put in its way or what the
// disk refuses: symbolic links planted under the file's name (each writer against each kind of
// link), and a disk mounted read-only. A link someone else could have put there is refused, with a
// Russian message naming the file, and nothing is written anywhere; the operator's own link in a
// directory only he can change keeps working. One cause is told in one wording by every writer.
#include "AlarmJournal.h"
#include "AlarmLimitsFile.h"
#include "FixedClock.h"
#include "Files.h"
#include "JournalSetting.h"
#include "Logging.h"
#include "MqttSettings.h"
#include "Settings.h"
#include "TrendFile.h"
#include "TrendJournal.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;
using qm::test::ReadAll;
using qm::test::WriteAll;

namespace {

constexpr uid_t Nobody = 65534;
const QByteArray Outside = "outside file\n";

// The log file is set up once per process: each case runs it in a child, whose warnings on the
// usual output come back as the message.
QString writeLog(const QString& path)
{
    int out[2];
    if (::pipe(out) != 0) return QStringLiteral("<pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::dup2(out[1], STDERR_FILENO);
        ::alarm(10);
        qputenv("QM_LOG_FILE", QFile::encodeName(path));
        InstallLogFile();
        qWarning("probe");
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray said;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) said.append(buf, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Only what is not the probe itself is a message about the file.
    said.replace("probe\n", "");
    return QString::fromUtf8(said).trimmed();
}

struct Writer {
    const char* name;
    QString folder;  // under the working directory, where the file's name lives
    QString file;
    std::function<QString(const QString& workDir)> write;  // the message the operator gets
};

// Each writer with the message the operator gets from it, as the window shows it.
class Writers {
public:
    Writers()
    {
        const double values[20] = {7.01, 25.5};
        m_store->AppendLoaded(ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 0, 0))), values);
        const QString day = QFileInfo(JournalFilePath(QStringLiteral("w"), QDate(2026, 12, 6))).fileName();
        const QString alarmDay = QFileInfo(AlarmJournalFilePath(QStringLiteral("w"), QDate(2026, 12, 6))).fileName();
        const TrendStore& store = *m_store;
        m_all = {
            {"it.cfg", {}, SettingsFileName,
             [](const QString& w) { return WriteSettingsFile(QDir(w).filePath(SettingsFileName), Settings{}); }},
            {"trend file", {}, TrendFileName(), [&store](const QString& w) { return SaveTrendFile(store, w); }},
            {"journal.cfg", {}, JournalSettingFileName, [](const QString& w) { return WriteJournalSetting(w, true); }},
            {"journal", JournalDirName(), day,
             [&store](const QString& w) {
                 TrendJournal journal;
                 journal.setWorkDir(w);
                 return journal.Append(store, 1, {1, 1}).report;
             }},
            {"alarm journal", JournalDirName(), alarmDay,
             [](const QString& w) {
                 AlarmJournal journal;
                 journal.setWorkDir(w);
                 const QDateTime at(QDate(2026, 12, 6), QTime(14, 0, 0));
                 return journal.Append({at, 1, QStringLiteral("pH > 8.50"), QStringLiteral("8.90"), QStringLiteral("тревога")}).report;
             }},
            {"alarms.cfg", {}, AlarmFileName(),
             [](const QString& w) { return WriteAlarmLimitsFile(QDir(w).filePath(AlarmFileName()), AlarmLimits{}); }},
            {"mqtt.cfg", {}, MqttSettingsFileName, [](const QString& w) { return WriteMqttSettingsFile(w, MqttSettings{}); }},
            // Archive files and exports: the window puts the name before the reason.
            {"archive file", {}, QStringLiteral("АрхивN1_06_12_26.txt"),
             [](const QString& w) {
                 const QString path = QDir(w).filePath(QStringLiteral("АрхивN1_06_12_26.txt"));
                 const QString reason = WriteWholeFile(path, "06.12.26 14:00 7,01\r\n");
                 return reason.isEmpty() ? reason : QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
             }},
            {"log file", {}, QStringLiteral("qm.log"),
             [](const QString& w) { return writeLog(QDir(w).filePath(QStringLiteral("qm.log"))); }},
        };
    }
    const std::vector<Writer>& all() const { return m_all; }

private:
    test::FixedClock m_clock{QDateTime(QDate(2026, 12, 6), QTime(14, 0, 0))};
    std::unique_ptr<TrendStore> m_store = std::make_unique<TrendStore>();
    std::vector<Writer> m_all;
};

struct Plant {
    const char* name;
    bool othersLink;   // the link belongs to another user (root can make one)
    mode_t folderMode;  // of the folder that holds the link
    bool dangling;     // it points to a name where nothing is yet
    bool writtenThrough;
};

TEST(FileWriters, OnlyTheOperatorsOwnLinksAreWrittenThrough)
{
    const Writers writers;
    const Plant plants[] = {
        {"another user's link", true, 0700, false, false},
        {"another user's dangling link", true, 0700, true, false},
        {"another user's link in a sticky shared folder", true, 01777, false, false},
        {"own link in a folder the group may write", false, 0770, false, false},
        {"own dangling link in a folder anyone may write", false, 0777, true, false},
        {"own link in a folder only the operator may write", false, 0700, false, true},
        {"own dangling link in a folder only the operator may write", false, 0700, true, true},
        {"own link in a sticky shared folder", false, 01777, false, true},
    };

    const bool root = ::geteuid() == 0;
    QStringList skipped;
    for (const Plant& p : plants) {
        if (p.othersLink && !root) {
            skipped << QString::fromUtf8(p.name);
            continue;
        }
        for (const Writer& w : writers.all()) {
            SCOPED_TRACE(std::string(p.name) + ", " + w.name);
            QTemporaryDir base;
            ASSERT_TRUE(base.isValid());
            const QString work = base.filePath(QStringLiteral("work"));
            const QString folder = w.folder.isEmpty() ? work : work + QLatin1Char('/') + w.folder;
            const QString elsewhere = base.filePath(QStringLiteral("elsewhere"));
            ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(elsewhere));
            const QString target = elsewhere + QStringLiteral("/target");
            if (!p.dangling) {
                ASSERT_TRUE(WriteAll(target, Outside));
            }
            const QString link = folder + QLatin1Char('/') + w.file;
            const QByteArray linkName = QFile::encodeName(link);
            ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), linkName.constData()), 0);
            if (p.othersLink) {
                ASSERT_EQ(::lchown(linkName.constData(), Nobody, Nobody), 0);
            }
            ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), p.folderMode), 0);

            const QString message = w.write(work);

            EXPECT_TRUE(QFileInfo(link).isSymLink()) << "the link itself stays";
            if (p.writtenThrough) {
                EXPECT_EQ(message, QString());
                const QByteArray now = ReadAll(target);
                EXPECT_NE(now, p.dangling ? QByteArray("<unreadable>") : Outside) << "the file behind the link is written";
            } else {
                EXPECT_TRUE(message.contains(QStringLiteral("символьная ссылка"))) << message.toStdString();
                EXPECT_TRUE(message.contains(QDir::toNativeSeparators(link))) << message.toStdString();
                if (p.dangling) {
                    EXPECT_FALSE(QFileInfo::exists(target)) << "nothing is created where the link points";
                } else {
                    EXPECT_EQ(ReadAll(target), Outside);
                }
                EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                          p.dangling ? QStringList() : QStringList{QStringLiteral("target")});
                QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
                // A journal's lock file stays in its folder, empty, as locks do.
                left.removeIf([](const QString& n) { return n.startsWith(QLatin1String(".qm4700-")) && n.endsWith(QLatin1String(".lock")); });
                EXPECT_EQ(left, QStringList{w.file}) << "nothing is left beside it";
            }
            ::chmod(QFile::encodeName(folder).constData(), 0700);
        }
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << "another user's link needs root (chown -h nobody); not run: " << skipped.join(QStringLiteral("; ")).toStdString();
}

// A disk remounted read-only: every writer names the cause in the same words, whether its file
// is replaced whole or appended to (the system's "Read-only file system" is "диск доступен только
// для чтения" everywhere, not Qt's "write-protected file" in one box and the disk in another).
TEST(FileWriters, AReadOnlyDiskIsToldInOneWording)
{
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a read-only disk needs root";
    const Writers writers;
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString work = base.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(work));
    const QByteArray workName = QFile::encodeName(work);

    // In a child with a mount namespace of its own, so that the disk goes with it.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::alarm(30);
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", workName.constData(), "tmpfs", 0, "size=4m") != 0)
            ::_exit(77);
        // Every file is there already, as the program left it at its last run.
        for (const Writer& w : writers.all()) {
            const QString folder = w.folder.isEmpty() ? work : work + QLatin1Char('/') + w.folder;
            if (!QDir().mkpath(folder) || !WriteAll(folder + QLatin1Char('/') + w.file, "old\r\n")) ::_exit(3);
        }
        if (::mount(nullptr, workName.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) ::_exit(77);
        QByteArray said;
        for (const Writer& w : writers.all()) said += w.write(work).toUtf8() + '\0';
        ::_exit(::write(out[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 3);
    }
    ::close(out[1]);
    QByteArray said;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) said.append(buf, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this machine does not let the test mount a disk (no CAP_SYS_ADMIN)";
    ASSERT_EQ(WEXITSTATUS(status), 0);

    const QList<QByteArray> messages = said.split('\0');
    ASSERT_EQ(messages.size(), qsizetype(writers.all().size()) + 1);
    for (size_t i = 0; i < writers.all().size(); ++i) {
        const QString message = QString::fromUtf8(messages[qsizetype(i)]);
        EXPECT_TRUE(message.contains(QStringLiteral(": диск доступен только для чтения"))) << writers.all()[i].name << ": " << message.toStdString();
    }
}

}  // namespace
