#include "ArchiveImage.h"

#include <algorithm>

namespace qm {

QString FormatArchiveRecord(const ArchiveBytes& image, int slot)
{
    if (slot < 1 || slot > ArchiveSlots) return QString();
    return FormatArchiveRecord(image.data() + ArchiveHeaderBytes + ArchiveRecordBytes * (slot - 1));
}

int ListedRecordCount(const ArchiveBytes& image)
{
    const int n = image[0] + 256 * image[1];
    // Beyond 400 the ring has wrapped more than once: the same slots are in use as for the
    // count reduced into 201..400 (the newest record sits in slot (N − 1) mod 200 + 1).
    return n > 2 * ArchiveSlots ? (n - ArchiveSlots - 1) % ArchiveSlots + ArchiveSlots + 1 : n;
}

QStringList ArchiveListing(const ArchiveBytes& image)
{
    const int n = ListedRecordCount(image);
    auto suffix = [](int line) { return line % 10 == 0 ? QStringLiteral("     ") + QString::number(line) : QString(); };
    QStringList lines;
    if (n <= ArchiveSlots) {
        for (int i = 1; i <= n; ++i) lines << FormatArchiveRecord(image, i) + suffix(i);
        return lines;
    }
    // Wrapped: from slot N − 199 up to 200, then from slot 1 up to N − 200.
    int o = n - ArchiveSlots;
    for (int i = 1; i <= ArchiveSlots; ++i) {
        if (o + i == ArchiveSlots + 1) o -= ArchiveSlots;
        lines << FormatArchiveRecord(image, i + o) + suffix(i);
    }
    return lines;
}

bool StoreArchiveBlock(ArchiveBytes& image, quint16 registerStart, int registerCount, const quint8* frame, int length,
                       ArchiveRegisters* stored)
{
    const int o = int(registerStart) - ArchiveFirstRegister;
    if (o < 0 || registerCount < 0 || o + registerCount > ArchiveImageRegisters) return false;
    // Address, function, byte count, the registers, the CRC: never read past the frame.
    if (!frame || length < 3 + 2 * registerCount + 2) return false;
    for (int i = 0; i < registerCount; ++i) {
        image[size_t(2 * (o + i))] = frame[4 + 2 * i];      // low byte
        image[size_t(2 * (o + i) + 1)] = frame[3 + 2 * i];  // high byte
        if (stored) stored->set(size_t(o + i));
    }
    return true;
}

int ArchiveRegistersNeeded(const ArchiveBytes& image)
{
    const int listed = std::min(ListedRecordCount(image), ArchiveSlots);
    return (ArchiveHeaderBytes + ArchiveRecordBytes * listed) / 2;
}

}  // namespace qm
