#pragma once
// A named pipe under a file's name, for tests that a reader refuses it. Should the reader open it
// anyway, a thread feeds it the given bytes and closes it, so that the read ends and the test
// fails instead of hanging.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::test {

class FeedingFifo {
public:
    // Waits up to waitMs for a reader.
    FeedingFifo(const QString& path, QByteArray bytes, int waitMs = 300) : m_path(QFile::encodeName(path))
    {
        m_created = ::mkfifo(m_path.constData(), 0644) == 0;
        if (!m_created) return;
        m_thread = std::thread([this, bytes = std::move(bytes), waitMs] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
            while (std::chrono::steady_clock::now() < deadline) {
                // Opening for writing without waiting succeeds once a reader has the pipe open.
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                m_opened = true;
                ::fcntl(fd, F_SETFL, 0);
                for (qsizetype done = 0; done < bytes.size();) {
                    const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
                    if (n <= 0) break;
                    done += n;
                }
                ::close(fd);
                return;
            }
        });
    }
    ~FeedingFifo()
    {
        if (m_thread.joinable()) m_thread.join();
        if (m_created) ::unlink(m_path.constData());
    }
    FeedingFifo(const FeedingFifo&) = delete;
    FeedingFifo& operator=(const FeedingFifo&) = delete;

    bool created() const { return m_created; }
    // True when someone opened the pipe for reading (known once the waiting is over).
    bool opened()
    {
        if (m_thread.joinable()) m_thread.join();
        return m_opened;
    }

private:
    QByteArray m_path;
    bool m_created = false;
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};

}  // namespace qm::test
