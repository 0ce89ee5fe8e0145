// "Публикация MQTT": the connection test leaves the running publisher alone and says what came
// of it, "Сохранить" writes mqtt.cfg and applies it, a wrong field is shown and nothing saved.
#include "Broker.h"
#include "MqttSettings.h"
#include "PublishDialog.h"
#include "Publisher.h"
#include "QStringPrint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using qm::test::WaitUntil;

TEST(PublishDialog, TestsTheConnectionThenSavesAndAppliesTheSettings)
{
    if (qm::test::MosquittoPath().isEmpty()) GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
    qm::test::Broker broker;
    QTemporaryDir work;
    qm::Publisher publisher;
    qm::PublishDialog dialog(publisher, work.path(), QStringLiteral("pc1"), nullptr);
    EXPECT_EQ(dialog.stateText(), QStringLiteral("публикация выключена"));

    qm::MqttSettings s;
    s.enabled = true;
    s.host = QStringLiteral("127.0.0.1");
    s.port = broker.port;
    s.line = QStringLiteral("L9");
    s.discovery = true;
    dialog.setSettings(s);

    // The broker is not up yet.
    dialog.testConnection();
    EXPECT_TRUE(WaitUntil([&] { return dialog.testText().contains(QStringLiteral("не удалось")); }));
    EXPECT_TRUE(dialog.testText().contains(QStringLiteral("не принимает соединения"))) << dialog.testText().toStdString();

    ASSERT_TRUE(broker.start());
    dialog.testConnection();
    EXPECT_TRUE(WaitUntil([&] { return dialog.testText().contains(QStringLiteral("удалось")) && !dialog.testText().contains(QStringLiteral("не удалось")); }));
    EXPECT_TRUE(std::holds_alternative<qm::publish::Off>(publisher.state()));
    EXPECT_FALSE(qm::ReadMqttSettingsFile(work.path()).exists);

    ASSERT_TRUE(dialog.save());
    EXPECT_TRUE(qm::ReadMqttSettingsFile(work.path()).settings == s);
    EXPECT_TRUE(WaitUntil([&] { return dialog.stateText() == QStringLiteral("подключено к 127.0.0.1:%1").arg(broker.port); }))
        << dialog.stateText().toStdString();

    // A wrong field is named and nothing is written or applied.
    qm::MqttSettings wrong = s;
    wrong.line = QStringLiteral("L/9");
    dialog.setSettings(wrong);
    EXPECT_FALSE(dialog.save());
    EXPECT_TRUE(dialog.errorText().contains(QStringLiteral("Имя линии"))) << dialog.errorText().toStdString();
    EXPECT_TRUE(qm::ReadMqttSettingsFile(work.path()).settings == s);
    EXPECT_TRUE(std::holds_alternative<qm::publish::Connected>(publisher.state()));
}

}  // namespace
