// The archive download in the poll engine, tick by tick: the blocks asked for, the progress
// texts, the listing, the empty archive, exception and missing answers, and commands or
// presses that cut in.
#include "ArchiveBlocks.h"
#include "PollRig.h"
#include "RecordBytes.h"

#include <map>
#include <optional>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

// An instrument's registers, served for function-3 reads of wire 0..1956; the archive area
// holds N records, record r in slot (r − 1) mod 200 + 1, pH 6.00 + r/100, a minute apart.
struct ArchiveInstrument {
    int address = 7;
    quint16 reg[1957] = {};
    QList<int> readStarts;  // wire start of every archive read received
    // Optional override of an archive read: given the wire start, the bytes to send instead
    // (an empty array: silence), or nothing to answer normally.
    std::function<std::optional<QByteArray>(int wireStart)> fault;

    explicit ArchiveInstrument(int n, int addr = 7) : address(addr)
    {
        reg[0] = quint16(0x1100 | addr);
        reg[8] = 15;
        reg[249] = quint16(n);
        for (int r = std::max(1, n - 199); r <= n; ++r) {
            const int slot = (r - 1) % 200 + 1;
            const int minutes = 339 * 1440 + 600 + r;  // 6 December, 10:00 + r minutes
            const RecordBytes b = EncodeRecord(26, minutes, 6.0f + r / 100.0f, -(r / 10.0f), 20.0f + r / 10.0f);
            quint16* w = reg + 254 + 8 * (slot - 1);
            for (size_t k = 0; k < b.size() / 2; ++k) w[k] = quint16(b[2 * k] | (b[2 * k + 1] << 8));
        }
    }

    QByteArray answer(const QByteArray& request)
    {
        if (quint8(request.at(0)) != address) return {};
        const int function = quint8(request.at(1));
        if (function == 6 || function == 0x10) return withCrc(request.left(6));
        const int start = (quint8(request.at(2)) << 8) | quint8(request.at(3));
        const int count = (quint8(request.at(4)) << 8) | quint8(request.at(5));
        if (count == 122) readStarts << start;
        if (fault && count == 122) {
            if (const std::optional<QByteArray> replaced = fault(start)) return *replaced;
        }
        if (start + count > 1957) return withCrc(QByteArray(1, char(address)) + hex("83 02"));
        QByteArray frame;
        frame.append(char(address));
        frame.append(char(3));
        frame.append(char(2 * count));
        for (int i = 0; i < count; ++i) {
            frame.append(char(reg[start + i] >> 8));
            frame.append(char(reg[start + i] & 0xFF));
        }
        return withCrc(frame);
    }
};

// A rig polling 1..10 with the instrument at 7 answering every request, the measurement at
// address 2 in flight when the download is asked for. The instrument's archive answers arrive
// archiveDelay ticks (of 100 ms) after their request; 0: before the next tick.
struct DownloadRig {
    PollRig rig{1, 10};
    ArchiveInstrument instrument;
    int archiveDelay = 0;
    std::map<int, QByteArray> arriving;  // by the tick that collects them

    explicit DownloadRig(int n) : instrument(n)
    {
        rig.setCommandAddress(7);
        rig.instruments = [this](const QByteArray& request) {
            const int address = quint8(request.at(0));
            if (address != 7) return measurementAnswer(address);
            if (archiveDelay == 0 || quint8(request.at(5)) != 122) return instrument.answer(request);
            arriving[rig.ticks + archiveDelay] += instrument.answer(request);
            return QByteArray();
        };
        rig.connect();
        EXPECT_EQ(tickUntilWrite(), 10);  // 1
        EXPECT_EQ(tickUntilWrite(), 10);  // 2
    }

    void tick()
    {
        if (const auto due = arriving.find(rig.ticks + 1); due != arriving.end()) {
            rig.port.arrive(due->second);
            arriving.erase(due);
        }
        rig.tick();
    }
    int tickUntilWrite(int limit = 100)
    {
        const qsizetype before = rig.port.writes.size();
        for (int i = 1; i <= limit; ++i) {
            tick();
            if (rig.port.writes.size() > before) return i;
        }
        return 0;
    }

