#pragma once
// A real MQTT broker and a real subscriber for tests. Broker: mosquitto started on a free loopback
// port with a config file the test writes (persistence off), stopped by its process id; start()
// again brings it back on the same port. Subscriber: a libmosquitto client on its own thread that
// subscribes to everything and keeps what arrives, with the retained flag. Tests skip when
// mosquitto is not installed (scripts/setup installs it).

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qm::test {

// A loopback port no one listens on now: the system's choice for a socket bound to port 0.
inline int FreeLoopbackPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

inline bool LoopbackPortAccepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Runs the event loop until done() holds or boundMs passes; the bound only guards against
// hanging. Returns done().
inline bool WaitUntil(const std::function<bool()>& done, int boundMs = 10000)
{
    QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// Keeps the event loop running for ms.
inline void RunFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}

inline QString MosquittoPath() { return QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"}); }

struct Broker {
    QTemporaryDir dir;
    QProcess process;
    int port = FreeLoopbackPort();
    QString confPath = dir.filePath(QStringLiteral("mosquitto.conf"));

    // extra: more config lines (a password file, a TLS listener). PORT in them is replaced by
    // this broker's port.
    explicit Broker(const QByteArray& extra = "listener PORT 127.0.0.1\nallow_anonymous true\n")
    {
        QByteArray conf = "persistence false\nlog_dest stderr\n";
        // Started as root, mosquitto would become the user "mosquitto", who cannot read our files.
        if (const passwd* pw = ::getpwuid(::geteuid())) conf += "user " + QByteArray(pw->pw_name) + "\n";
        conf += QByteArray(extra).replace("PORT", QByteArray::number(port));
        QFile f(confPath);
        if (f.open(QIODevice::WriteOnly)) f.write(conf);
    }
    ~Broker() { stop(); }

    bool start()
    {
        process.setStandardErrorFile(dir.filePath(QStringLiteral("broker.log")), QIODevice::Append);
        process.start(MosquittoPath(), {QStringLiteral("-c"), confPath});
        if (!process.waitForStarted(5000)) return false;
        QDeadlineTimer deadline(10000);
        while (!LoopbackPortAccepts(port) && !deadline.hasExpired()) QThread::msleep(20);
        return LoopbackPortAccepts(port);
    }
    void stop()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();  // by its process id
        process.waitForFinished(5000);
    }
    // A broker that takes no more turns: connections stay open, nothing is answered.
    void pause() { ::kill(pid_t(process.processId()), SIGSTOP); }
    QByteArray log() const
    {
        QFile f(dir.filePath(QStringLiteral("broker.log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

struct Message {
    QByteArray topic;
    QByteArray payload;
    bool retained = false;
    std::chrono::steady_clock::time_point arrived;
};

// Subscribes to all topics (QoS 1) as soon as it is connected, and again after a reconnect.
class Subscriber {
public:
    explicit Subscriber(int port, const QByteArray& filter = "#") : m_filter(filter)
    {
        mosquitto_lib_init();
        m_client = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(m_client, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<Subscriber*>(self);
            if (rc == 0) mosquitto_subscribe(m, nullptr, s->m_filter.constData(), 1);
        });
        mosquitto_subscribe_callback_set(m_client, [](mosquitto*, void* self, int, int, const int*) {
            auto* s = static_cast<Subscriber*>(self);
            const std::lock_guard lock(s->m_mutex);
            s->m_subscribed = true;
        });
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            const std::lock_guard lock(s->m_mutex);
            s->m_messages.push_back({QByteArray(m->topic), QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain,
                                     std::chrono::steady_clock::now()});
        });
        mosquitto_reconnect_delay_set(m_client, 1, 1, false);
        mosquitto_connect(m_client, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_client);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, true);
        mosquitto_destroy(m_client);
    }
    bool subscribed()
    {
        const std::lock_guard lock(m_mutex);
        return m_subscribed;
    }
    std::vector<Message> messages()
    {
        const std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // Messages on topic, in their order of arrival.
    std::vector<Message> on(const QByteArray& topic)
    {
        std::vector<Message> out;
        for (const Message& m : messages())
            if (m.topic == topic) out.push_back(m);
        return out;
    }

private:
    QByteArray m_filter;
    mosquitto* m_client = nullptr;
    std::mutex m_mutex;
    bool m_subscribed = false;
    std::vector<Message> m_messages;
};

}  // namespace qm::test
