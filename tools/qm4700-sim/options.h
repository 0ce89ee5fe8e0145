#pragma once

#include "drive.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sim {

// Where the instruments are served: one of these per process.
enum class Mode {
    Serial,      // a pseudo-terminal, or the device of --device
    RtuOverTcp,  // raw RTU frames over TCP, as a transparent serial device server passes them
    ModbusTcp,   // Modbus TCP, as a gateway serves the instruments behind it
};

struct Options {
    int first = 1;
    int count = 1;
    std::string device;    // empty: make a pseudo-terminal
    std::string portsCfg;  // ports.cfg to update with "COM<k> <device or URL>" for each k in coms
    std::vector<int> coms;  // empty means COM1
    std::uint64_t seed = 1;
    bool fixed = false;
    bool pace = false;
    std::string logFile;

    Mode mode = Mode::Serial;
    int tcpPort = 0;  // 0: a free port chosen by the system
    std::string listen = "127.0.0.1";
    int maxClients = 8;
    bool gatewayExceptions = false;  // Modbus TCP: exception 0x0B instead of silence

    std::vector<Drive> drives;  // --set and --ramp, in the order given

    // Values with a line-wide default and optional per-address overrides ("V" or "A:V").
    int type = 0x11;
    std::map<int, int> typeAt;
    int archive = 0;
    std::map<int, int> archiveAt;
    int period = 5;
    std::map<int, int> periodAt;

    // Faults, per address.
    std::set<int> silent;
    std::set<int> badCrc;
    std::set<int> wrongId;
    std::map<int, int> exception;  // address -> exception code
    std::map<int, int> replyFrom;  // address -> address written into the answer
    std::map<int, int> delayMs;    // address -> delay before the answer
    int split = 1;                 // pieces each answer is sent in ("N" or "A:N")
    std::map<int, int> splitAt;
    std::set<int> glue;            // answers held back and sent together with the next one
    std::set<int> staleAnswer;     // Modbus TCP: an answer with an older transaction id first

    // A fault of the connection, not of an instrument.
    int dropAfter = 0;  // close a connection after this many answers; 0: never

    int typeFor(int address) const;
    int splitFor(int address) const;
    int archiveFor(int address) const;
    int periodFor(int address) const;
};

enum class ParseResult { Run, Help, Version, Error };

ParseResult parseOptions(int argc, char** argv, Options& options, std::string& error);

const char* usageText();

}  // namespace sim
