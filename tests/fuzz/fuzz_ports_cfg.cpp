// ports.cfg: any text maps only COM1 ... COM17, each to a trimmed, non-empty device path.
//
// Input: the file's bytes (read as UTF-8, as the program reads them).
#include "FuzzCheck.h"
#include "PortNames.h"

#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QMap<int, QString> mapped = ParsePortsConfig(text);
    for (auto it = mapped.cbegin(); it != mapped.cend(); ++it) {
        FUZZ_CHECK(it.key() >= 0 && it.key() < PortCount);
        FUZZ_CHECK(!it.value().isEmpty() && it.value() == it.value().trimmed());
    }
    return 0;
}
