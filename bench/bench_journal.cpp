// Appending one sample of ten instruments to the journal (header decision, formatting, one write,
// sync to disk), in a fresh folder under the current directory so the disk is the one the program
// would write to; and, for reference, exporting a full store of 10000 samples.
// The last line of output: "journal append: <median ms> ms, export of 10000 samples: <median ms> ms".
#include "BenchStats.h"
#include "TrendJournal.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace qm;

const PolledRange TenInstruments{1, 10};

std::unique_ptr<QTemporaryDir> g_dir;
std::vector<double> g_appendTimes, g_exportTimes;

void fill(TrendStore& store, int samples)
{
    const DateTime start = ToDateTime(QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0)));
    double values[TrendStore::Channels];
    for (int i = 0; i < samples; ++i) {
        for (int k = 1; k <= 10; ++k) {
            values[2 * k - 2] = 7.0 + 0.3 * std::sin(k + i * 0.01);
            values[2 * k - 1] = 25.0 + k + 0.1 * std::cos(i * 0.1);
        }
        store.AppendLoaded(start + i * 5 * OneSecond, values);
    }
}

template <class F>
void measure(benchmark::State& state, std::vector<double>& times, F&& step)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        times.push_back(seconds * 1000.0);
    }
}

void BM_JournalAppend(benchmark::State& state)
{
    auto store = std::make_unique<TrendStore>();
    fill(*store, 1);
    TrendJournal journal;
    journal.setWorkDir(g_dir->path());
    measure(state, g_appendTimes, [&] {
        if (!journal.Append(*store, 1, TenInstruments).written) state.SkipWithError("journal write failed");
    });
}

void BM_ExportFullStore(benchmark::State& state)
{
    auto store = std::make_unique<TrendStore>();
    fill(*store, TrendStore::TrendCapacity);
    const QString path = QDir(g_dir->path()).filePath(QStringLiteral("export.csv"));
    measure(state, g_exportTimes, [&] {
        if (!WriteWholeFile(path, TrendCsv(*store, TenInstruments)).isEmpty()) state.SkipWithError("export failed");
    });
}

BENCHMARK(BM_JournalAppend)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2000);
BENCHMARK(BM_ExportFullStore)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    g_dir = std::make_unique<QTemporaryDir>(QDir::current().filePath(QStringLiteral("bench-journal-XXXXXX")));
    if (!g_dir->isValid()) {
        std::fprintf(stderr, "cannot create a folder in the current directory\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_dir.reset();
    std::printf("journal append: %.3f ms, export of 10000 samples: %.1f ms\n", bench::median(g_appendTimes),
                bench::median(g_exportTimes));
    std::fflush(stdout);
    return 0;
}
