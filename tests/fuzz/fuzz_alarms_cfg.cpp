// alarms.cfg: any bytes give limits that pass the program's own checks, at most one per instrument
// and quantity, and every line that was ignored is named; rewritten by the limits dialog's writer,
// the limits read back the same.
//
// Input: the file's bytes.
#include "AlarmLimitsFile.h"
#include "FuzzCheck.h"

#include <QSet>

#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const AlarmLimitsRead read = ParseAlarmLimits(bytes);
    QSet<int> keys;
    for (const AlarmLimit& l : read.limits) {
        FUZZ_CHECK(AlarmLimitProblem(l).isEmpty());
        FUZZ_CHECK(!keys.contains(l.address * 2 + int(l.quantity)));
        keys.insert(l.address * 2 + int(l.quantity));
    }
    for (const QString& problem : read.problems) FUZZ_CHECK(problem.startsWith(QStringLiteral("строка ")));
    FUZZ_CHECK(ParseAlarmLimits(UpdateAlarmLimitsText(bytes, read.limits)).limits == read.limits);
    return 0;
}
