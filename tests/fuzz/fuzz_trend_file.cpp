// The trend data file loader: any file under the name "График.txt" loads without harm, and every
// sample it loads is saved as a line that loads back as the same sample (the same time to the
// second, the same value to four decimals).
//
// Input: the file's bytes.
#include "FuzzCheck.h"
#include "TrendFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

using namespace qm;

namespace {
QTemporaryDir* dir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    dir = new QTemporaryDir;
    SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile file(TrendFilePath(dir->path()));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    static TrendStore store;  // large: allocated once
    const TrendLoadResult result = LoadTrendFile(store, dir->path());
    FUZZ_CHECK(result.fileExisted && result.error.isEmpty());
    FUZZ_CHECK(result.samples == store.TrendCount() && result.samples <= TrendStore::TrendCapacity);

    double values[TrendStore::Channels];
    for (int i = 1; i <= store.TrendCount(); ++i) {
        for (int ch = 1; ch <= TrendStore::Channels; ++ch) values[ch - 1] = store.TrendValue(ch, i);
        const QByteArray line = FormatTrendLine(store.TrendTime(i), values);
        DateTime again = 0;
        double reread[TrendStore::Channels];
        FUZZ_CHECK(ParseTrendLine(line, &again, reread));
        FUZZ_CHECK(again == store.TrendTime(i));
        FUZZ_CHECK(FormatTrendLine(again, reread) == line);
    }
    return 0;
}
