#pragma once
// The archive download: one block of 122 registers per request slot into an image of the
// instrument's archive area, then its listing. The slots that ask and the judging of answers are
// the poll engine's (ArchiveDownload.cpp); this is what a download keeps from its first request
// until it ends, and after, so that a late answer to one of its reads is known as such.

#include "ArchiveImage.h"

#include <QtGlobal>

#include <array>

namespace qm {

// One archive read of a download, so that a frame can be matched to the read it answers: the
// latest request written before the frame began (RtuLink::FrameBeganAfter).
struct ArchiveRead {
    quint32 request = 0;  // RtuLink::RequestsSent once this read was written
    quint8 address = 0;
    quint16 registerStart = 0;
};

class ArchiveDownload {
public:
    // A new download for the instrument at address, from the first block into an empty image,
    // so that nothing of another download is ever listed.
    void start(quint8 address);
    // The download has ended (listed, empty or given up).
    void finish() { m_running = false; }
    bool running() const { return m_running; }

    quint8 address() const { return m_address; }
    // The block asked for last, by its first register (one-based: 250 is the area's first).
    quint16 block() const { return m_block; }
    void nextBlock() { m_block = quint16(m_block + Registers); }
    // A new press of "Читать архив из QM" after another request was chosen: the block in flight
    // is no longer wanted. Its answer, still judged as this download's, is then no block at all.
    void withdrawBlock() { m_block = WithdrawnBlock; }
    // The block lies beyond the archive area: no such read ever goes out.
    bool pastTheArea() const;
    // The block is the last the area holds.
    bool atLastBlock() const;
    // Registers from the area's start to the block.
    int blockOffset() const { return int(m_block) - ArchiveFirstRegister; }

    // The read of the current block was written as request number `request`.
    void noteRead(quint32 request);
    // The latest read, or nullptr before the first.
    const ArchiveRead* newest() const { return m_reads.front().request ? &m_reads.front() : nullptr; }
    // The read written as that request, or nullptr when it was no archive read of this download
    // (or lies further back than a frame can sensibly answer).
    const ArchiveRead* find(quint32 request) const;

    // Stores the current block from a function-3 answer; false, nothing stored, when the answer
    // is too short for it.
    bool storeBlock(const quint8* frame, int length);
    // The first register of the area (the record count) came in.
    bool countStored() const { return m_stored.test(0); }
    // Every register the listing needs came in during this download.
    bool hasWhatTheListingNeeds() const;
    // The archive holds no record: its count, stored by this download, is 0.
    bool empty() const { return m_image[0] == 0 && m_image[1] == 0; }
    // The records its listing will hold (at most 200), -1 until this download stored the count;
    // and how many of them lie in slots this download has stored whole.
    int recordCount() const;
    int recordsRead() const;

    const ArchiveBytes& image() const { return m_image; }

    static constexpr int Registers = 122;  // a block
    static constexpr quint16 WithdrawnBlock = 1;  // a block that lies before the area

private:
    bool m_running = false;
    quint8 m_address = 0;
    quint16 m_block = ArchiveFirstRegister;
    std::array<ArchiveRead, 4> m_reads{};  // newest first; request 0 is none
    ArchiveBytes m_image{};
    ArchiveRegisters m_stored;  // registers of the image that this download stored
};

// Progress of the block starting at registerStart, in percent: 7, 14, ..., 93, 100 (kept
// within 0..100 for a stray answer outside a download's blocks).
int ArchiveProgress(quint16 registerStart);

}  // namespace qm