    // Presses "Читать архив из QM" and runs slotCount until a measurement request goes out again.
    int download(int slotLimit = 40)
    {
        rig.engine.ReadArchive();
        int slotCount = 0;
        do {
            if (tickUntilWrite() != 10) return -1;
            ++slotCount;
        } while (quint8(rig.port.lastWrite().at(1)) == 3 && rig.port.lastWrite().size() == 8
                 && quint8(rig.port.lastWrite().at(5)) == 122 && slotCount < slotLimit);
        return slotCount;
    }
};

// Lines as one text, so that a failure shows them.
std::string text(const QStringList& lines) { return lines.join(QLatin1Char('\n')).toStdString(); }

// The listing of an instrument's archive as a download without faults gives it.
QStringList cleanListing(int n)
{
    DownloadRig d(n);
    d.download();
    return d.rig.panel.memo;
}

QByteArray archiveRequest(int address, int wireStart)
{
    QByteArray frame(1, char(address));
    frame += char(3);
    frame += char(wireStart >> 8);
    frame += char(wireStart & 0xFF);
    frame += hex("00 7A");
    return withCrc(frame);
}

TEST(ArchiveDownload, FourteenBlocksOneASlotThenTheListing)
{
    DownloadRig d(57);
    d.rig.panel.statusHistory.clear();
    const qsizetype firstWrite = d.rig.port.writes.size();
    const int slotCount = d.download();
    ASSERT_EQ(slotCount, 15);  // 14 blocks, then the measurement request

    // The requests on the wire: address 7, function 3, 122 registers from 249 on.
    for (int k = 0; k < 14; ++k) EXPECT_EQ(d.rig.port.writes.at(firstWrite + k), archiveRequest(7, 249 + 122 * k)) << k;
    EXPECT_EQ(d.instrument.readStarts, ArchiveBlockStarts());
    EXPECT_EQ(d.rig.port.writes.at(firstWrite).toHex(' '), QByteArray("07 03 00 f9 00 7a 14 7e"));
    EXPECT_EQ(d.rig.port.writes.at(firstWrite + 13).toHex(' '), QByteArray("07 03 07 2b 00 7a b5 33"));

    // Each block: sent, then its progress; no "-No" texts; the last answer shows 100 %.
    QStringList expected{"2-Ok!  "};
    const int percent[14] = {7, 14, 21, 28, 36, 43, 50, 57, 64, 71, 78, 85, 93, 100};
    for (int p : percent) expected << "7-АРХИВ-  " << QStringLiteral("7-АРХИВ-  %1 %").arg(p);
    expected << "8-";  // polling goes on after the commanded instrument
    EXPECT_EQ(d.rig.panel.statusHistory, expected);

    // 57 lines, oldest first, every tenth numbered.
    const QStringList& memo = d.rig.panel.memo;
    ASSERT_EQ(memo.size(), 57);
    EXPECT_EQ(memo.first(), "06.12.26 10:01    6,01      -0,1    20,1");
    EXPECT_EQ(memo.at(9), "06.12.26 10:10    6,10      -1,0    21,0     10");
    EXPECT_EQ(memo.last(), "06.12.26 10:57    6,57      -5,7    25,7");
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    EXPECT_EQ(d.rig.engine.PollAddress(), 8);
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
    EXPECT_FALSE(d.rig.engine.DownloadRunning());
}

TEST(ArchiveDownload, AddressStaysWithTheDownloadAndTheImageIsByteSwapped)
{
    DownloadRig d(3);
    d.rig.engine.ReadArchive();
    // Block 1 to 7. The answer of 2 came in after the press, so the walk was not moved on.
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);
    ASSERT_EQ(d.rig.engine.PollAddress(), 2);
    d.rig.tick(5);
    EXPECT_EQ(d.rig.engine.PollAddress(), 7);  // the answering instrument, not moved on
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadArchive);
    // Register 249 holds 3: stored low byte first; register 254 (slot 1) is year 26, minutes low.
    EXPECT_EQ(d.rig.engine.ArchiveImage()[0], 3);
    EXPECT_EQ(d.rig.engine.ArchiveImage()[1], 0);
    EXPECT_EQ(d.rig.engine.ArchiveImage()[10], 26);
    EXPECT_EQ(d.rig.engine.ArchiveImage()[11], d.instrument.reg[254] >> 8);
}

