#pragma once
// A line of instruments behind Ethernet, as ports.cfg names it in place of a serial device:
//   rtuovertcp://HOST:PORT  a serial device server in transparent ("raw", "TCP server") mode: the
//                           RTU frames, CRC included, pass through a TCP stream unchanged;
//   tcp://HOST:PORT         a Modbus TCP gateway: MBAP header and PDU, the unit id is the
//                           instrument's address, and the gateway speaks RTU on the line.
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("tcp://[fd00::20]:502").

#include <QString>
#include <QtGlobal>

#include <variant>

namespace qm {

struct NetworkLine {
    enum class Protocol : quint8 { RtuOverTcp, ModbusTcp };
    Protocol protocol = Protocol::RtuOverTcp;
    QString host;      // as written; an IPv6 address without its brackets
    quint16 port = 0;  // 1..65535

    // Where the line leads, as the operator reads it: "192.168.1.10:4001", "[fd00::20]:502".
    QString endpoint() const;
    // The name of the lock file that one program at a time holds while it drives the line:
    // "qm4700-line-192.168.1.10_3a4001.lock". It names the gateway's address and port, whatever
    // the protocol, so RTU over TCP and Modbus TCP to one gateway port are one line; the host as
    // written (lower case, an IP address in its usual form), so a name and its address are two.
    QString lockFileName() const;
    bool operator==(const NetworkLine&) const = default;
};

// How the program connects to a network line: a connection not made within this time has failed,
// and one that failed or was dropped is made again after 1, 2, 4 ... 30 s.
constexpr int LineConnectTimeoutSeconds = 5;
constexpr int LineFirstRetrySeconds = 1;
constexpr int LineLastRetrySeconds = 30;

// Why a device string written as a URL names no line.
enum class UrlProblem : quint8 {
    UnknownScheme,  // neither rtuovertcp:// nor tcp://
    BadHost,        // no host, or one that is neither a name nor an IPv4 address
    BadIpv6,        // an IPv6 address without brackets, or not one inside them
    NoPort,         // no ":PORT" after the host
    BadPort,        // not a number in 1..65535
};

// A device string of the form scheme://...: a URL, whether or not its scheme is known. Device
// paths never have this form.
bool IsUrl(const QString& device);
// The line a URL names, or why it names none.
std::variant<NetworkLine, UrlProblem> ParseNetworkLine(const QString& url);

}  // namespace qm
