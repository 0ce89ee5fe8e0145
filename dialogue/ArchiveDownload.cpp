// The archive download of the poll engine: the request slot while ReadArchive is pending and the
// answers to its reads.
#include "ArchiveDownload.h"

#include "Panel.h"
#include "PollEngine.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr int kFirst = ArchiveFirstRegister;            // 250, wire address 249
constexpr int kBlock = PollEngine::ArchiveBlockSize;      // 122 registers, 244 data bytes
// Unanswered archive slots in a row that a download survives; the next one ends it.
constexpr int kArchiveRetryLimit = 3;

bool AllStored(const ArchiveRegisters& stored, int registers)
{
    for (int r = 0; r < registers; ++r)
        if (!stored.test(size_t(r))) return false;
    return true;
}

}  // namespace

int ArchiveProgress(quint16 registerStart)
{
    const long percent = std::lround((int(registerStart) - kFirst + kBlock) / 122.0 * 7.12);
    return int(std::clamp(percent, 0L, 100L));
}

void ArchiveReads::start()
{
    m_reads = {};
    m_finished = false;
}

void ArchiveReads::add(const ArchiveRead& read)
{
    std::move_backward(m_reads.begin(), m_reads.end() - 1, m_reads.end());
    m_reads.front() = read;
}

const ArchiveRead* ArchiveReads::find(quint32 request) const
{
    if (request == 0) return nullptr;
    for (const ArchiveRead& read : m_reads)
        if (read.request == request) return &read;
    return nullptr;
}

void PollEngine::ReadArchive()
{
    // A press during a download continues it; any other press starts at the first block, even
    // when the last download ended less than a slot ago and left RegisterStart at its last block.
    if (m_pendingRequest != RequestKind::ReadArchive) m_registerStart = 1;
    m_pendingRequest = RequestKind::ReadArchive;
    m_archiveRetries = 0;
}

// The request slot while ReadArchive is pending: chooses the block, counts unanswered slots,
// sends the request. A download starts from an empty image, for the instrument in "NUM" at its
// first request; a new number in "NUM" starts it again. Returns false, having sent nothing, when
// the download has ended here (a fourth unanswered slot: the archive was not read); the slot then
// polls the measurement.
bool PollEngine::ArchiveRequestStep()
{
    const quint8 address = RequestAddress();
    m_registerCount = kBlock;
    if (m_registerStart == 1 || address != m_commandAddress) {
        // A new download, or another instrument chosen in "NUM" during one: from the first
        // block into an empty image, so that no byte of another download can be listed.
        if (m_registerStart != 1) m_archiveRetries = 0;
        m_registerStart = kFirst;
        m_archiveImage.fill(0);
        m_archiveStored.reset();
        m_archiveLog.start();
    } else if (m_answered) {
        m_registerStart = quint16(m_registerStart + kBlock);
    }

    if (m_answered)
        m_archiveRetries = 0;
    else
        ++m_archiveRetries;
    // A fourth slot in a row without the block, or a block beyond the area (which the answer of
    // the last one never leads to): the archive was not read. No request goes out for a download
    // that has ended; the slot polls the measurement instead.
    if (m_archiveRetries > kArchiveRetryLimit || int(m_registerStart) - kFirst >= ArchiveAreaRegisters) {
        FailDownload();
        return false;
    }

    m_answered = false;
    m_commandAddress = address;
    SendRead(m_commandAddress);
    m_archiveLog.add({m_link.RequestsSent(), m_commandAddress, m_registerStart});
    ShowStatus(m_commandAddress, QStringLiteral("-АРХИВ-  "));
    m_archiveMode = true;
    return true;
}