TEST(ArchiveDownload, EmptyArchiveEndsAfterTheFirstBlock)
{
    DownloadRig d(0);
    const qsizetype firstWrite = d.rig.port.writes.size();
    ASSERT_EQ(d.download(), 2);
    EXPECT_EQ(d.rig.port.writes.size(), firstWrite + 2);
    EXPECT_EQ(d.rig.port.writes.at(firstWrite), archiveRequest(7, 249));
    EXPECT_EQ(d.rig.panel.memo, QStringList({"АРХИВ ОТСУТСТВУЕТ"}));
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
}

TEST(ArchiveDownload, SecondDownloadReplacesTheListing)
{
    DownloadRig d(12);
    ASSERT_EQ(d.download(), 15);
    ASSERT_EQ(d.rig.panel.memo.size(), 12);
    d.instrument = ArchiveInstrument(0);
    ASSERT_EQ(d.download(), 2);
    EXPECT_EQ(d.rig.panel.memo, QStringList({"АРХИВ ОТСУТСТВУЕТ"}));
}

// A block the listing does not need may be refused: the download moves on, and what it lists
// all came in this download (the image starts empty, so the refused block holds nothing old).
TEST(ArchiveDownload, ExceptionAnswerMidwayLeavesThatBlockAndMovesOn)
{
    // A full archive read before: every block of the image held records.
    DownloadRig d(200);
    ASSERT_EQ(d.download(), 15);
    d.instrument = ArchiveInstrument(57);
    d.instrument.fault = [](int start) -> std::optional<QByteArray> {
        if (start == 737) return withCrc(hex("07 83 04"));
        return std::nullopt;
    };
    ASSERT_EQ(d.download(), 15);
    EXPECT_EQ(d.instrument.readStarts, ArchiveBlockStarts());  // asked once, not again
    const auto& image = d.rig.engine.ArchiveImage();
    // Block 5 covers image bytes 976..1219: nothing there; the records before it were stored.
    for (int i = 976; i < 1220; ++i) ASSERT_EQ(image[size_t(i)], 0) << i;
    EXPECT_TRUE(d.rig.panel.statusHistory.contains("7-АРХИВ-  36 %"));
    EXPECT_EQ(text(d.rig.panel.memo), text(cleanListing(57)));
}

TEST(ArchiveDownload, SilenceRepeatsTheBlockAndTheFourthUnansweredSlotEndsIt)
{
    DownloadRig d(57);
    bool silent = false;
    d.instrument.fault = [&silent](int start) -> std::optional<QByteArray> {
        if (start == 493) silent = true;
        if (silent) return QByteArray();
        return std::nullopt;
    };
    const int opensBefore = d.rig.port.openCount;
    d.rig.panel.statusHistory.clear();
    const int slotCount = d.download();
    // Blocks 1 and 2 answered; block 3 sent, then again in three slots; the fourth slot that
    // finds it unanswered ends the download and polls instead.
    EXPECT_EQ(slotCount, 2 + 4 + 1);
    EXPECT_EQ(d.instrument.readStarts, QList<int>({249, 371, 493, 493, 493, 493}));
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    EXPECT_EQ(text(d.rig.panel.memo), "АРХИВ НЕ ПРОЧИТАН");
    // Three silent slots gave up on 7 once: the port was reopened and the walk moved to 8.
    EXPECT_EQ(d.rig.port.openCount, opensBefore + 1);
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
    // No "-No" during the download.
    const qsizetype lastArchive = d.rig.panel.statusHistory.lastIndexOf("7-АРХИВ-  ");
    EXPECT_FALSE(d.rig.panel.statusHistory.join('|').contains("-No"));
    EXPECT_EQ(d.rig.panel.statusHistory.mid(lastArchive),
              QStringList({"7-АРХИВ-  ", "7-АРХИВ НЕ ПРОЧИТАН", "8-"}));
}

