#include "MqttSettings.h"

#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qm {

namespace {

constexpr qint64 MaxFileBytes = 64 * 1024;
constexpr int MaxTopicLength = 100;

// yes/no as the file writes them; true/false, on/off and 1/0 as a hand may write them.
bool parseSwitch(const QString& value, bool* ok)
{
    const QString v = value.toLower();
    *ok = true;
    if (v == u"yes" || v == u"true" || v == u"on" || v == u"1") return true;
    if (v == u"no" || v == u"false" || v == u"off" || v == u"0") return false;
    *ok = false;
    return false;
}

QByteArray switchText(bool on) { return on ? "yes" : "no"; }

// The text before a note: "#" at the start or after a blank begins one (a path may hold "#").
QString withoutNote(const QString& line)
{
    for (qsizetype i = 0; i < line.size(); ++i)
        if (line[i] == u'#' && (i == 0 || line[i - 1].isSpace())) return line.left(i);
    return line;
}

}  // namespace

QString MqttSettings::effectiveLine(const QString& hostName) const
{
    if (!line.isEmpty()) return line;
    QString level;
    for (const QChar c : hostName) level.append(c == u'+' || c == u'#' || c == u'/' || c.isSpace() || c.isNull() ? u'_' : c);
    level.truncate(MaxTopicLength);
    return level.isEmpty() ? QStringLiteral("line") : level;
}

bool IsTopicLevel(const QString& text, bool slashesAllowed)
{
    if (text.isEmpty() || text.size() > MaxTopicLength) return false;
    for (const QStringView level : QStringView(text).split(u'/')) {
        if (level.isEmpty()) return false;
        if (!slashesAllowed && level.size() != text.size()) return false;
        for (const QChar c : level)
            if (c == u'+' || c == u'#' || c.isNull() || c.category() == QChar::Other_Control) return false;
    }
    return true;
}

MqttSettingsRead ParseMqttSettings(const QByteArray& bytes, const QString& fileName)
{
    MqttSettingsRead r;
    r.exists = true;
    MqttSettings& s = r.settings;
    const auto fail = [&](int lineNo, const QString& why) {
        if (r.failedLine) return;
        r.failedLine = lineNo;
        r.message = QStringLiteral("Файл %1, строка %2: %3. Публикация MQTT выключена.").arg(fileName).arg(lineNo).arg(why);
    };

    int enabledLine = 0, certLine = 0, keyLine = 0;  // where the checks across keys point
    const QList<QByteArray> lines = bytes.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const int lineNo = n + 1;
        const QString text = withoutNote(QString::fromUtf8(lines[n])).trimmed();
        if (text.isEmpty()) continue;
        const qsizetype eq = text.indexOf(u'=');
        if (eq < 0) {
            fail(lineNo, QStringLiteral("нет знака «=» между ключом и значением"));
            continue;
        }
        const QString key = text.left(eq).trimmed();
        const QString value = text.mid(eq + 1).trimmed();
        const auto bad = [&](const QString& what) { fail(lineNo, QStringLiteral("%1 «%2»: %3").arg(key, value, what)); };

        bool ok = true;
        if (key == u"enabled") {
            enabledLine = lineNo;
            s.enabled = parseSwitch(value, &ok);
            if (!ok) bad(QStringLiteral("ожидается yes или no"));
        } else if (key == u"discovery") {
            s.discovery = parseSwitch(value, &ok);
            if (!ok) bad(QStringLiteral("ожидается yes или no"));
        } else if (key == u"host") {
            s.host = value;
            if (value.contains(u' ') || value.contains(u'/')) bad(QStringLiteral("это не имя и не адрес брокера"));
        } else if (key == u"port") {
            const int port = value.toInt(&ok);
            if (ok && port >= 1 && port <= 65535)
                s.port = port;
            else
                bad(QStringLiteral("порт должен быть числом от 1 до 65535"));
        } else if (key == u"prefix") {
            if (IsTopicLevel(value, true))
                s.prefix = value;
            else
                bad(QStringLiteral("не годится для темы MQTT (пусто, «+», «#» или пустой уровень)"));
        } else if (key == u"line") {
            if (value.isEmpty() || IsTopicLevel(value, false))
                s.line = value;
            else
                bad(QStringLiteral("не годится для уровня темы MQTT («/», «+», «#»)"));
        } else if (key == u"discovery_prefix") {
            if (IsTopicLevel(value, true))
                s.discoveryPrefix = value;
            else
                bad(QStringLiteral("не годится для темы MQTT"));
        } else if (key == u"tls_ca") {
            s.tlsCa = value;
        } else if (key == u"tls_cert") {
            s.tlsCert = value;
            certLine = lineNo;
        } else if (key == u"tls_key") {
            s.tlsKey = value;
            keyLine = lineNo;
        } else if (key == u"user") {
            s.user = value;
        } else if (key == u"password_file") {
            s.passwordFile = value;
        } else if (key == u"password") {
            // Kept out of the file on purpose: the file is readable where the password must not be.
            fail(lineNo, QStringLiteral("пароль не пишется в этот файл, укажите password_file"));
        } else {
            fail(lineNo, QStringLiteral("неизвестный ключ «%1»").arg(key));
        }
    }
    if (r.failedLine == 0 && s.tlsCert.isEmpty() != s.tlsKey.isEmpty())
        fail(qMax(certLine, keyLine), QStringLiteral("сертификат клиента (tls_cert) и его ключ (tls_key) указываются вместе"));
    if (r.failedLine == 0 && s.enabled && s.host.isEmpty())
        fail(enabledLine, QStringLiteral("публикация включена, но брокер (host) не указан"));
    if (r.failedLine) s.enabled = false;
    return r;
}

