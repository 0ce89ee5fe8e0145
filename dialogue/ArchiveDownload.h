#pragma once
// Archive download: one block of 122 registers per request slot into an image of the
// instrument's archive area, and the listing of its records as text lines, oldest first.

#include "ArchiveImage.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

namespace qm {

class PollEngine;
class Panel;
class Port;

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

}  // namespace qm