TEST(ArchiveDownload, PressingAgainResetsTheCountAndContinuesFromTheCurrentBlock)
{
    DownloadRig d(57);
    bool silent = false;
    d.instrument.fault = [&silent](int) -> std::optional<QByteArray> {
        if (silent) return QByteArray();
        return std::nullopt;
    };
    d.rig.engine.ReadArchive();
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);  // 249
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);  // 371
    silent = true;
    for (int i = 0; i < 4; ++i) ASSERT_EQ(d.rig.tickUntilWrite(), 10);  // 493, then three times again
    // Without the press the next slot would end the download; with it the count starts again.
    d.rig.engine.ReadArchive();
    silent = false;
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);
    EXPECT_EQ(d.rig.port.lastWrite(), archiveRequest(7, 493));
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadArchive);
    int slotCount = 0;
    while (d.rig.engine.PendingRequest() == RequestKind::ReadArchive && slotCount < 20) {
        ASSERT_EQ(d.rig.tickUntilWrite(), 10);
        ++slotCount;
    }
    EXPECT_EQ(d.instrument.readStarts.last(), 1835);
    EXPECT_EQ(d.rig.panel.memo.size(), 57);
}

TEST(ArchiveDownload, ShortBlockIsAskedForAgain)
{
    DownloadRig d(57);
    int cut = 1;
    d.instrument.fault = [&](int start) -> std::optional<QByteArray> {
        if (start != 615 || cut == 0) return std::nullopt;
        --cut;
        // A CRC-valid function-3 answer carrying only 20 registers.
        QByteArray frame = hex("07 03 28");
        frame += QByteArray(40, '\x22');
        return withCrc(frame);
    };
    ASSERT_EQ(d.download(), 16);
    EXPECT_EQ(d.instrument.readStarts.mid(3, 3), QList<int>({615, 615, 737}));
    EXPECT_EQ(d.rig.panel.memo.size(), 57);
    EXPECT_EQ(d.rig.panel.memo.last(), "06.12.26 10:57    6,57      -5,7    25,7");
}

// The last block reaches beyond the area; with 57 records the listing does not need it.
TEST(ArchiveDownload, ExceptionToTheLastBlockEndsTheDownload)
{
    DownloadRig d(57);
    d.instrument.fault = [](int start) -> std::optional<QByteArray> {
        if (start == 1835) return withCrc(hex("07 83 02"));
        return std::nullopt;
    };
    const int slotCount = d.download();
    EXPECT_EQ(slotCount, 15);  // never a read beyond the area
    EXPECT_EQ(d.instrument.readStarts, ArchiveBlockStarts());
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    EXPECT_EQ(text(d.rig.panel.memo), text(cleanListing(57)));
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
    EXPECT_FALSE(d.rig.engine.DownloadRunning());
}

TEST(ArchiveDownload, CommandDuringADownloadAbandonsItWithoutConfirmation)
{
    DownloadRig d(57);
    const QStringList memoBefore = d.rig.panel.memo;
    d.rig.setPeriod(15);
    d.rig.engine.ReadArchive();
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);  // 249
    ASSERT_EQ(d.rig.tickUntilWrite(), 10);  // 371
    d.rig.tick(5);                          // its answer is in
    const auto image = d.rig.engine.ArchiveImage();
    d.rig.engine.SetPeriod();
    d.rig.panel.statusHistory.clear();
    ASSERT_EQ(d.rig.tickUntilWrite(), 5);
    EXPECT_EQ(d.rig.port.lastWrite(), hex("07 06 00 08 00 0F 48 6A"));
    d.rig.tick(5);  // the echo arrives while the download still judges the answers
    EXPECT_EQ(d.rig.panel.statusHistory, QStringList({"7-Период-", "7-АРХИВ-  14 %"}));
    EXPECT_EQ(d.rig.engine.ArchiveImage(), image);
    EXPECT_EQ(d.rig.panel.memo, memoBefore);
    ASSERT_EQ(d.rig.tickUntilWrite(), 5);
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
    EXPECT_EQ(d.instrument.readStarts, QList<int>({249, 371}));
}

