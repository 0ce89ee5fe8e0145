#pragma once
// Archive download: one block of 122 registers per request slot into an image of the
// instrument's archive area, and the listing of its records as text lines, oldest first.

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <bitset>

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
// Which registers of the image the current download has stored.
using ArchiveRegisters = std::bitset<ArchiveImageSize / 2>;

// The archive reads of the current or last download, so that a frame can be matched to the read
// it answers: the latest request written before the frame began (RtuLink::FrameBeganAfter).
struct ArchiveRead {
    quint32 request = 0;  // RtuLink::RequestsSent once this read was written
    quint8 address = 0;
    quint16 registerStart = 0;
};
class ArchiveReads {
public:
    void start();  // a new download: no reads yet
    void add(const ArchiveRead& read);
    void finish() { m_finished = true; }  // the download has ended
    bool finished() const { return m_finished; }
    // The latest read of the download, or nullptr before its first.
    const ArchiveRead* newest() const { return m_reads.front().request ? &m_reads.front() : nullptr; }
    // The read written as that request, or nullptr when it was no archive read of this download
    // (or lies further back than a frame can sensibly answer).
    const ArchiveRead* find(quint32 request) const;

private:
    std::array<ArchiveRead, 4> m_reads{};  // newest first; request 0 is none
    bool m_finished = true;
};

// Texts of a download that did not get every block its listing needs.
inline const QString ArchiveNotReadText = QStringLiteral("АРХИВ НЕ ПРОЧИТАН");

// The request slot while ReadArchive is pending: chooses the block, counts unanswered slots,
// sends the request. A download starts from an empty image, for the instrument in "NUM" at its
// first request; a new number in "NUM" starts it again. Returns false, having sent nothing, when
// the download has ended here (a fourth unanswered slot: the archive was not read); the engine
// then polls the measurement in this slot.
bool ArchiveRequestStep(PollEngine& engine, Port& port, Panel& panel);

// Progress of the block starting at registerStart, in percent: 7, 14, ..., 93, 100 (kept
// within 0..100 for a stray answer outside a download's blocks).
int ArchiveProgress(quint16 registerStart);

// For a CRC-valid frame while ArchiveMode is set, or one that answers an archive read of the
// current download. The frame answers the latest request written before it began; it is taken
// only as the block that request asked for, and only while that block is still wanted (a late
// answer to a repeated read, say), never as the block asked for since. Shows the progress, sets
// Answered and stores a function-3 block; ends the download on an empty archive, after the last
// block (the listing, or "АРХИВ НЕ ПРОЧИТАН" when a block it needs is missing) or when the
// instrument refuses a block the listing needs. Returns false for a frame that answers nothing
// still asked for: it is then no answer at all.
bool ArchiveAnswerStep(PollEngine& engine, Panel& panel, const quint8* frame, int length);

// Copies registerCount registers of a function-3 answer into the image at its block, each
// register low byte first, and marks them in stored (when given). A frame too short to carry
// them, or a block that would not fit the image, is refused whole (returns false, nothing written).
bool StoreArchiveBlock(ArchiveBytes& image, quint16 registerStart, int registerCount, const quint8* frame, int length,
                       ArchiveRegisters* stored = nullptr);

// How many registers from the start of the area the listing of the image needs: the count and
// the spare registers, and every slot it lists.
int ArchiveRegistersNeeded(const ArchiveBytes& image);

// ArchiveRecordCount read from the image, reduced into 0..400 for the ring arithmetic.
int ListedRecordCount(const ArchiveBytes& image);

// The lines of the listing, oldest record first, every tenth with "     " and its line number.
QStringList ArchiveListing(const ArchiveBytes& image);

// The archive text line of record slot s (1..200) of the image. A record whose date cannot be
// right (a year byte above 99, or minutes beyond the end of its year) is written with a
// three-digit year: the listing keeps what the instrument holds, and the archive chart, which
// plots only the years that two-digit years stand for, leaves it out.
QString FormatArchiveRecord(const ArchiveBytes& image, int slot);

// A float as fixed-point text with a "," mark, right-aligned in at least width characters.
QString ArchiveValueText(float value, int width, int decimals);

}  // namespace qm
