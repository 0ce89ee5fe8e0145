// The settings file it.cfg: any bytes give a consistent read (values up to the first bad line,
// a message for that line), and whatever the read gave is written as a file that reads back as
// the same eighteen values.
//
// Input: the file's bytes; the first byte's low bit says whether they are the whole file or only
// its beginning (a file larger than the reader looks at).
#include "FuzzCheck.h"
#include "Settings.h"

#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool whole = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const SettingsRead read = ParseSettings(bytes, whole);
    FUZZ_CHECK(read.exists);
    FUZZ_CHECK(read.valuesRead >= 0 && read.valuesRead <= SettingsLineCount);
    FUZZ_CHECK(read.linesPresent >= 0 && read.linesPresent <= read.valuesRead);
    if (read.failed) {
        FUZZ_CHECK(read.failedLine >= 1 && read.failedLine <= SettingsLineCount);
        FUZZ_CHECK(read.valuesRead == read.failedLine - 1);
        FUZZ_CHECK(!read.message.isEmpty());
    } else {
        FUZZ_CHECK(read.valuesRead == SettingsLineCount && read.message.isEmpty());
    }
    for (int i = read.linesPresent; i < SettingsLineCount; ++i) FUZZ_CHECK(read.values[size_t(i)] == 0);

    const Settings settings = WithReadValues(Settings{}, read);
    const SettingsRead again = ParseSettings(FormatSettings(settings));
    FUZZ_CHECK(!again.failed && again.linesPresent == SettingsLineCount);
    FUZZ_CHECK(WithReadValues(Settings{}, again) == settings);
    return 0;
}
