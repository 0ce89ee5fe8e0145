#pragma once
// Archive download: one block of 122 registers per request slot into an image of the
// instrument's archive area, and the listing of its records as text lines, oldest first.

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

namespace qm {

class PollEngine;
class Panel;
class Port;

constexpr int ArchiveSpan = 1600;          // register count of the completion test
constexpr int ArchiveSlots = 200;          // record slots of the instrument's ring
constexpr int ArchiveHeaderBytes = 10;     // image bytes before slot 1 (5 registers)
constexpr int ArchiveRecordBytes = 16;     // 8 registers a record
constexpr int ArchiveAreaRegisters = 1605; // wire 249..1853: the count, 4 spare registers, 200 slots
constexpr int ArchiveImageSize = 10004;

// ArchiveImage: register k of the area (k = 0 for wire address 249) at bytes 2k (low), 2k+1 (high).
using ArchiveBytes = std::array<quint8, ArchiveImageSize>;

// The request slot while ReadArchive is pending: chooses the block, counts unanswered slots
// (more than 3 end the download, that slot's request still goes out), sends the request.
// Returns false, having ended the download and sent nothing, when the next block would start
// beyond the archive area (only after a last block answered with an exception); the engine then
// polls the measurement in this slot.
bool ArchiveRequestStep(PollEngine& engine, Port& port, Panel& panel);

// Progress of the block starting at registerStart, in percent: 7, 14, ..., 93, 100 (kept
// within 0..100 for a stray answer outside a download's blocks).
int ArchiveProgress(quint16 registerStart);

// For a CRC-valid frame while ArchiveMode is set (after the dispatch has shown the progress and
// set Answered): stores a function-3 block, then ends the download on an empty archive or
// writes the listing after the last block.
void ArchiveAnswerStep(PollEngine& engine, Panel& panel, const quint8* frame, int length);

// Copies registerCount registers of a function-3 answer into the image at its block, each
// register low byte first. A frame too short to carry them, or a block that would not fit the
// image, is refused whole (returns false, nothing written).
bool StoreArchiveBlock(ArchiveBytes& image, quint16 registerStart, int registerCount, const quint8* frame, int length);

// ArchiveRecordCount read from the image, reduced into 0..400 for the ring arithmetic.
int ListedRecordCount(const ArchiveBytes& image);

// The lines of the listing, oldest record first, every tenth with "     " and its line number.
QStringList ArchiveListing(const ArchiveBytes& image);

// The archive text line of record slot s (1..200) of the image.
QString FormatArchiveRecord(const ArchiveBytes& image, int slot);

// A float as fixed-point text with a "," mark, right-aligned in at least width characters.
QString ArchiveValueText(float value, int width, int decimals);

}  // namespace qm
