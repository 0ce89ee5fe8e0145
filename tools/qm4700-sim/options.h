#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct Options {
    int first = 1;
    int count = 1;
    std::string device;    // empty: make a pseudo-terminal
    std::string portsCfg;  // ports.cfg to update with "COM<k> <device>" for each k in coms
    std::vector<int> coms;  // empty means COM1
    std::uint64_t seed = 1;
    bool fixed = false;
    bool pace = false;
    std::string logFile;

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

    int typeFor(int address) const;
    int archiveFor(int address) const;
    int periodFor(int address) const;
};

enum class ParseResult { Run, Help, Error };

ParseResult parseOptions(int argc, char** argv, Options& options, std::string& error);

const char* usageText();

}  // namespace sim
