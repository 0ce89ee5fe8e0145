// The archive listing: an instrument's archive area as downloaded, whatever it holds, becomes at
// most 200 text lines of bounded length.
//
// Input: the image of the archive area (shorter inputs are padded with zeros).
#include "ArchiveDownload.h"
#include "FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ArchiveBytes image{};
    std::memcpy(image.data(), data, std::min(size, image.size()));
    const QStringList lines = ArchiveListing(image);
    FUZZ_CHECK(lines.size() <= ArchiveSlots);
    for (const QString& line : lines) FUZZ_CHECK(line.size() < 200);
    return 0;
}
