// The archive download of the poll engine: the request slot while a download is the walk's
// business, and the answers to its reads.
#include "ArchiveDownload.h"

#include "Panel.h"
#include "PollEngine.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr int kFirst = ArchiveFirstRegister;  // 250, wire address 249
constexpr int kBlock = ArchiveDownload::Registers;
// Unanswered archive slots in a row that a download survives; the next one ends it.
constexpr int kArchiveRetryLimit = 3;

}  // namespace

int ArchiveProgress(quint16 registerStart)
{
    const long percent = std::lround((int(registerStart) - kFirst + kBlock) / 122.0 * 7.12);
    return int(std::clamp(percent, 0L, 100L));
}

// --- What a download keeps ---------------------------------------------------------------

void ArchiveDownload::start(quint8 address)
{
    m_running = true;
    m_address = address;
    m_block = kFirst;
    m_reads = {};
    m_image.fill(0);
    m_stored.reset();
}

bool ArchiveDownload::pastTheArea() const { return blockOffset() >= ArchiveAreaRegisters; }

bool ArchiveDownload::atLastBlock() const { return int(m_block) >= kFirst + ArchiveSpan - kBlock; }

void ArchiveDownload::noteRead(quint32 request)
{
    std::move_backward(m_reads.begin(), m_reads.end() - 1, m_reads.end());
    m_reads.front() = ArchiveRead{request, m_address, m_block};
}

const ArchiveRead* ArchiveDownload::find(quint32 request) const
{
    if (request == 0) return nullptr;
    for (const ArchiveRead& read : m_reads)
        if (read.request == request) return &read;
    return nullptr;
}

bool ArchiveDownload::storeBlock(const quint8* frame, int length)
{
    return StoreArchiveBlock(m_image, m_block, kBlock, frame, length, &m_stored);
}

int ArchiveDownload::recordCount() const { return countStored() ? std::min(ListedRecordCount(m_image), ArchiveSlots) : -1; }

int ArchiveDownload::recordsRead() const
{
    constexpr int slotRegisters = ArchiveRecordBytes / 2;
    int read = 0;
    for (int slot = 0; slot < recordCount(); ++slot) {
        const int first = ArchiveHeaderBytes / 2 + slot * slotRegisters;
        bool whole = true;
        for (int r = first; r < first + slotRegisters && whole; ++r) whole = m_stored.test(size_t(r));
        read += whole ? 1 : 0;
    }
    return read;
}

bool ArchiveDownload::hasWhatTheListingNeeds() const
{
    // The registers needed always include the record count, so the listing never reads an
    // unstored count.
    const int needed = ArchiveRegistersNeeded(m_image);
    for (int r = 0; r < needed; ++r)
        if (!m_stored.test(size_t(r))) return false;
    return true;
}

// --- The engine's slots and answers ------------------------------------------------------

void PollEngine::ReadArchive()
{
    // A press during a download continues it; any other press starts at the first block, even
    // when the last download ended less than a slot ago.
    if (auto* downloading = std::get_if<Downloading>(&m_business)) {
        downloading->unansweredSlots = 0;
    } else {
        m_business = Downloading{};
        // What the running slot asked of the last download is not wanted any more: the new
        // download starts from its first block at the next slot.
        m_download.withdrawBlock();
    }
}

// The request slot of a download: chooses the block, counts unanswered slots, sends the request.
// A download starts from an empty image, for the instrument in "NUM" at its first request; a new
// number in "NUM" starts it again. Returns false, having sent nothing, when the download has
// ended here (a fourth unanswered slot: the archive was not read); the slot then polls the
// measurement.
bool PollEngine::ArchiveRequestStep(Downloading& business)
{
    const quint8 address = RequestAddress();
    if (business.fromStart || address != m_download.address()) {
        // A new download, or another instrument chosen in "NUM" during one.
        if (!business.fromStart) business.unansweredSlots = 0;
        business.fromStart = false;
        m_download.start(address);
        TellDownloadProgress(0);
    } else if (m_answered) {
        m_download.nextBlock();
    }

    if (m_answered)
        business.unansweredSlots = 0;
    else
        ++business.unansweredSlots;
    // A fourth slot in a row without the block, or a block beyond the area (which the answer of
    // the last one never leads to): the archive was not read.
    if (business.unansweredSlots > kArchiveRetryLimit || m_download.pastTheArea()) {
        FailDownload();
        return false;
    }

    m_answered = false;
    SendRead(address, quint16(m_download.block() - 1), quint8(kBlock));
    m_download.noteRead(m_link.RequestsSent());
    ShowStatus(walk::ArchiveRequested{address});
    m_slotRequest = ArchiveBlockRead{};
    return true;
}

