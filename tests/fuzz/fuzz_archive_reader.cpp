// The archive file viewer's reader: any file's bytes become lines and points without harm, and
// lines that hold only characters of the code page are saved as bytes that read back as the same
// lines, so a viewed archive can be saved again unchanged.
//
// Input: the file's bytes.
#include "ArchiveFile.h"
#include "FuzzCheck.h"

#include <cmath>
#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = DecodeArchiveLines(bytes);
    bool encodable = true;
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        ArchivePoint point;
        if (ParseArchiveLine(line, &point)) {
            FUZZ_CHECK(std::isfinite(point.Value1) && std::isfinite(point.Value2) && std::isfinite(point.Value3));
        } else {
            FUZZ_CHECK(!InvalidDateTimeMessage(ArchiveDateTimeText(line)).isEmpty());
        }
        encodable = encodable && !line.contains(QChar::ReplacementCharacter);
    }
    if (encodable) {
        int unencodable = -1;
        const QByteArray saved = EncodeArchiveLines(lines, &unencodable);
        FUZZ_CHECK(unencodable == 0);
        FUZZ_CHECK(DecodeArchiveLines(saved) == lines);
    }
    return 0;
}
