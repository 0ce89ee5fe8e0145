#pragma once
// For its scope, files may grow to a given size at most: a write beyond it fails part way, as on a
// full disk (EFBIG instead of the signal). Root is bound by it too.

#include <csignal>
#include <sys/resource.h>

namespace qm::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0) return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_saved;
        tight.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active) setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_oldHandler != SIG_ERR) std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = SIG_ERR;
    bool m_active = false;
};

}  // namespace qm::test
