#include "options.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace sim {

namespace {

struct BadOption : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long number(const std::string& text, long low, long high, const std::string& what)
{
    if (text.empty())
        throw BadOption(what + ": a number is missing");
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0')
        throw BadOption(what + ": '" + text + "' is not a number");
    if (value < low || value > high)
        throw BadOption(what + ": " + text + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    return value;
}

int address(const std::string& text, const std::string& what)
{
    return static_cast<int>(number(text, 1, 247, what + " address"));
}

// "A:V" -> (A, V)
std::pair<int, int> addressAndValue(const std::string& text, long low, long high, const std::string& what)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        throw BadOption(what + ": expected ADDRESS:VALUE, got '" + text + "'");
    return {address(text.substr(0, colon), what),
            static_cast<int>(number(text.substr(colon + 1), low, high, what))};
}

// "V" sets the default, "A:V" the value of one address.
void valueOrPerAddress(const std::string& text, long low, long high, const std::string& what, int& all,
                       std::map<int, int>& at)
{
    if (text.find(':') == std::string::npos)
        all = static_cast<int>(number(text, low, high, what));
    else {
        const auto [a, value] = addressAndValue(text, low, high, what);
        at.insert_or_assign(a, value);
    }
}

}  // namespace

int Options::typeFor(int a) const
{
    if (wrongId.count(a))
        return 0x13;
    const auto it = typeAt.find(a);
    return it != typeAt.end() ? it->second : type;
}

int Options::archiveFor(int a) const
{
    const auto it = archiveAt.find(a);
    return it != archiveAt.end() ? it->second : archive;
}

int Options::periodFor(int a) const
{
    const auto it = periodAt.find(a);
    return it != periodAt.end() ? it->second : period;
}

int Options::splitFor(int a) const
{
    const auto it = splitAt.find(a);
    return it != splitAt.end() ? it->second : split;
}

const char* usageText()
{
    return "usage: qm4700-sim [options]\n"
           "Simulates a line of QM4700 instruments (Modbus RTU slaves, 19200 8N1).\n"
           "The first line written to standard output is what the program must open: the device,\n"
           "or for TCP the URL that ports.cfg names (rtuovertcp://HOST:PORT or tcp://HOST:PORT).\n"
           "\n"
           "  --first A            first instrument address (1..247, default 1)\n"
           "  --count N            number of instruments at A..A+N-1 (default 1)\n"
           "  --device PATH        serve an existing serial device instead of a new pseudo-terminal\n"
           "  --rtu-over-tcp PORT  listen on TCP PORT for raw RTU frames (serial device server); 0: any free port\n"
           "  --modbus-tcp PORT    listen on TCP PORT as a Modbus TCP gateway, unit id = address; 0: any free port\n"
           "  --listen ADDR        address to listen on (default 127.0.0.1; ::1 allowed)\n"
           "  --max-clients N      connections served at once, 1..64 (default 8); more are closed at once\n"
           "  --gateway-exceptions Modbus TCP: answer a silent or unserved unit with exception 0x0B\n"
           "  --ports-cfg FILE     add or replace the line 'COM<K> <device or URL>' in FILE\n"
           "  --com K              COM number for --ports-cfg (1..255, default 1; repeatable)\n"
           "  --seed S             seed of the simulated readings and archives (default 1)\n"
           "  --fixed              frozen readings derived from the address (see README)\n"
           "  --archive N|A:N      archive records, 0..400 (default 0)\n"
           "  --period P|A:P       archive period in minutes, 1..255 (default 5)\n"
           "  --type T|A:T         identification type code, 0..255 (default 0x11)\n"
           "  --log FILE           write every received request to FILE with a timestamp\n"
           "  --pace               send answers at the real rate of 19200 baud 8N1\n"
           "readings driven over time (seconds after start; repeatable, a later one wins):\n"
           "  --set A:Q=V[@FROM-[TO]]      Q (ph or t) of A is V from FROM to TO (open: to the end)\n"
           "  --ramp A:Q=V1..V2@FROM-TO    Q of A goes in a straight line from V1 at FROM to V2 at TO\n"
           "faults, per address, each option repeatable:\n"
           "  --silent A           never answer\n"
           "  --bad-crc A          answers with one corrupted byte (Modbus TCP: protocol id 1)\n"
           "  --exception A[:C]    answer every request with exception code C, 1..11 (default 4)\n"
           "  --wrong-id A         identification type code 0x13\n"
           "  --reply-from A:B     answer with address B in the first byte (CRC recomputed;\n"
           "                       Modbus TCP: unit id B)\n"
           "  --delay-ms A:MS      wait MS milliseconds before answering (0..60000)\n"
           "  --split N|A:N        send each answer in N pieces, 5 ms apart (1..32)\n"
           "  --glue A             hold A's answer back and send it in one write with the next answer\n"
           "  --stale-answer A     Modbus TCP: send an answer with an older transaction id first\n"
           "  --drop-after N       close a connection once it has been sent N answers\n"
           "  --version            the version\n"
           "  --help               this text\n";
}

