#include "PublishDialog.h"

#include "FileDialogs.h"
#include "MqttConnection.h"
#include "PublishText.h"
#include "Publisher.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace qm {

namespace {

QLabel* wrapping(QLabel* label)
{
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

}  // namespace

PublishDialog::PublishDialog(Publisher& publisher, const QString& workDir, const QString& hostName, QWidget* parent)
    : QDialog(parent), m_publisher(publisher), m_workDir(workDir), m_hostName(hostName)
{
    setWindowTitle(QStringLiteral("Публикация MQTT"));
    setAccessibleName(windowTitle());
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    const auto row = [form](const QString& label, QWidget* field) {
        auto* l = new QLabel(label);
        l->setBuddy(field);
        field->setAccessibleName(QString(label).remove(u'&').remove(u':'));
        form->addRow(l, field);
    };

    m_enabled = new QCheckBox(QStringLiteral("&Публиковать показания на брокере MQTT"));
    form->addRow(m_enabled);
    m_host = new QLineEdit;
    m_host->setPlaceholderText(QStringLiteral("имя или адрес, например broker.plant.local"));
    row(QStringLiteral("&Брокер:"), m_host);
    m_port = new QSpinBox;
    m_port->setRange(1, 65535);
    m_port->setLocale(QLocale::c());  // a port has no group separators
    row(QStringLiteral("Пор&т:"), m_port);
    m_tls = new QCheckBox(QStringLiteral("&Защищённое соединение (TLS)"));
    form->addRow(m_tls);
    m_ca = fileField(QStringLiteral("&Центр сертификации (CA):"), QStringLiteral("Центр сертификации"), form);
    m_cert = fileField(QStringLiteral("С&ертификат клиента:"), QStringLiteral("Сертификат клиента"), form);
    m_key = fileField(QStringLiteral("&Ключ клиента:"), QStringLiteral("Ключ клиента"), form);
    m_user = new QLineEdit;
    row(QStringLiteral("По&льзователь:"), m_user);
    m_passwordFile = fileField(QStringLiteral("&Файл пароля:"), QStringLiteral("Файл пароля"), form);
    m_passwordFile->setToolTip(QStringLiteral("Первая строка файла — пароль. Файл должен быть доступен только владельцу (chmod 600)."));
    m_prefix = new QLineEdit;
    row(QStringLiteral("П&рефикс тем:"), m_prefix);
    m_line = new QLineEdit;
    m_line->setPlaceholderText(MqttSettings().effectiveLine(hostName));
    m_line->setToolTip(QStringLiteral("Пусто — имя этого компьютера"));
    row(QStringLiteral("&Имя линии:"), m_line);
    m_discovery = new QCheckBox(QStringLiteral("&Обнаружение в Home Assistant"));
    form->addRow(m_discovery);

    m_state = wrapping(new QLabel);
    m_state->setAccessibleName(QStringLiteral("Состояние публикации"));
    form->addRow(QStringLiteral("Состояние:"), m_state);
    m_test = wrapping(new QLabel);
    m_test->setAccessibleName(QStringLiteral("Результат проверки"));
    form->addRow(QStringLiteral("Проверка:"), m_test);
    m_error = wrapping(new QLabel);
    m_error->setStyleSheet(QStringLiteral("color: #b00000"));
    m_error->setAccessibleName(QStringLiteral("Ошибка в настройках"));
    m_error->hide();
    layout->addWidget(m_error);

    auto* buttons = new QDialogButtonBox;
    m_testButton = buttons->addButton(QStringLiteral("Про&верить подключение"), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("&Сохранить"), QDialogButtonBox::AcceptRole);
    QPushButton* closeButton = buttons->addButton(QStringLiteral("З&акрыть"), QDialogButtonBox::RejectRole);
    saveButton->setDefault(true);
    layout->addWidget(buttons);
    connect(m_testButton, &QPushButton::clicked, this, &PublishDialog::testConnection);
    connect(saveButton, &QPushButton::clicked, this, &PublishDialog::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tls, &QCheckBox::toggled, this, &PublishDialog::tlsToggled);
    connect(m_tls, &QCheckBox::toggled, this, [this](bool on) {
        // The usual port follows the switch while the operator has not chosen another.
        if (on && m_port->value() == MqttSettings::DefaultPort) m_port->setValue(8883);
        if (!on && m_port->value() == 8883) m_port->setValue(MqttSettings::DefaultPort);
    });

    ChooseFile = [this](const QString& title, const QString& current) {
        auto dialog = NewFileDialog(this, QFileDialog::AcceptOpen, current.isEmpty() ? m_workDir : QFileInfo(QDir(m_workDir), current).absolutePath(),
                                    QStringLiteral("Все файлы (*)"));
        dialog->setWindowTitle(title);
        dialog->setFileMode(QFileDialog::ExistingFile);
        return dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty() ? dialog->selectedFiles().first() : QString();
    };

    // The state line counts the seconds to the next attempt.
    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, &PublishDialog::showState);
    connect(&m_publisher, &Publisher::stateChanged, this, &PublishDialog::showState);
    m_tick->start();

