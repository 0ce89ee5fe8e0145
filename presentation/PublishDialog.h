#pragma once
// "Публикация MQTT": the operator's settings of publishing, opened from the chart's menu. It sets
// the broker, port, TLS files, user and password file, topic prefix, line name and Home Assistant
// discovery; "Проверить подключение" connects once with the values as typed (without the line's
// last will and under a client id of its own, so the running publisher is not disturbed) and shows
// the result when it comes; "Сохранить" writes mqtt.cfg whole and applies it. The running
// publisher's state is shown live ("подключено к …", "повторная попытка через 8 с: …").
// Non-modal: nothing here waits, so polling and sampling go on while it is open.

#include "MqttSettings.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace qm {

class MqttConnection;
class Publisher;

class PublishDialog : public QDialog {
    Q_OBJECT
public:
    PublishDialog(Publisher& publisher, const QString& workDir, const QString& hostName, QWidget* parent);
    ~PublishDialog() override;

    // The fields from settings, and the settings as the fields say.
    void setSettings(const MqttSettings& settings);
    MqttSettings settings() const;

    QString stateText() const;
    QString testText() const;
    QString errorText() const;

    // "Сохранить": checks the fields, writes mqtt.cfg, hands the settings to the publisher.
    // False (with the reason under the fields) when a field is wrong or the file not written.
    bool save();
    // "Проверить подключение".
    void testConnection();

    // A file chosen for a field (empty: cancelled); tests replace the dialog.
    std::function<QString(const QString& title, const QString& current)> ChooseFile;

private:
    QLineEdit* fileField(const QString& label, const QString& accessible, QFormLayout* form);
    void showState();
    void tlsToggled();
    QString fieldError(const MqttSettings& s) const;

    Publisher& m_publisher;
    QString m_workDir;
    QString m_hostName;
    QCheckBox* m_enabled;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QCheckBox* m_tls;
    QLineEdit* m_ca;
    QLineEdit* m_cert;
    QLineEdit* m_key;
    QLineEdit* m_user;
    QLineEdit* m_passwordFile;
    QLineEdit* m_prefix;
    QLineEdit* m_line;
    QCheckBox* m_discovery;
    QLabel* m_state;
    QLabel* m_test;
    QLabel* m_error;
    QPushButton* m_testButton;
    QTimer* m_tick;
    QPointer<MqttConnection> m_testConnection;
    QString m_discoveryPrefix;
};

}  // namespace qm
