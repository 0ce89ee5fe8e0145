// Memory over a month of running. The main window, shown (offscreen), with ten instruments
// answering once a second, 1000 points, a sample a second and the journal on: the chart samples
// and draws, the journal takes every sample, the trend file is saved every ten minutes, the live
// table shows each answer, all as in the program, driven on the program's clock (which the
// benchmark moves) through 30 days of samples. The store is full after the first 1000 samples,
// so whatever the program keeps grows no further: the resident size after the first day should
// stay where it is (target: under 1 MB of growth from day 1 to day 30).
//
// Printed at each simulated day: the resident set size (what the system counts against the
// program), the heap bytes in use, and the bytes malloc holds from the system (arena). In use
// growing is memory kept (a leak, or a cache that never stops growing); in use flat while the arena
// grows is the allocator's fragmentation.
// The last line: "growth after day 1: <MB> MB (RSS day 1 <MB> MB, day N <MB> MB)".
//
// Options: --days N (30), --render N (let the window's posted paints through every N samples, 60;
// the chart itself redraws at every sample either way), --dir PATH (the working directory; by
// default a fresh one in /dev/shm, so that the journal's sync per line costs no disk time). The
// journal's file of each finished day is removed as the run goes, to keep the memory file system
// small.
#include "MainWindow.h"
#include "Reading.h"
#include "TrendJournalFormat.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <random>

namespace {

using namespace qm;

constexpr int Instruments = 10;
constexpr int SecondsPerDay = 86400;

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

struct Heap {
    double inUseMb = 0, arenaMb = 0;
};

Heap heap()
{
    const struct mallinfo2 m = mallinfo2();
    return {double(m.uordblks + m.hblkhd) / 1048576.0, double(m.arena + m.hblkhd) / 1048576.0};
}

int option(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}

QString textOption(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return QString::fromLocal8Bit(argv[i + 1]);
    return QString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = std::max(1, option(argc, argv, "--days", 30));
    const int renderEvery = std::max(1, option(argc, argv, "--render", 60));

    QString workDir = textOption(argc, argv, "--dir");
    std::unique_ptr<QTemporaryDir> temporary;
    if (workDir.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QDir(QStringLiteral("/dev/shm")).exists()
                                                        ? QStringLiteral("/dev/shm/qm-soak-XXXXXX")
                                                        : QDir::tempPath() + QStringLiteral("/qm-soak-XXXXXX"));
        if (!temporary->isValid()) qFatal("no working directory");
        workDir = temporary->path();
    }
    // COM1, ten instruments from address 1, 1000 points, a sample a second, no layout chosen (all
    // 24 series drawn), the default scales, slots 1..4; the journal on.
    writeFile(workDir + QStringLiteral("/it.cfg"),
              "0\r\n1\r\n1000\r\n1\r\n10\r\n1\r\n1\r\n-1\r\n0\r\n10\r\n0\r\n50\r\n2\r\n10\r\n0\r\n1\r\n2\r\n3\r\n");
    writeFile(workDir + QStringLiteral("/journal.cfg"), "1\r\n");

    QDateTime clock(QDate(2026, 12, 1), QTime(0, 0, 0));
    SetClock([&clock] { return clock; });
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(workDir);
        MainWindow form;
        QDir::setCurrent(before);
        // The benchmark ticks by hand; the port stays closed, the answers come from below.
        form.pollTimer()->stop();
        form.chartTimer()->stop();
        form.show();
        QCoreApplication::processEvents();
        Panel& panel = form;
        panel.linkChanged(true);
        panel.roundDone(Instruments);

        // Answers that wander like real instruments: pH near 7, temperature near 25.
        std::mt19937 random(4700);
        std::normal_distribution<double> noise(0.0, 1.0);
        const auto answerAll = [&] {
            for (int k = 1; k <= Instruments; ++k) {
                Reading r;
                r.address = quint8(k);
                r.answered = true;
                r.received = clock;
                r.id = quint16(0x1100 | k);
                r.phRaw = qint16(std::lround(700 + 30 * std::sin(k) + 2 * noise(random)));
                r.eRaw = 1234;
                r.tRaw = qint16(std::lround(250 + 10 * k + noise(random)));
                r.status = 0x0011;
                r.clockYear = 0x141A;
                r.clockDate = quint16(clock.date().month() << 8 | clock.date().day());
                r.clockTime = quint16(clock.time().hour() << 8 | clock.time().minute());
                r.period = 15;
                panel.reading(r);
            }
        };

        std::printf("soak: the main window, %d instruments, 1000 points, a sample a second, journal on, "
                    "trend file saved every ten minutes; posted paints let through every %d samples; in %s\n",
                    Instruments, renderEvery, qPrintable(workDir));
        std::printf("%4s %10s %12s %12s %9s\n", "day", "RSS MB", "in use MB", "arena MB", "wall s");
        const Heap h0 = heap();
        std::printf("%4d %10.2f %12.2f %12.2f %9.1f\n", 0, residentMb(), h0.inUseMb, h0.arenaMb, 0.0);
        std::fflush(stdout);

        const auto started = std::chrono::steady_clock::now();
        double firstDay = 0, last = 0;
        for (int day = 1; day <= days; ++day) {
            for (int s = 0; s < SecondsPerDay; ++s) {
                clock = clock.addSecs(1);
                answerAll();
                form.chartTick();
                if (s % renderEvery == 0) QCoreApplication::processEvents();
            }
            QCoreApplication::processEvents();
            // The finished day's journal is done with.
            QFile::remove(JournalFilePath(workDir, clock.date().addDays(-1)));
            const Heap h = heap();
            last = residentMb();
            if (day == 1) firstDay = last;
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::printf("%4d %10.2f %12.2f %12.2f %9.1f\n", day, last, h.inUseMb, h.arenaMb, wall);
            std::fflush(stdout);
        }
        if (form.store().TrendCount() != 1000) std::printf("warning: the store holds %d samples, not 1000\n", form.store().TrendCount());
        std::printf("growth after day 1: %.2f MB (RSS day 1 %.2f MB, day %d %.2f MB)\n", last - firstDay, firstDay,
                    days, last);
        // Closing would save it.cfg and the trend file once more: not part of the measure.
        form.hide();
    }
    SetClock({});
    return 0;
}
