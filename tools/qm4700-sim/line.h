#pragma once

#include <string>

namespace sim {

// The simulator's end of the serial line.
struct Line {
    int fd = -1;           // read requests from here, write answers here
    int keepOpenFd = -1;   // our own descriptor of the program's end (pseudo-terminal only)
    std::string devicePath;
};

// Makes a pseudo-terminal (device empty) or opens the given device; raw 19200 8N1 either way.
// Throws std::runtime_error with the system's reason.
Line openLine(const std::string& device);
void closeLine(Line& line);

// Adds "COM<com> <device>" to a ports.cfg, replacing an earlier line for the same COM name and
// keeping every other line. Written to a temporary file first and renamed over the old one.
void updatePortsCfg(const std::string& file, int com, const std::string& device);

}  // namespace sim
