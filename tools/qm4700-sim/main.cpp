// qm4700-sim: a simulated line of QM4700 instruments for trying and testing the program.

#include "line.h"
#include "options.h"
#include "server.h"

#include <csignal>
#include <cstdio>
#include <exception>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

void installSignals()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    std::string error;
    switch (sim::parseOptions(argc, argv, options, error)) {
    case sim::ParseResult::Help:
        std::fputs(sim::usageText(), stdout);
        return 0;
    case sim::ParseResult::Error:
        std::fprintf(stderr, "qm4700-sim: %s\n(try --help)\n", error.c_str());
        return 2;
    case sim::ParseResult::Run:
        break;
    }

    installSignals();
    std::FILE* log = nullptr;
    sim::Line line;
    int rc = 1;
    try {
        if (!options.logFile.empty()) {
            log = std::fopen(options.logFile.c_str(), "w");
            if (!log)
                throw std::runtime_error("cannot open log file " + options.logFile);
        }
        line = sim::openLine(options.device);
        sim::Server server(options, line, log);
        if (!options.portsCfg.empty()) {
            if (options.coms.empty())
                options.coms.push_back(1);
            for (int com : options.coms)
                sim::updatePortsCfg(options.portsCfg, com, line.devicePath);
        }
        // Scripts read this first line to learn which device to open.
        std::printf("%s\n", line.devicePath.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "qm4700-sim: instruments %d..%d on %s\n", options.first,
                     options.first + options.count - 1, line.devicePath.c_str());
        rc = server.run(g_stop);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm4700-sim: %s\n", e.what());
        rc = 1;
    }
    sim::closeLine(line);
    if (log)
        std::fclose(log);
    return rc;
}
