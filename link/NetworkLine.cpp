#include "NetworkLine.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QRegularExpression>

namespace qm {

namespace {

const QRegularExpression& urlForm()
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://(.*)$"));
    return form;
}

// Four decimal numbers 0..255 with dots between: a host of digits and dots that is not one is a
// mistyped address, not a name.
bool isIpv4(const QString& host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4) return false;
    for (const QString& p : parts) {
        bool ok = false;
        if (p.isEmpty() || p.size() > 3 || p.toInt(&ok) > 255 || !ok) return false;
    }
    return true;
}

// A host name: labels of letters, digits, '-' and '_' joined by dots, at most 253 characters.
bool isHostName(const QString& host)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_]([A-Za-z0-9_-]*)(\\.[A-Za-z0-9_-]+)*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

std::variant<quint16, UrlProblem> portOf(const QString& text)
{
    if (text.isEmpty()) return UrlProblem::NoPort;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch()) return UrlProblem::BadPort;
    const int port = text.toInt();
    if (port < 1 || port > 65535) return UrlProblem::BadPort;
    return quint16(port);
}

}  // namespace

QString NetworkLine::endpoint() const
{
    const QString shownHost = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}

QString NetworkLine::lockFileName() const
{
    const QHostAddress address(host);
    const QString canonicalHost = address.isNull() ? host.toLower() : address.toString();
    const QByteArray key = (canonicalHost.contains(QLatin1Char(':')) ? '[' + canonicalHost.toUtf8() + ']' : canonicalHost.toUtf8())
                           + ':' + QByteArray::number(port);
    // Letters, digits, dots and dashes as they are; anything else as _ and two hex digits.
    QString name = QStringLiteral("qm4700-line-");
    for (const char c : key) {
        const uchar u = uchar(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.' || u == '-')
            name += QLatin1Char(c);
        else
            name += QStringLiteral("_%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return name + QStringLiteral(".lock");
}

bool IsUrl(const QString& device) { return urlForm().match(device).hasMatch(); }

std::variant<NetworkLine, UrlProblem> ParseNetworkLine(const QString& url)
{
    const QRegularExpressionMatch m = urlForm().match(url);
    if (!m.hasMatch()) return UrlProblem::UnknownScheme;
    NetworkLine line;
    const QString scheme = m.captured(1).toLower();
    if (scheme == QLatin1String("rtuovertcp"))
        line.protocol = NetworkLine::Protocol::RtuOverTcp;
    else if (scheme == QLatin1String("tcp"))
        line.protocol = NetworkLine::Protocol::ModbusTcp;
    else
        return UrlProblem::UnknownScheme;

    const QString rest = m.captured(2);
    QString portText;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0) return UrlProblem::BadIpv6;
        line.host = rest.mid(1, close - 1);
        const QHostAddress address(line.host);
        if (address.protocol() != QAbstractSocket::IPv6Protocol) return UrlProblem::BadIpv6;
        const QString after = rest.mid(close + 1);
        if (after.isEmpty()) return UrlProblem::NoPort;
        if (!after.startsWith(QLatin1Char(':'))) return UrlProblem::BadIpv6;
        portText = after.mid(1);
    } else {
        // More than one colon without brackets: an IPv6 address whose port cannot be told apart.
        if (rest.count(QLatin1Char(':')) > 1) return UrlProblem::BadIpv6;
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        line.host = colon < 0 ? rest : rest.left(colon);
        if (line.host.isEmpty()) return UrlProblem::BadHost;
        static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]+$"));
        const bool looksNumeric = digitsAndDots.match(line.host).hasMatch();
        if (looksNumeric ? !isIpv4(line.host) : !isHostName(line.host)) return UrlProblem::BadHost;
        if (colon < 0) return UrlProblem::NoPort;
        portText = rest.mid(colon + 1);
    }
    const std::variant<quint16, UrlProblem> port = portOf(portText);
    if (const UrlProblem* problem = std::get_if<UrlProblem>(&port)) return *problem;
    line.port = std::get<quint16>(port);
    return line;
}

}  // namespace qm
