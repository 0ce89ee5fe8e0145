// The program's windows as the operator waits for them, without a display (offscreen):
//   start-up: the main window constructed (it.cfg read, the 10000-line trend file loaded, the
//             chart set up), the archive window beside it, the main window shown and drawn for the
//             first time; timed from before the main window's construction to the end of its first
//             paint, and also from the start of main();
//   archive view: "Просмотр" on a 10000-line archive file (the open dialog answered at once), from
//             the click to the end of the archive window's first paint; the first view (the window
//             shown for the first time) and a second one (the window already on screen).
// Every run is a fresh process (this program started again with --run), so that nothing is warm
// from an earlier run; the settings are those of bench/measure_cpu.sh (ten instruments, 10000
// points, all 24 series shown). Times are wall clock (the operator's wait) with the process's CPU
// time beside them; each benchmark's last lines print the medians.
#include "ArchiveView.h"
#include "BenchStats.h"
#include "MainWindow.h"
#include "QtTranslations.h"
#include "TrendFile.h"
#include "ArchiveChartWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int Runs = 9;

double wallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Waits, processing events, until widget has been painted once from now on.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    void wait()
    {
        while (!m_painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) m_painted = true;
        return false;
    }

private:
    bool m_painted = false;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

// it.cfg as bench/measure_cpu.sh writes it; a trend file of 10000 samples, a second apart, up to
// now; an archive file of 10000 lines, a minute apart.
void prepare(const QString& dir, bool withTrend)
{
    writeFile(dir + QStringLiteral("/it.cfg"), "0\r\n1\r\n10000\r\n1\r\n10\r\n1\r\n1\r\n-1\r\n0\r\n10\r\n0\r\n50\r\n2\r\n10\r\n0\r\n1\r\n2\r\n3\r\n");
    std::mt19937 random(12345);
    std::normal_distribution<double> noise(0.0, 1.0);
    QByteArray trend;
    const qm::DateTime now = qm::ToDateTime(QDateTime::currentDateTime());
    double values[20];
    for (int i = 0; i < 10000; ++i) {
        for (int k = 1; k <= 10; ++k) {
            values[2 * k - 2] = 7.0 + 0.3 * std::sin(double(k)) + 0.02 * noise(random);
            values[2 * k - 1] = 25.0 + k + 0.1 * noise(random);
        }
        trend += qm::FormatTrendLine(now - (10000 - i) / 86400.0, values) + "\r\n";
    }
    if (withTrend) writeFile(qm::TrendFilePath(dir), trend);
    else QFile::remove(qm::TrendFilePath(dir));

    QByteArray archive;
    const QDateTime first(QDate(2026, 12, 1), QTime(0, 0));
    const auto field = [](double v, int width, int decimals) {
        return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(',')).rightJustified(width);
    };
    for (int n = 1; n <= 10000; ++n) {
        QString line = first.addSecs(60 * n).toString(QStringLiteral("dd.MM.yy hh:mm")) + QStringLiteral("   ")
                       + field(7.0 + 0.5 * std::sin(n / 300.0) + 0.02 * noise(random), 5, 2) + QStringLiteral("   ")
                       + field(-12.3 + noise(random), 7, 1) + QStringLiteral("   ")
                       + field(25.0 + 3 * std::cos(n / 500.0) + 0.1 * noise(random), 5, 1);
        if (n % 10 == 0) line += QStringLiteral("     ") + QString::number(n);
        archive += line.toLatin1() + "\r\n";
    }
    writeFile(dir + QStringLiteral("/archive.txt"), archive);
}

// One run in this process, in the prepared directory; prints "name wall cpu" lines.
int run(int argc, char** argv, const QString& dir)
{
    const double mainWall = wallMs(), mainCpu = bench::processCpuMs();
    QDir::setCurrent(dir);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qm::InstallQtTranslations(app);

    // As the window program (main.cpp) does.
    const double wall = wallMs(), cpu = bench::processCpuMs();
    MainWindow form;
    ArchiveChartWindow archive;
    form.setArchiveWindow(&archive);
    PaintWatch shown(form.findChild<QCustomPlot*>(QStringLiteral("Chart1")));
    form.show();
    shown.wait();
    std::printf("startup %.3f %.3f\n", wallMs() - wall, bench::processCpuMs() - cpu);
    std::printf("startup-from-main %.3f %.3f\n", wallMs() - mainWall, bench::processCpuMs() - mainCpu);

    if (qEnvironmentVariableIsSet("QM_STARTUP_ONLY")) return 0;
    qm::ArchiveDialogs dialogs = qm::DefaultArchiveDialogs();
    dialogs.OpenFileName = [&dir](QWidget*, const QString&) { return dir + QStringLiteral("/archive.txt"); };
    dialogs.ShowError = [](QWidget*, const QString& text) { qFatal("%s", qPrintable(text)); };
    form.archiveFiles().setDialogs(dialogs);
    for (const char* name : {"view-first", "view-again"}) {
        // The operator's click comes when the window has settled.
        QCoreApplication::processEvents();
        PaintWatch drawn(archive.plot);
        const double w = wallMs(), c = bench::processCpuMs();
        form.viewArchiveClicked();
        drawn.wait();
        std::printf("%s %.3f %.3f\n", name, wallMs() - w, bench::processCpuMs() - c);
    }
    std::fflush(stdout);
    return archive.points.size() == 10000 ? 0 : 1;
}

struct Sample {
    double wall = 0, cpu = 0;
};
std::map<std::string, std::vector<Sample>> g_samples;

// Runs this program again in dir and collects what it printed.
void runChild(const QString& dir, const std::string& prefix)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), dir});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        qFatal("run failed: %s", child.readAllStandardError().constData());
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 3) g_samples[prefix + f[0].toStdString()].push_back({f[1].toDouble(), f[2].toDouble()});
    }
}

void startUp(benchmark::State& state, bool withTrend)
{
    QTemporaryDir dir;
    prepare(dir.path(), withTrend);
    const std::string prefix = withTrend ? "trend " : "no-trend ";
    for (auto _ : state) {
        runChild(dir.path(), prefix);
        state.SetIterationTime(g_samples[prefix + "startup"].back().wall / 1000.0);
    }
}
void BM_StartUpWithFullTrendFile(benchmark::State& state) { startUp(state, true); }
void BM_StartUpWithoutTrendFile(benchmark::State& state) { startUp(state, false); }

BENCHMARK(BM_StartUpWithFullTrendFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(Runs);
BENCHMARK(BM_StartUpWithoutTrendFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(Runs);

void report(const char* text, const std::string& key)
{
    std::vector<double> wall, cpu;
    for (const Sample& s : g_samples[key]) {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
    if (!wall.empty())
        std::printf("%s: median %.1f ms (CPU %.1f ms), %zu runs\n", text, bench::median(wall), bench::median(cpu),
                    wall.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--run") return run(1, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report("start-up, main window constructed to first drawn, full trend file", "trend startup");
    report("start-up, the same from main(), QApplication included", "trend startup-from-main");
    report("start-up, main window constructed to first drawn, no trend file", "no-trend startup");
    report("archive view, 10000 lines, first view", "trend view-first");
    report("archive view, 10000 lines, window on screen", "trend view-again");
    std::fflush(stdout);
    return 0;
}
