// The trend file loader with the chart drawing, offscreen: whatever samples a file gives (any
// value, any date), the start-up draws them, one sampling tick adds a live sample to them, and the
// whole chart, axes and labels included, is drawn again.
//
// Input: the bytes of "График.txt".
#include "ChartWindow.h"
#include "FuzzCheck.h"
#include "PolledRange.h"
#include "Reading.h"
#include "TrendChart.h"
#include "TrendFile.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace qm;

namespace {
QTemporaryDir* dir = nullptr;
QDateTime now;  // the computer's clock as the chart reads it
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    dir = new QTemporaryDir;
    SetClock([] { return now; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile file(TrendFilePath(dir->path()));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    now = QDateTime(QDate(2026, 12, 6), QTime(14, 0, 0));
    test::ChartWindow window;
    TrendStore store;
    TrendChart chart(window.widgets(), store);
    chart.setRange({1, 10});

    // The start-up's order: window now .. now + 5 minutes, the file, then the scales and layout.
    const DateTime start = NowDateTime();
    chart.Setup(start);
    const TrendLoadResult loaded = LoadTrendFile(store, dir->path());
    FUZZ_CHECK(loaded.error.isEmpty());
    chart.ShowLoadedSamples();
    chart.FinishStartUp(start);
    window.chart->toPixmap(1201, 473);

    // One live sample a second later.
    for (int k = 1; k <= 10; ++k) {
        Reading r;
        r.address = quint8(k);
        r.answered = true;
        r.phRaw = 700;
        r.tRaw = 250;
        chart.takeReading(r);
    }
    chart.setLinkUp(true);
    chart.setRoundDone();
    now = now.addSecs(1);
    chart.Tick();
    window.chart->toPixmap(1201, 473);
    return 0;
}
