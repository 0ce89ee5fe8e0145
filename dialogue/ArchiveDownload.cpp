#include "ArchiveDownload.h"

#include "InstrumentCommands.h"
#include "Panel.h"
#include "PollEngine.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr int kFirst = PollEngine::ArchiveFirstRegister;  // 250, wire address 249
constexpr int kBlock = PollEngine::ArchiveBlockSize;      // 122 registers, 244 data bytes

// A download ended. The next press starts at the first block even when it comes before the next
// measurement request (which would reset the block anyway), instead of going on past the last
// block. Whatever a command pressed meanwhile asked for is dropped with it.
void EndDownload(PollEngine& engine)
{
    engine.PendingRequest = PollEngine::ReadMeasurement;
    engine.ArchiveLog.finish();
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

namespace {

bool AllStored(const ArchiveRegisters& stored, int registers)
{
    for (int r = 0; r < registers; ++r)
        if (!stored.test(size_t(r))) return false;
    return true;
}

void ShowProgress(PollEngine& engine, Panel& panel, quint16 registerStart)
{
    panel.setStatusText(QString::number(engine.PollAddress) + QStringLiteral("-АРХИВ-  ")
                        + QString::number(ArchiveProgress(registerStart)) + QStringLiteral(" %"));
}

// A download that did not get every block its listing needs says so, in the status line and
// in Memo1, so that no earlier listing stays there as if it were this instrument's.
void FailDownload(PollEngine& engine, Panel& panel)
{
    panel.setStatusText(QString::number(engine.CommandAddress) + QLatin1Char('-') + ArchiveNotReadText);
    panel.clearMemo();
    panel.addMemoLine(ArchiveNotReadText);
    EndDownload(engine);
}

// After the last block: the listing when every record it names came in whole in this download.
void FinishDownload(PollEngine& engine, Panel& panel)
{
    if (!engine.ArchiveStored.test(0) || !AllStored(engine.ArchiveStored, ArchiveRegistersNeeded(engine.ArchiveImage))) {
        FailDownload(engine, panel);
        return;
    }
    panel.clearMemo();
    for (const QString& line : ArchiveListing(engine.ArchiveImage)) panel.addMemoLine(line);
    EndDownload(engine);
}

}  // namespace

bool ArchiveRequestStep(PollEngine& engine, Port& port, Panel& panel)
{
    const quint8 address = CommandAddressValue(panel);
    engine.RegisterCount = kBlock;
    if (engine.RegisterStart == 1 || address != engine.CommandAddress) {
        // A new download, or another instrument chosen in "NUM" during one: from the first
        // block into an empty image, so that no byte of another download can be listed.
        if (engine.RegisterStart != 1) engine.ArchiveRetries = 0;
        engine.RegisterStart = kFirst;
        engine.ArchiveImage.fill(0);
        engine.ArchiveStored.reset();
        engine.ArchiveLog.start();
    } else if (engine.Answered) {
        engine.RegisterStart = quint16(engine.RegisterStart + kBlock);
    }

    if (engine.Answered)
        engine.ArchiveRetries = 0;
    else
        ++engine.ArchiveRetries;
    // A fourth slot in a row without the block, or a block beyond the area (which the answer of
    // the last one never leads to): the archive was not read. No request goes out for a download
    // that has ended; the slot polls the measurement instead.
    if (engine.ArchiveRetries > 3 || int(engine.RegisterStart) - kFirst >= ArchiveAreaRegisters) {
        FailDownload(engine, panel);
        return false;
    }

    engine.Answered = false;
    engine.CommandAddress = address;

    const int wireStart = engine.RegisterStart - 1;
    quint8* tx = engine.Link.TxBuffer;
    tx[0] = engine.CommandAddress;
    tx[1] = 0x03;
    tx[2] = quint8(wireStart >> 8);
    tx[3] = quint8(wireStart & 0xFF);
    tx[4] = 0x00;
    tx[5] = engine.RegisterCount;
    engine.Link.Send(port, 6);
    engine.ArchiveLog.add({engine.Link.RequestsSent, engine.CommandAddress, engine.RegisterStart});
    panel.setStatusText(QString::number(engine.CommandAddress) + QStringLiteral("-АРХИВ-  "));
    engine.ArchiveMode = true;
    return true;
}

bool ArchiveAnswerStep(PollEngine& engine, Panel& panel, const quint8* frame, int length)
{
    if (!frame || length < 3) return false;
    const RtuLink& link = engine.Link;
    // The frame answers the latest request written before it began (the timing is known tick
    // by tick). One that began before the latest request is not that request's answer: it
    // counts only as the block still asked for, when the read it answers asked for that same
    // block (the answer to a repeated read that came late); anything else is no answer at all.
    const bool onTime = link.FrameBeganAfter == link.RequestsSent;
    const ArchiveRead* read = engine.ArchiveLog.find(link.FrameBeganAfter);
    const ArchiveRead* asked = engine.ArchiveLog.newest();
    const bool downloading = !engine.ArchiveLog.finished() && asked && asked->request == link.RequestsSent;
    const bool wanted = downloading && read && !engine.Answered && read->address == asked->address
                        && read->registerStart == asked->registerStart;
    if (!onTime && !wanted) return false;

    engine.LinkUp = true;
    engine.PollAddress = frame[0];  // the walk goes on from whoever answered
    engine.Answered = true;
    if (!wanted) {
        // A command's answer during a download, or one after the download has ended: no block.
        ShowProgress(engine, panel, read ? read->registerStart : engine.RegisterStart);
        return true;
    }

    const int offset = int(engine.RegisterStart) - kFirst;
    const bool last = int(engine.RegisterStart) >= kFirst + ArchiveSpan - int(engine.RegisterCount);
    if (frame[1] != 3) {
        // The instrument refused the block: the download moves on, unless the listing needs it.
        if (!engine.ArchiveStored.test(0) || offset < ArchiveRegistersNeeded(engine.ArchiveImage)) {
            FailDownload(engine, panel);
            return true;
        }
        ShowProgress(engine, panel, engine.RegisterStart);
        if (last) FinishDownload(engine, panel);
        return true;
    }

    if (frame[0] != read->address
        || !StoreArchiveBlock(engine.ArchiveImage, engine.RegisterStart, engine.RegisterCount, frame, length,
                              &engine.ArchiveStored)) {
        // Another instrument's frame or a block cut short is not taken: the next slot asks again.
        engine.Answered = false;
        return true;
    }
    ShowProgress(engine, panel, engine.RegisterStart);

    if (offset == 0 && engine.ArchiveImage[0] == 0 && engine.ArchiveImage[1] == 0) {
        panel.clearMemo();
        panel.addMemoLine(QStringLiteral("АРХИВ ОТСУТСТВУЕТ"));
        EndDownload(engine);
        return true;
    }
    if (last) FinishDownload(engine, panel);
    return true;
}

}  // namespace qm