// For a CRC-valid frame while the slot's answers are judged as the download's, or one that
// answers an archive read of the current download. The frame answers the latest request written
// before it began; it is taken only as the block that request asked for, and only while that
// block is still wanted (a late answer to a repeated read, say), never as the block asked for
// since. Shows the progress, sets Answered and stores a function-3 block; ends the download on
// an empty archive, after the last block (the listing, or none when a block it needs is missing)
// or when the instrument refuses a block the listing needs. Returns false for a frame that
// answers nothing still asked for: it is then no answer at all.
bool PollEngine::ArchiveAnswerStep()
{
    const quint8* frame = m_link.RxBuffer();
    const int length = m_link.RxCount();
    if (length < 3) return false;
    const bool onTime = m_link.FrameBeganAfter() == m_link.RequestsSent();
    const ArchiveRead* read = m_download.find(m_link.FrameBeganAfter());
    const ArchiveRead* asked = m_download.newest();
    const bool downloading = m_download.running() && asked && asked->request == m_link.RequestsSent();
    const bool wanted = downloading && read && !m_answered && read->address == asked->address
                        && read->registerStart == asked->registerStart;
    if (!onTime && !wanted) return false;

    m_pollAddress = frame[0];  // the walk goes on from whoever answered
    m_answered = true;
    if (!wanted) {
        // A command's answer during a download, or one after the download has ended: no block.
        ShowArchiveProgress(read ? read->registerStart : m_download.block());
        return true;
    }

    const bool last = m_download.atLastBlock();
    if (frame[1] != modbus::ReadHoldingRegisters) {
        // The instrument refused the block: the download moves on, unless the listing needs it.
        if (!m_download.countStored() || m_download.blockOffset() < ArchiveRegistersNeeded(m_download.image())) {
            FailDownload();
            return true;
        }
        ShowArchiveProgress(m_download.block());
        TellDownloadProgress(ArchiveProgress(m_download.block()));
        if (last) FinishDownload();
        return true;
    }

    if (frame[0] != read->address || !m_download.storeBlock(frame, length)) {
        // Another instrument's frame or a block cut short is not taken: the next slot asks again.
        m_answered = false;
        return true;
    }
    ShowArchiveProgress(m_download.block());
    TellDownloadProgress(ArchiveProgress(m_download.block()));

    if (m_download.blockOffset() == 0 && m_download.empty()) {
        m_panel.archiveDownloadEnded({ArchiveOutcome::Kind::Empty, m_download.address(), {}});
        EndDownload();
        return true;
    }
    if (last) FinishDownload();
    return true;
}

void PollEngine::ShowArchiveProgress(quint16 registerStart)
{
    ShowStatus(walk::ArchiveProgress{m_pollAddress, ArchiveProgress(registerStart)});
}

void PollEngine::TellDownloadProgress(int percent)
{
    m_panel.archiveProgress({m_download.address(), percent, m_download.recordsRead(), m_download.recordCount()});
}

// A download that did not get every block its listing needs says so, in the status line and
// in the archive text area, so that no earlier listing stays there as if it were this one's.
void PollEngine::FailDownload()
{
    ShowStatus(walk::ArchiveNotRead{m_download.address()});
    m_panel.archiveDownloadEnded({ArchiveOutcome::Kind::NotRead, m_download.address(), {}});
    EndDownload();
}

// After the last block: the listing when every record it names came in whole in this download.
void PollEngine::FinishDownload()
{
    if (!m_download.hasWhatTheListingNeeds()) {
        FailDownload();
        return;
    }
    m_panel.archiveDownloadEnded({ArchiveOutcome::Kind::Listed, m_download.address(), ArchiveListing(m_download.image())});
    EndDownload();
}

// Cut short by a command sent in its place, by the link taken down or by a new connect: said so in
// the archive text area as well, for the same reason. The status line keeps what the walk does.
void PollEngine::AbandonDownload()
{
    if (!m_download.running()) return;
    m_download.finish();
    m_panel.archiveDownloadEnded({ArchiveOutcome::Kind::Abandoned, m_download.address(), {}});
}

// A download ended. The next press starts at the first block even when it comes before the next
// measurement request, instead of going on past the last block. Whatever a command pressed
// meanwhile asked for is dropped with it.
void PollEngine::EndDownload()
{
    m_business = Measuring{};
    m_download.finish();
}

}  // namespace qm