ParseResult parseOptions(int argc, char** argv, Options& o, std::string& error)
{
    bool rtuOverTcp = false, modbusTcp = false;
    std::vector<std::string> needTcp, needModbusTcp;  // options given that only work over TCP
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string name = argv[i];
            if (name == "--help" || name == "-h")
                return ParseResult::Help;
            if (name == "--version")
                return ParseResult::Version;
            if (name == "--fixed") {
                o.fixed = true;
                continue;
            }
            if (name == "--pace") {
                o.pace = true;
                continue;
            }
            if (name == "--gateway-exceptions") {
                o.gatewayExceptions = true;
                needModbusTcp.push_back(name);
                continue;
            }
            if (name.rfind("--", 0) != 0)
                throw BadOption("unknown argument '" + name + "'");
            if (i + 1 >= argc)
                throw BadOption(name + " needs a value");
            const std::string value = argv[++i];
            if (name == "--first")
                o.first = address(value, name);
            else if (name == "--count")
                o.count = static_cast<int>(number(value, 1, 247, name));
            else if (name == "--device")
                o.device = value;
            else if (name == "--rtu-over-tcp") {
                o.tcpPort = static_cast<int>(number(value, 0, 65535, name));
                rtuOverTcp = true;
            } else if (name == "--modbus-tcp") {
                o.tcpPort = static_cast<int>(number(value, 0, 65535, name));
                modbusTcp = true;
            } else if (name == "--listen") {
                in6_addr any{};
                if (inet_pton(AF_INET, value.c_str(), &any) != 1 && inet_pton(AF_INET6, value.c_str(), &any) != 1)
                    throw BadOption("--listen: '" + value + "' is not a numeric IPv4 or IPv6 address");
                o.listen = value;
                needTcp.push_back(name);
            } else if (name == "--max-clients") {
                o.maxClients = static_cast<int>(number(value, 1, 64, name));
                needTcp.push_back(name);
            } else if (name == "--ports-cfg")
                o.portsCfg = value;
            else if (name == "--com")
                o.coms.push_back(static_cast<int>(number(value, 1, 255, name)));
            else if (name == "--seed")
                o.seed = static_cast<std::uint64_t>(number(value, 0, 0x7FFFFFFF, name));
            else if (name == "--archive")
                valueOrPerAddress(value, 0, 400, name, o.archive, o.archiveAt);
            else if (name == "--period")
                valueOrPerAddress(value, 1, 255, name, o.period, o.periodAt);
            else if (name == "--type")
                valueOrPerAddress(value, 0, 255, name, o.type, o.typeAt);
            else if (name == "--log")
                o.logFile = value;
            else if (name == "--set" || name == "--ramp") {
                try {
                    o.drives.push_back(name == "--set" ? parseSet(value) : parseRamp(value));
                } catch (const std::invalid_argument& e) {
                    throw BadOption(e.what());
                }
            } else if (name == "--silent")
                o.silent.insert(address(value, name));
            else if (name == "--bad-crc")
                o.badCrc.insert(address(value, name));
            else if (name == "--wrong-id")
                o.wrongId.insert(address(value, name));
            else if (name == "--exception") {
                if (value.find(':') == std::string::npos)
                    o.exception.insert_or_assign(address(value, name), 4);
                else {
                    const auto [a, code] = addressAndValue(value, 1, 11, name);
                    o.exception.insert_or_assign(a, code);
                }
            } else if (name == "--reply-from") {
                const auto [a, b] = addressAndValue(value, 0, 255, name);
                o.replyFrom.insert_or_assign(a, b);
            } else if (name == "--delay-ms") {
                const auto [a, ms] = addressAndValue(value, 0, 60000, name);
                o.delayMs.insert_or_assign(a, ms);
            } else if (name == "--split")
                valueOrPerAddress(value, 1, 32, name, o.split, o.splitAt);
            else if (name == "--glue")
                o.glue.insert(address(value, name));
            else if (name == "--stale-answer") {
                o.staleAnswer.insert(address(value, name));
                needModbusTcp.push_back(name);
            } else if (name == "--drop-after") {
                o.dropAfter = static_cast<int>(number(value, 1, 1000000, name));
                needTcp.push_back(name);
            } else
                throw BadOption("unknown option '" + name + "'");
        }
        if (o.first + o.count - 1 > 247)
            throw BadOption("--first + --count - 1 must not exceed 247");
        if (rtuOverTcp && modbusTcp)
            throw BadOption("give one of --rtu-over-tcp and --modbus-tcp, not both");
        if ((rtuOverTcp || modbusTcp) && !o.device.empty())
            throw BadOption("--device serves a serial line; it does not go with --rtu-over-tcp or --modbus-tcp");
        o.mode = rtuOverTcp ? Mode::RtuOverTcp : modbusTcp ? Mode::ModbusTcp : Mode::Serial;
        if (o.mode == Mode::Serial && !needTcp.empty())
            throw BadOption(needTcp.front() + " needs --rtu-over-tcp or --modbus-tcp");
        if (o.mode != Mode::ModbusTcp && !needModbusTcp.empty())
            throw BadOption(needModbusTcp.front() + " needs --modbus-tcp");
    } catch (const BadOption& e) {
        error = e.what();
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

}  // namespace sim
