// The real program publishing: started (offscreen) in a working directory whose mqtt.cfg names a
// real mosquitto, it says its line is online; killed, the broker says for it that the line is
// offline, and keeps saying so to whoever subscribes later.
#include "Broker.h"
#include "Files.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using qm::test::WaitUntil;

TEST(E2ePublish, AKilledProgramLeavesItsLineOffline)
{
    if (qm::test::MosquittoPath().isEmpty()) GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
    qm::test::Broker broker;
    ASSERT_TRUE(broker.start());
    QTemporaryDir work;
    ASSERT_TRUE(qm::test::WriteAll(work.filePath(QStringLiteral("mqtt.cfg")),
                                   "enabled = yes\nhost = 127.0.0.1\nport = " + QByteArray::number(broker.port) + "\nline = e2e\n"));
    qm::test::Subscriber subscriber(broker.port, "qm4700/e2e/status");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.subscribed(); }));

    QProcess program;
    program.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QM_PROGRAM_PATH), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return subscriber.messages().size() == 1; }, 20000));
    EXPECT_EQ(subscriber.messages()[0].payload, "online");

    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(5000);
    ASSERT_TRUE(WaitUntil([&] { return subscriber.messages().size() == 2; }));
    EXPECT_EQ(subscriber.messages()[1].payload, "offline");
    qm::test::Subscriber late(broker.port, "qm4700/e2e/status");
    ASSERT_TRUE(WaitUntil([&] { return late.messages().size() == 1; }));
    EXPECT_EQ(late.messages()[0].payload, "offline");
    EXPECT_TRUE(late.messages()[0].retained);
}

}  // namespace
