#pragma once
// The instrument's archive area as a download reads it: the record count, four spare registers
// and a ring of 200 record slots, kept as an image of bytes, and the listing of its records as
// archive text lines, oldest first.

#include "ArchiveRecord.h"
#include "ModbusProtocol.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <bitset>

namespace qm {

constexpr int ArchiveSpan = 1600;           // register count of the completion test
constexpr int ArchiveSlots = 200;           // record slots of the instrument's ring
constexpr int ArchiveHeaderBytes = 10;      // image bytes before slot 1 (5 registers)
constexpr int ArchiveAreaRegisters = qm4700::ArchiveAreaRegisters;  // wire 249..1853: the count, 4 spare registers, 200 slots
constexpr int ArchiveImageSize = 10004;
constexpr int ArchiveImageRegisters = ArchiveImageSize / 2;
constexpr int ArchiveFirstRegister = qm4700::ArchiveFirstRegister;  // one-based number of wire address 249

// Register k of the area (k = 0 for wire address 249) at bytes 2k (low), 2k+1 (high).
using ArchiveBytes = std::array<quint8, ArchiveImageSize>;
// Which registers of the image a download has stored.
using ArchiveRegisters = std::bitset<ArchiveImageRegisters>;

// Copies registerCount registers of a function-3 answer into the image at its block, each
// register low byte first, and marks them in stored (when given). A frame too short to carry
// them, or a block that would not fit the image, is refused whole (returns false, nothing written).
// registerStart is one-based, as the download keeps it: 250 is the area's first register.
bool StoreArchiveBlock(ArchiveBytes& image, quint16 registerStart, int registerCount, const quint8* frame, int length,
                       ArchiveRegisters* stored = nullptr);

// How many registers from the start of the area the listing of the image needs: the count and
// the spare registers, and every slot it lists.
int ArchiveRegistersNeeded(const ArchiveBytes& image);

// ArchiveRecordCount read from the image, reduced into 0..400 for the ring arithmetic.
int ListedRecordCount(const ArchiveBytes& image);

// The lines of the listing, oldest record first, every tenth with "     " and its line number.
QStringList ArchiveListing(const ArchiveBytes& image);

// The archive text line of record slot s (1..200) of the image; empty for any other slot.
QString FormatArchiveRecord(const ArchiveBytes& image, int slot);

}  // namespace qm
