#pragma once
// The archive download: one block of 122 registers per request slot into an image of the
// instrument's archive area, then its listing in Memo1. The download is part of the poll
// engine's state machine (PollEngine::ReadArchive and its steps, in ArchiveDownload.cpp); here
// are the pieces it keeps besides the image.

#include "ArchiveImage.h"

#include <QString>
#include <QtGlobal>

#include <array>

namespace qm {

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

// Progress of the block starting at registerStart, in percent: 7, 14, ..., 93, 100 (kept
// within 0..100 for a stray answer outside a download's blocks).
int ArchiveProgress(quint16 registerStart);

}  // namespace qm