    setSettings(m_publisher.settings());
    showState();
}

PublishDialog::~PublishDialog() = default;

QLineEdit* PublishDialog::fileField(const QString& label, const QString& accessible, QFormLayout* form)
{
    auto* edit = new QLineEdit;
    edit->setAccessibleName(accessible);
    auto* browse = new QPushButton(QStringLiteral("Обзор…"));
    browse->setAccessibleName(QStringLiteral("Обзор: ") + accessible);
    auto* box = new QWidget;
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(edit, 1);
    h->addWidget(browse);
    auto* l = new QLabel(label);
    l->setBuddy(edit);
    form->addRow(l, box);
    connect(browse, &QPushButton::clicked, this, [this, edit, accessible] {
        const QString chosen = ChooseFile ? ChooseFile(accessible, edit->text()) : QString();
        if (chosen.isEmpty()) return;
        // A file in the working directory is named without it, so the folder can move whole.
        const QString relative = QDir(m_workDir).relativeFilePath(chosen);
        edit->setText(relative.startsWith(QStringLiteral("..")) ? chosen : relative);
    });
    return edit;
}

void PublishDialog::setSettings(const MqttSettings& s)
{
    m_enabled->setChecked(s.enabled);
    m_host->setText(s.host);
    m_port->setValue(s.port);
    {
        const QSignalBlocker block(m_tls);
        m_tls->setChecked(s.tls());
    }
    m_ca->setText(s.tlsCa);
    m_cert->setText(s.tlsCert);
    m_key->setText(s.tlsKey);
    m_user->setText(s.user);
    m_passwordFile->setText(s.passwordFile);
    m_prefix->setText(s.prefix);
    m_line->setText(s.line);
    m_discovery->setChecked(s.discovery);
    m_discoveryPrefix = s.discoveryPrefix;
    tlsToggled();
}

MqttSettings PublishDialog::settings() const
{
    MqttSettings s;
    s.enabled = m_enabled->isChecked();
    s.host = m_host->text().trimmed();
    s.port = m_port->value();
    if (m_tls->isChecked()) {
        s.tlsCa = m_ca->text().trimmed();
        s.tlsCert = m_cert->text().trimmed();
        s.tlsKey = m_key->text().trimmed();
    }
    s.user = m_user->text().trimmed();
    s.passwordFile = m_passwordFile->text().trimmed();
    s.prefix = m_prefix->text().trimmed();
    s.line = m_line->text().trimmed();
    s.discovery = m_discovery->isChecked();
    s.discoveryPrefix = m_discoveryPrefix;
    return s;
}