QByteArray FormatMqttSettings(const MqttSettings& s)
{
    QByteArray out;
    const auto put = [&out](const char* key, const QByteArray& value, const char* note) {
        out += QByteArray(key) + " = " + value;
        if (*note) out += QByteArray("   # ") + note;
        out += '\n';
    };
    out += "# Publishing to an MQTT broker. \"key = value\" lines; \"#\" starts a note.\n";
    put("enabled", switchText(s.enabled), "yes or no");
    put("host", s.host.toUtf8(), "the broker's name or address");
    put("port", QByteArray::number(s.port), "1883, or 8883 with TLS");
    put("prefix", s.prefix.toUtf8(), "topics: PREFIX/LINE/ADDRESS/state");
    put("line", s.line.toUtf8(), "empty: this computer's host name");
    put("discovery", switchText(s.discovery), "Home Assistant discovery");
    if (s.discoveryPrefix != MqttSettings().discoveryPrefix) put("discovery_prefix", s.discoveryPrefix.toUtf8(), "");
    put("tls_ca", s.tlsCa.toUtf8(), "CA file: TLS is on when it is named");
    put("tls_cert", s.tlsCert.toUtf8(), "client certificate (optional)");
    put("tls_key", s.tlsKey.toUtf8(), "its private key");
    put("user", s.user.toUtf8(), "");
    put("password_file", s.passwordFile.toUtf8(), "readable by its owner only (chmod 600)");
    return out;
}

MqttSettingsRead ReadMqttSettingsFile(const QString& workDir)
{
    const QString path = QDir(workDir).filePath(MqttSettingsFileName);
    const QFileInfo info(path);
    MqttSettingsRead r;
    if (!info.exists() && !info.isSymLink()) return r;
    // Only a regular file is read: a pipe under that name would block the start-up.
    QFile file(path);
    if (!info.isFile() || info.size() > MaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        r.exists = true;
        r.failedLine = 1;
        r.message = QStringLiteral("Файл %1 не читается (это не обычный файл, он больше 64 КБ или закрыт для чтения). "
                                   "Публикация MQTT выключена.")
                        .arg(MqttSettingsFileName);
        return r;
    }
    return ParseMqttSettings(file.read(MaxFileBytes), MqttSettingsFileName);
}

QString WriteMqttSettingsFile(const QString& workDir, const MqttSettings& settings)
{
    const QString path = QDir(workDir).filePath(MqttSettingsFileName);
    const QString reason = WriteWholeFile(path, FormatMqttSettings(settings));
    if (reason.isEmpty()) return QString();
    return QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace qm
