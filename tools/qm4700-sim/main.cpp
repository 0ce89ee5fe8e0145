// qm4700-sim: a simulated line of QM4700 instruments for trying and testing the program.

#include "line.h"
#include "listener.h"
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

// The stopping signals stay blocked except while the server waits (ppoll lets them through), so
// that none can slip in between a look at g_stop and the wait.
void installSignals()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigset_t stopping;
    sigemptyset(&stopping);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &action, nullptr);
        sigaddset(&stopping, s);
    }
    sigprocmask(SIG_BLOCK, &stopping, nullptr);
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
    case sim::ParseResult::Version:
        std::printf("qm4700-sim %s\n", QM_VERSION);
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
    sim::Listener listener;
    int rc = 1;
    try {
        if (!options.logFile.empty()) {
            log = std::fopen(options.logFile.c_str(), "w");
            if (!log)
                throw std::runtime_error("cannot open log file " + options.logFile);
        }
        std::string where;
        if (options.mode == sim::Mode::Serial) {
            line = sim::openLine(options.device);
            where = line.devicePath;
        } else {
            listener = sim::openListener(options.listen, options.tcpPort,
                                         options.mode == sim::Mode::RtuOverTcp ? "rtuovertcp" : "tcp");
            where = listener.url;
        }
        sim::Server server(options, log);
        if (!options.portsCfg.empty()) {
            if (options.coms.empty())
                options.coms.push_back(1);
            for (int com : options.coms)
                sim::updatePortsCfg(options.portsCfg, com, where);
        }
        // Scripts read this first line to learn what to open: the device, or the URL of the port.
        std::printf("%s\n", where.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "qm4700-sim: instruments %d..%d on %s\n", options.first,
                     options.first + options.count - 1, where.c_str());
        rc = options.mode == sim::Mode::Serial ? server.serveLine(line, g_stop)
                                               : server.serveConnections(listener.fd, g_stop);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm4700-sim: %s\n", e.what());
        rc = 1;
    }
    sim::closeLine(line);
    sim::closeListener(listener);
    if (log)
        std::fclose(log);
    return rc;
}