void PublishDialog::tlsToggled()
{
    for (QLineEdit* e : {m_ca, m_cert, m_key}) {
        e->setEnabled(m_tls->isChecked());
        // The field and its "Обзор…" sit in one box.
        if (QWidget* box = e->parentWidget()) box->setEnabled(m_tls->isChecked());
    }
}

QString PublishDialog::fieldError(const MqttSettings& s) const
{
    if (s.enabled && s.host.isEmpty()) return QStringLiteral("Укажите брокер: его имя или адрес.");
    if (s.host.contains(u' ') || s.host.contains(u'/')) return QStringLiteral("Брокер: это не имя и не адрес.");
    if (m_tls->isChecked() && s.tlsCa.isEmpty()) return QStringLiteral("Для TLS укажите файл центра сертификации (CA).");
    if (s.tlsCert.isEmpty() != s.tlsKey.isEmpty()) return QStringLiteral("Сертификат клиента и его ключ указываются вместе.");
    if (!IsTopicLevel(s.prefix, true)) return QStringLiteral("Префикс тем: без «+», «#», пустых уровней и «/» в начале или в конце.");
    if (!s.line.isEmpty() && !IsTopicLevel(s.line, false)) return QStringLiteral("Имя линии: без «/», «+» и «#».");
    return QString();
}

bool PublishDialog::save()
{
    const MqttSettings s = settings();
    QString error = fieldError(s);
    if (error.isEmpty()) error = WriteMqttSettingsFile(m_workDir, s);
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
    if (!error.isEmpty()) return false;
    m_publisher.configure(s, m_workDir, m_hostName);
    showState();
    return true;
}

void PublishDialog::testConnection()
{
    const MqttSettings s = settings();
    QString error = fieldError(s);
    if (error.isEmpty() && s.host.isEmpty()) error = QStringLiteral("Укажите брокер: его имя или адрес.");
    if (!error.isEmpty()) {
        m_test->setText(error);
        return;
    }
    EndpointMade made = MakeEndpoint(s, m_workDir, m_hostName);
    if (made.failure.kind != PublishFailure::Kind::None) {
        m_test->setText(PublishFailureText(made.failure));
        return;
    }
    // Its own client id and no will: the running publisher stays connected and the line online.
    made.endpoint.clientId += QStringLiteral("-test");
    made.endpoint.willTopic.clear();
    delete m_testConnection.data();
    auto* test = new MqttConnection(this);
    m_testConnection = test;
    const QString where = QStringLiteral("%1:%2").arg(s.host).arg(s.port);
    connect(test, &MqttConnection::connected, this, [this, test, where] {
        m_test->setText(QStringLiteral("подключение к %1 удалось").arg(where));
        // A publisher that waits for its next attempt need not wait any longer.
        m_publisher.retryNow();
        test->close();
        test->deleteLater();
    });
    connect(test, &MqttConnection::failed, this, [this, test, where](const PublishFailure& f) {
        m_test->setText(QStringLiteral("подключиться к %1 не удалось: %2").arg(where, PublishFailureText(f)));
        test->deleteLater();
    });
    // The button stays where the focus is; another press starts the test afresh.
    m_test->setText(QStringLiteral("подключение к %1…").arg(where));
    test->open(made.endpoint, false);
}

void PublishDialog::showState()
{
    QString text = PublishStateText(m_publisher.state(), QDateTime::currentDateTime());
    if (m_publisher.backlogSize() > 0) text += QStringLiteral("; ждут отправки: %1").arg(m_publisher.backlogSize());
    if (m_publisher.droppedTotal() > 0) text += QStringLiteral("; удалено из переполненной очереди: %1").arg(m_publisher.droppedTotal());
    if (m_state->text() != text) m_state->setText(text);
}

QString PublishDialog::stateText() const { return m_state->text(); }
QString PublishDialog::testText() const { return m_test->text(); }
QString PublishDialog::errorText() const { return m_error->isHidden() ? QString() : m_error->text(); }

}  // namespace qm
