#pragma once
// The simulator as a child process for the simulator's own tests (no Qt): started with the given
// options, its first line of output read (the device, or the URL of its TCP port), killed when
// the object goes, whatever happened in the test. Needs QM_SIM_PATH.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace simtest {

using SteadyClock = std::chrono::steady_clock;

class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        // Standard error goes to an unlinked file: a pipe nobody reads could fill up and stop
        // the simulator in the middle of a test.
        m_errFile = std::tmpfile();
        m_err = m_errFile ? fileno(m_errFile) : -1;
        m_forked = SteadyClock::now();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a crashed test
            dup2(out[1], STDOUT_FILENO);
            if (m_err >= 0)
                dup2(m_err, STDERR_FILENO);
            std::vector<char*> argv;
            std::string path = QM_SIM_PATH;
            argv.push_back(path.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
        // The first line is the device or URL; give the simulator a few seconds to start.
        std::string line;
        pollfd pfd{m_out, POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&pfd, 1, 5000) > 0) {
            char c[256];
            const ssize_t n = read(m_out, c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, static_cast<std::size_t>(n));
        }
        m_ready = SteadyClock::now();
        if (const auto nl = line.find('\n'); nl != std::string::npos)
            m_device = line.substr(0, nl);
    }

    ~SimProcess()
    {
        stop();
        if (m_errFile)
            std::fclose(m_errFile);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line: a device path, rtuovertcp://HOST:PORT or tcp://HOST:PORT.
    const std::string& device() const { return m_device; }

    // The TCP port of the URL, 0 for a device.
    int port() const
    {
        const auto colon = m_device.rfind(':');
        return m_device.find("://") == std::string::npos || colon == std::string::npos
                   ? 0
                   : std::atoi(m_device.c_str() + colon + 1);
    }

    // The simulator's clock (the seconds of --set and --ramp) started between these two moments.
    SteadyClock::time_point startedAfter() const { return m_forked; }
    SteadyClock::time_point startedBy() const { return m_ready; }

    // SIGTERM, then the raw wait status (0: exited with 0); SIGKILL and -1 if it does not go
    // within two seconds. A simulator that already ended gives its own status.
    int stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            for (int i = 0; i < 200; ++i) {
                if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
                    m_pid = -1;
                    break;
                }
                usleep(10000);
            }
            if (m_pid > 0) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &m_status, 0);
                m_pid = -1;
                m_status = -1;
            }
        }
        if (m_out >= 0)
            close(m_out);
        m_out = -1;
        return m_status;
    }

    // Waits for a simulator that ends by itself (bad options, --version) and returns its exit
    // code, -1 when it had to be killed; `error` gets what it wrote to standard error.
    int exitCode(std::string* error = nullptr)
    {
        if (m_pid > 0) {
            for (int i = 0; i < 300 && waitpid(m_pid, &m_status, WNOHANG) != m_pid; ++i)
                usleep(10000);
            if (waitpid(m_pid, &m_status, WNOHANG) == 0) {
                stop();
                return -1;
            }
            m_pid = -1;
        }
        if (error && m_err >= 0) {
            char c[512];
            ssize_t n;
            for (off_t at = 0; (n = pread(m_err, c, sizeof c, at)) > 0; at += n)
                error->append(c, static_cast<std::size_t>(n));
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::FILE* m_errFile = nullptr;
    int m_err = -1;
    int m_status = -1;
    std::string m_device;
    SteadyClock::time_point m_forked;
    SteadyClock::time_point m_ready;
};

}  // namespace simtest
