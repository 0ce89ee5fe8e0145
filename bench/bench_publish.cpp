// The time from a reading's arrival (the moment the window hands it to the publisher) to its
// delivery to a subscriber, through a real mosquitto on loopback: median and 99th percentile.
// Readings of ten instruments are handed over at a steady pace from the event loop, as the
// window does; the subscriber is a libmosquitto client on its own thread.
//   build/bench/bench_publish [readings=2000] [interval_ms=10]
#include "BenchStats.h"
#include "Broker.h"
#include "Publisher.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int intervalMs = argc > 2 ? std::atoi(argv[2]) : 10;
    if (qm::test::MosquittoPath().isEmpty()) {
        std::fprintf(stderr, "mosquitto is not installed (scripts/setup installs it)\n");
        return 1;
    }
    qm::test::Broker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "the broker did not start\n");
        return 1;
    }
    qm::test::Subscriber subscriber(broker.port, "qm4700/bench/+/state");
    if (!qm::test::WaitUntil([&] { return subscriber.subscribed(); })) return 1;

    qm::Publisher publisher;
    qm::MqttSettings s;
    s.enabled = true;
    s.host = QStringLiteral("127.0.0.1");
    s.port = broker.port;
    s.line = QStringLiteral("bench");
    publisher.configure(s, QDir::tempPath(), QString());
    if (!qm::test::WaitUntil([&] { return std::holds_alternative<qm::publish::Connected>(publisher.state()); })) return 1;

    // Each reading carries its sequence number in its raw pH, which comes back as pH / 100.
    std::vector<std::chrono::steady_clock::time_point> handed(static_cast<size_t>(count));
    int next = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (next == count) return pace.stop();
        qm::Reading r;
        r.address = quint8(1 + next % 10);
        r.answered = true;
        r.received = QDateTime::currentDateTime();
        r.phRaw = qint16(next);
        handed[size_t(next)] = std::chrono::steady_clock::now();
        publisher.publishReading(r);
        ++next;
    });
    pace.start(intervalMs);
    qm::test::WaitUntil([&] { return int(subscriber.messages().size()) >= count; }, count * intervalMs + 20000);

    std::vector<double> latencies;
    for (const qm::test::Message& m : subscriber.messages()) {
        const int pos = m.payload.indexOf("\"ph\":");
        if (pos < 0) continue;
        const int seq = int(std::lround(m.payload.mid(pos + 5).split(',').first().toDouble() * 100));
        if (seq < 0 || seq >= count) continue;
        latencies.push_back(std::chrono::duration<double, std::milli>(m.arrived - handed[size_t(seq)]).count());
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) return 1;
    const double p99 = latencies[std::min(latencies.size() - 1, size_t(std::ceil(latencies.size() * 0.99)) - 1)];
    std::printf("readings handed %d, delivered %zu, one every %d ms\n", count, latencies.size(), intervalMs);
    std::printf("reading -> subscriber on loopback: median %.3f ms, p99 %.3f ms, worst %.3f ms (target p99 <= 50 ms)\n",
                bench::median(latencies), p99, latencies.back());
    publisher.stop();
    return latencies.size() == size_t(count) ? 0 : 2;
}