TEST(ArchiveDownload, CommandPressedWhileTheLastBlockIsOnItsWayIsDropped)
{
    DownloadRig d(57);
    d.rig.engine.ReadArchive();
    for (int k = 0; k < 14; ++k) ASSERT_EQ(d.rig.tickUntilWrite(), 10);
    ASSERT_EQ(d.rig.port.lastWrite(), archiveRequest(7, 1835));
    d.rig.engine.EraseArchive();
    d.rig.tick(5);
    EXPECT_EQ(d.rig.panel.memo.size(), 57);
    EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    ASSERT_EQ(d.rig.tickUntilWrite(), 5);
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
}

// "Читать архив из QM" pressed again after a command, while a block is on its way: that block is
// no longer wanted and the press is not lost; the download starts again at the first block.
TEST(ArchiveDownload, PressAfterACommandWhileABlockIsOnItsWayStartsAgain)
{
    for (int n : {0, 57}) {
        DownloadRig d(n);
        d.archiveDelay = 3;  // the block's answer comes within the slot, after the presses
        d.rig.engine.ReadArchive();
        ASSERT_EQ(d.tickUntilWrite(), 10);  // 249
        d.rig.engine.SetPeriod();
        d.rig.engine.ReadArchive();
        d.rig.panel.statusHistory.clear();
        ASSERT_EQ(d.tickUntilWrite(), 10) << n;
        EXPECT_EQ(d.rig.port.lastWrite(), archiveRequest(7, 249)) << n;
        EXPECT_EQ(d.rig.panel.statusHistory, QStringList({"7-АРХИВ-  "})) << n << ": the withdrawn block is not shown";
        EXPECT_TRUE(d.rig.panel.downloads.isEmpty()) << n;
        EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadArchive) << n;
    }
}

TEST(ArchiveDownload, PressRightAfterTheListingStartsAgainAtTheFirstBlock)
{
    for (int n : {57, 0}) {
        DownloadRig d(n);
        d.rig.engine.ReadArchive();
        for (int slot = 0; slot < (n ? 14 : 1); ++slot) ASSERT_EQ(d.rig.tickUntilWrite(), 10);
        d.rig.tick(5);  // the last answer is in
        ASSERT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement) << n;
        d.rig.engine.ReadArchive();  // before the next slot
        ASSERT_EQ(d.rig.tickUntilWrite(), 5);
        // A new download from the start, not a block beyond the area.
        EXPECT_EQ(d.rig.port.lastWrite(), archiveRequest(7, 249)) << n;
        EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadArchive) << n;
    }
}

TEST(ArchiveDownload, StrayCopyOfTheLastBlockAfterTheListingIsJustAnAnswer)
{
    DownloadRig d(57);
    d.rig.engine.ReadArchive();
    for (int k = 0; k < 14; ++k) ASSERT_EQ(d.rig.tickUntilWrite(), 10);
    d.rig.tick(5);  // the last answer is in, the listing written
    ASSERT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    const QStringList listing = d.rig.panel.memo;
    // The instrument repeats its last block within the same slot; it is judged on the slot's
    // last tick, just before the next request goes out.
    const int before = int(d.rig.panel.statusHistory.size());
    d.rig.port.arrive(d.instrument.answer(archiveRequest(7, 1835)));
    ASSERT_EQ(d.rig.tickUntilWrite(), 5);
    EXPECT_EQ(d.rig.port.lastWrite(), measurementRequest(8));
    const QStringList after = d.rig.panel.statusHistory.mid(before);
    EXPECT_EQ(after, (QStringList{QStringLiteral("7-АРХИВ-  100 %"), QStringLiteral("8-")}));
    EXPECT_EQ(d.rig.panel.memo, listing);
    EXPECT_EQ(d.rig.engine.RetryCount(), 0);
}

