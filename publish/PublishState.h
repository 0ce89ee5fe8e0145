#pragma once
// What the publisher is doing, as one typed value, and why an attempt failed. wording/ turns
// both into the operator's words; the collector logs the same words.

#include <QDateTime>
#include <QString>

#include <variant>

namespace qm {

struct PublishFailure {
    enum class Kind {
        None,
        HostNotFound,        // the broker's name does not resolve
        Refused,             // nothing listens at host:port
        Unreachable,         // no route, or no answer in time
        Closed,              // the broker closed the connection during the handshake
        Lost,                // an established connection went away
        Tls,                 // the TLS handshake failed (certificate, protocol)
        TlsFiles,            // a CA, certificate or key file could not be used
        BadCredentials,      // the broker refused the user name or password
        NotAuthorized,       // the broker refused this client
        BrokerRefused,       // another CONNACK refusal (protocol, identifier, unavailable)
        PasswordFile,        // the password file is unsafe or unreadable: no attempt is made
        Other,
    };
    Kind kind = Kind::None;
    QString detail;  // a system text, a file name, the broker's code; never a password
    bool operator==(const PublishFailure&) const = default;
    // Failures that only the operator can mend (a setting or a file): told once.
    bool needsOperator() const
    {
        return kind == Kind::Tls || kind == Kind::TlsFiles || kind == Kind::BadCredentials
               || kind == Kind::NotAuthorized || kind == Kind::PasswordFile;
    }
};

namespace publish {
struct Off {};                         // not enabled in mqtt.cfg
struct Connecting { QString host; int port = 0; };
struct Connected { QString host; int port = 0; };
struct Retrying { QDateTime next; PublishFailure failure; };  // the next attempt, and why
struct Stopped { PublishFailure failure; };                   // waits for new settings
}  // namespace publish

using PublishState = std::variant<publish::Off, publish::Connecting, publish::Connected, publish::Retrying, publish::Stopped>;

}  // namespace qm
