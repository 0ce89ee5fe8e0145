#include "PublishText.h"

#include <cmath>

namespace qm {

namespace {
QString where(const QString& host, int port) { return QStringLiteral("%1:%2").arg(host).arg(port); }
QString withDetail(const QString& text, const QString& detail)
{
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + u')';
}
}  // namespace

QString PublishFailureText(const PublishFailure& f)
{
    using K = PublishFailure::Kind;
    switch (f.kind) {
    case K::None: return QString();
    case K::HostNotFound: return QStringLiteral("имя брокера не найдено");
    case K::Refused: return QStringLiteral("брокер не принимает соединения на этом порту");
    case K::Unreachable: return withDetail(QStringLiteral("брокер не отвечает"), f.detail);
    case K::Closed: return QStringLiteral("брокер закрыл соединение");
    case K::Lost: return QStringLiteral("соединение с брокером потеряно");
    case K::Tls:
        return QStringLiteral("защищённое соединение (TLS) не установлено: сертификат брокера не подтверждён "
                              "указанным центром сертификации или брокер не говорит по TLS");
    case K::TlsFiles:
        return withDetail(QStringLiteral("файл сертификата или ключа TLS не читается"), f.detail);
    case K::BadCredentials: return QStringLiteral("брокер отклонил имя пользователя или пароль");
    case K::NotAuthorized: return QStringLiteral("брокер не разрешает этому клиенту подключаться");
    case K::BrokerRefused: return withDetail(QStringLiteral("брокер отказал в подключении"), f.detail);
    case K::PasswordFile: return f.detail;
    case K::Other: return withDetail(QStringLiteral("ошибка"), f.detail);
    }
    return QString();
}

QString PublishStateText(const PublishState& state, const QDateTime& now)
{
    struct Visitor {
        const QDateTime& now;
        QString operator()(const publish::Off&) const { return QStringLiteral("публикация выключена"); }
        QString operator()(const publish::Connecting& s) const
        {
            return QStringLiteral("подключение к %1…").arg(where(s.host, s.port));
        }
        QString operator()(const publish::Connected& s) const
        {
            return QStringLiteral("подключено к %1").arg(where(s.host, s.port));
        }
        QString operator()(const publish::Retrying& s) const
        {
            const qint64 ms = qMax<qint64>(0, now.msecsTo(s.next));
            return QStringLiteral("повторная попытка через %1 с: %2")
                .arg(qint64(std::ceil(ms / 1000.0)))
                .arg(PublishFailureText(s.failure));
        }
        QString operator()(const publish::Stopped& s) const
        {
            return QStringLiteral("остановлено: %1").arg(PublishFailureText(s.failure));
        }
    };
    return std::visit(Visitor{now}, state);
}

Notice PublishProblemNotice(const PublishFailure& failure)
{
    QString text = PublishFailureText(failure);
    if (failure.kind != PublishFailure::Kind::PasswordFile) text = QStringLiteral("Публикация MQTT: %1.").arg(text);
    return {text, QStringLiteral("Опрос приборов продолжается. Настройки публикации: правый щелчок по графику, "
                                 "«Публикация MQTT…».")};
}

Notice BacklogOverflowNotice(qsizetype capacity)
{
    return {QStringLiteral("Брокер MQTT недоступен так долго, что очередь неотправленных показаний (%1) заполнена: "
                           "самые старые показания удаляются.")
                .arg(capacity),
            QStringLiteral("Опрос приборов, график и журнал продолжаются. Сколько показаний удалено, записывается "
                           "в журнал работы (qm.publish), когда связь вернётся.")};
}

}  // namespace qm