// An answer that comes late is taken only as the block its read asked for: at 600 ms it is in
// its own slot; at 800 ms it is judged after the read was repeated and counts for that same
// block, while the repeat's own answer, judged after the next block was asked for, is dropped.
TEST(ArchiveDownload, LateAnswersAreNeverStoredAsTheNextBlock)
{
    const QStringList expected = cleanListing(57);
    ASSERT_EQ(expected.size(), 57);
    for (const int delay : {6, 8}) {
        SCOPED_TRACE(delay);
        DownloadRig d(57);
        d.archiveDelay = delay;
        d.rig.panel.statusHistory.clear();
        const int slotCount = d.download(60);
        EXPECT_EQ(slotCount, delay == 6 ? 15 : 29);
        EXPECT_EQ(text(d.rig.panel.memo), text(expected));
        EXPECT_TRUE(d.rig.panel.statusHistory.contains("7-АРХИВ-  100 %"));
        EXPECT_FALSE(d.rig.panel.statusHistory.join('|').contains("-No"));
    }
}

// Each download starts from an empty image: what one instrument left is never listed as
// another's, and a download that misses a block its listing needs says so instead of listing.
TEST(ArchiveDownload, FailedDownloadSaysSoAndNeverListsOtherBytes)
{
    struct Case {
        const char* name;
        int records;
        std::function<std::optional<QByteArray>(int wireStart, int& calls)> fault;
    };
    const auto exception = withCrc(hex("07 83 04"));
    const Case cases[] = {
        {"exception to a block it needs", 57,
         [&](int start, int&) -> std::optional<QByteArray> {
             if (start == 493) return exception;
             return std::nullopt;
         }},
        {"every block an exception", 57, [&](int, int&) -> std::optional<QByteArray> { return exception; }},
        {"silence after five blocks", 57,
         [](int, int& calls) -> std::optional<QByteArray> {
             if (++calls > 5) return QByteArray();
             return std::nullopt;
         }},
        {"a block always cut short", 57,
         [](int start, int&) -> std::optional<QByteArray> {
             if (start == 371) return withCrc(hex("07 03 28") + QByteArray(40, '\x22'));
             return std::nullopt;
         }},
        {"exception to the last block of a full ring", 200,
         [&](int start, int&) -> std::optional<QByteArray> {
             if (start == 1835) return exception;
             return std::nullopt;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadRig d(80);
        ASSERT_EQ(d.download(), 15);
        ASSERT_EQ(d.rig.panel.memo.size(), 80);
        d.instrument = ArchiveInstrument(c.records);
        int calls = 0;
        d.instrument.fault = [&](int start) { return c.fault(start, calls); };
        d.rig.panel.statusHistory.clear();
        d.download();
        EXPECT_EQ(text(d.rig.panel.memo), "АРХИВ НЕ ПРОЧИТАН");
        EXPECT_TRUE(d.rig.panel.statusHistory.contains("7-АРХИВ НЕ ПРОЧИТАН"))
            << d.rig.panel.statusHistory.join('|').toStdString();
        EXPECT_FALSE(d.rig.panel.statusHistory.contains("7-АРХИВ-  100 %"));
        EXPECT_EQ(d.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    }
}

// Another instrument chosen in "NUM" during a download starts it again for that instrument.
TEST(ArchiveDownload, NewNumberDuringADownloadStartsItAgain)
{
    DownloadRig d(57);
    d.rig.engine.ReadArchive();
    for (int k = 0; k < 3; ++k) ASSERT_EQ(d.tickUntilWrite(), 10);
    ArchiveInstrument other(12, 9);
    d.rig.instruments = [&](const QByteArray& request) {
        const int address = quint8(request.at(0));
        if (address == 9) return other.answer(request);
        return address == 7 ? d.instrument.answer(request) : measurementAnswer(address);
    };
    d.rig.setCommandAddress(9);
    int slotCount = 0;
    while (d.rig.engine.PendingRequest() == RequestKind::ReadArchive && slotCount++ < 20) ASSERT_EQ(d.tickUntilWrite(), 10);
    EXPECT_EQ(other.readStarts, ArchiveBlockStarts());
    EXPECT_EQ(text(d.rig.panel.memo), text(cleanListing(12)));
}

TEST(ArchiveDownload, PressWhileThePortIsClosedIsDroppedByConnecting)
{
    PollRig rig(1, 3);
    rig.engine.ReadArchive();
    rig.tick(20);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    rig.connect();
    ASSERT_EQ(rig.tickUntilWrite(), 1);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
}

}  // namespace

namespace {

// The progress bar follows the blocks taken: 0 % when the download starts, then each block's
// percent with the records whose slots came in whole, out of the count the first block brought.
TEST(ArchiveDownload, ProgressCountsTheBlocksAndTheRecordsTaken)
{
    DownloadRig d(57);
    ASSERT_EQ(d.download(), 15);
    const QList<ArchiveDownloadProgress>& told = d.rig.panel.progress;
    ASSERT_EQ(told.size(), 15);
    EXPECT_EQ(ArchiveProgressText(told.at(0)), "Архив прибора 7: 0 %");
    // Block 1 holds the count, four spare registers and 14 whole slots (5 + 14 × 8 = 117 of 122).
    EXPECT_EQ(ArchiveProgressText(told.at(1)), "Архив прибора 7: 7 %, 14 записей из 57");
    EXPECT_EQ(ArchiveProgressText(told.at(2)), "Архив прибора 7: 14 %, 29 записей из 57");
    EXPECT_EQ(ArchiveProgressText(told.at(3)), "Архив прибора 7: 21 %, 45 записей из 57");
    EXPECT_EQ(ArchiveProgressText(told.at(4)), "Архив прибора 7: 28 %, 57 записей из 57");
    EXPECT_EQ(ArchiveProgressText(told.last()), "Архив прибора 7: 100 %, 57 записей из 57");
    // The bar goes when the download ends; the status line said what it always says.
    EXPECT_TRUE(d.rig.panel.progressText.isEmpty());
    EXPECT_TRUE(d.rig.panel.statusHistory.contains("7-АРХИВ-  14 %"));
}

// A download cut short says so in the archive text area, so that the listing of another
// instrument (or of an earlier download) never stays there as if it were this one's. A command
// sent in its place ends it once the command's slot is over (the block in flight may still come
// in within it); unticking "Соединение", a port that cannot be opened again, or a new connect end
// it at once.
TEST(ArchiveDownload, DownloadCutShortSaysSoInTheArchiveArea)
{
    struct Case {
        const char* name;
        std::function<void(DownloadRig&)> cut;
        int slotsUntilTold;  // slots after the cut before the note is there
    };
    const Case cases[] = {
        {"a command sent in its place", [](DownloadRig& d) { d.rig.engine.SetClock(); }, 2},
        {"Соединение unticked", [](DownloadRig& d) { d.rig.disconnect(); }, 0},
        {"a new connect", [](DownloadRig& d) { d.rig.engine.Connect(); }, 0},
        {"the device gone for good",
         [](DownloadRig& d) {
             d.rig.port.existing.clear();
             d.rig.port.lose();
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadRig d(57);
        ASSERT_EQ(d.download(), 15);  // the listing of an earlier download is on show
        d.rig.engine.ReadArchive();
        for (int k = 0; k < 3; ++k) ASSERT_EQ(d.tickUntilWrite(), 10);
        ASSERT_FALSE(d.rig.panel.progressText.isEmpty());
        c.cut(d);
        for (int slot = 0; slot < c.slotsUntilTold; ++slot) {
            EXPECT_EQ(d.rig.panel.memo.size(), 57) << "before the command's slot is over";
            d.tickUntilWrite();
        }
        EXPECT_EQ(d.rig.panel.memo, QStringList({"ЧТЕНИЕ АРХИВА ПРЕРВАНО"}));
        EXPECT_TRUE(d.rig.panel.progressText.isEmpty());
        EXPECT_FALSE(d.rig.engine.DownloadRunning());
        d.rig.tick(30);
        EXPECT_EQ(d.rig.panel.downloads.size(), 2) << "told once";
    }
}

}  // namespace
