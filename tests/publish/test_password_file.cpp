// The broker password is taken only from a file that no one but its owner can read or change.
#include "PasswordFile.h"
#include "QStringPrint.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(PasswordFile, OnlyAFileOfItsOwnerAloneGivesThePassword)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray contents;
        int mode;
        QByteArray password;  // empty: refused
        const char* why;      // a word of the refusal
    };
    const Case cases[] = {
        {"s3cret\n", 0600, "s3cret", ""},
        {"s3cret\r\nsecond line\n", 0400, "s3cret", ""},
        {"s3cret\n", 0640, "", "chmod 600"},
        {"s3cret\n", 0604, "", "chmod 600"},
        {"s3cret\n", 0620, "", "chmod 600"},
        {"\n", 0600, "", "пуст"},
        {QByteArray(5000, 'x'), 0600, "", "4 КБ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const QString path = dir.filePath(QStringLiteral("mqtt.pass"));
        QFile::remove(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.contents);
        f.close();
        ::chmod(QFile::encodeName(path).constData(), mode_t(c.mode));
        const qm::PasswordRead r = qm::ReadPasswordFile(path);
        EXPECT_EQ(r.password, c.password);
        if (c.password.isEmpty()) {
            EXPECT_TRUE(r.error.contains(path)) << r.error.toStdString();
            EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.why))) << r.error.toStdString();
            EXPECT_FALSE(r.error.contains(QStringLiteral("s3cret")));
        }
    }
    // A pipe under the name would hold the program: refused without reading.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(qm::ReadPasswordFile(fifo).error.contains(QStringLiteral("не является обычным файлом")));
    EXPECT_FALSE(qm::ReadPasswordFile(dir.filePath(QStringLiteral("none"))).error.isEmpty());
}

}  // namespace