// For a CRC-valid frame while ArchiveMode is set, or one that answers an archive read of the
// current download. The frame answers the latest request written before it began; it is taken
// only as the block that request asked for, and only while that block is still wanted (a late
// answer to a repeated read, say), never as the block asked for since. Shows the progress, sets
// Answered and stores a function-3 block; ends the download on an empty archive, after the last
// block (the listing, or "АРХИВ НЕ ПРОЧИТАН" when a block it needs is missing) or when the
// instrument refuses a block the listing needs. Returns false for a frame that answers nothing
// still asked for: it is then no answer at all.
bool PollEngine::ArchiveAnswerStep()
{
    const quint8* frame = m_link.RxBuffer();
    const int length = m_link.RxCount();
    if (length < 3) return false;
    // The frame answers the latest request written before it began (the timing is known tick
    // by tick). One that began before the latest request is not that request's answer: it
    // counts only as the block still asked for, when the read it answers asked for that same
    // block (the answer to a repeated read that came late); anything else is no answer at all.
    const bool onTime = m_link.FrameBeganAfter() == m_link.RequestsSent();
    const ArchiveRead* read = m_archiveLog.find(m_link.FrameBeganAfter());
    const ArchiveRead* asked = m_archiveLog.newest();
    const bool downloading = !m_archiveLog.finished() && asked && asked->request == m_link.RequestsSent();
    const bool wanted = downloading && read && !m_answered && read->address == asked->address
                        && read->registerStart == asked->registerStart;
    if (!onTime && !wanted) return false;

    setLinkUp(true);
    m_pollAddress = frame[0];  // the walk goes on from whoever answered
    m_answered = true;
    if (!wanted) {
        // A command's answer during a download, or one after the download has ended: no block.
        ShowArchiveProgress(read ? read->registerStart : m_registerStart);
        return true;
    }

    const int offset = int(m_registerStart) - kFirst;
    const bool last = int(m_registerStart) >= kFirst + ArchiveSpan - int(m_registerCount);
    if (frame[1] != ReadRegistersFunction) {
        // The instrument refused the block: the download moves on, unless the listing needs it.
        if (!m_archiveStored.test(0) || offset < ArchiveRegistersNeeded(m_archiveImage)) {
            FailDownload();
            return true;
        }
        ShowArchiveProgress(m_registerStart);
        if (last) FinishDownload();
        return true;
    }

    if (frame[0] != read->address
        || !StoreArchiveBlock(m_archiveImage, m_registerStart, m_registerCount, frame, length, &m_archiveStored)) {
        // Another instrument's frame or a block cut short is not taken: the next slot asks again.
        m_answered = false;
        return true;
    }
    ShowArchiveProgress(m_registerStart);

    if (offset == 0 && m_archiveImage[0] == 0 && m_archiveImage[1] == 0) {
        m_panel.clearMemo();
        m_panel.addMemoLine(QStringLiteral("АРХИВ ОТСУТСТВУЕТ"));
        EndDownload();
        return true;
    }
    if (last) FinishDownload();
    return true;
}

void PollEngine::ShowArchiveProgress(quint16 registerStart)
{
    ShowStatus(m_pollAddress, QStringLiteral("-АРХИВ-  ") + QString::number(ArchiveProgress(registerStart)) + QStringLiteral(" %"));
}

// A download that did not get every block its listing needs says so, in the status line and
// in Memo1, so that no earlier listing stays there as if it were this instrument's.
void PollEngine::FailDownload()
{
    ShowStatus(m_commandAddress, QLatin1Char('-') + ArchiveNotReadText);
    m_panel.clearMemo();
    m_panel.addMemoLine(ArchiveNotReadText);
    EndDownload();
}

// After the last block: the listing when every record it names came in whole in this download.
void PollEngine::FinishDownload()
{
    // The registers needed always include the record count, so the listing never reads an unstored count.
    if (!AllStored(m_archiveStored, ArchiveRegistersNeeded(m_archiveImage))) {
        FailDownload();
        return;
    }
    m_panel.clearMemo();
    for (const QString& line : ArchiveListing(m_archiveImage)) m_panel.addMemoLine(line);
    EndDownload();
}

// A download ended. The next press starts at the first block even when it comes before the next
// measurement request (which would reset the block anyway), instead of going on past the last
// block. Whatever a command pressed meanwhile asked for is dropped with it.
void PollEngine::EndDownload()
{
    m_pendingRequest = RequestKind::ReadMeasurement;
    m_archiveLog.finish();
}

}  // namespace qm
