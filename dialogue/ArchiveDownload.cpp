#include "ArchiveDownload.h"

#include "DateTimeText.h"
#include "InstrumentCommands.h"
#include "Panel.h"
#include "PollEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace qm {

namespace {

constexpr int kFirst = PollEngine::ArchiveFirstRegister;  // 250, wire address 249
constexpr int kBlock = PollEngine::ArchiveBlockSize;      // 122 registers, 244 data bytes
constexpr int kImageRegisters = ArchiveImageSize / 2;

// Cumulative days at the end of each month.
constexpr int kCommonYear[12] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int kLeapYear[12] = {31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};

// A download ended. The next press starts at the first block even when it comes before the next
// measurement request (which would reset the block anyway), instead of going on past the last
// block. Whatever a command pressed meanwhile asked for is dropped with it.
void EndDownload(PollEngine& engine)
{
    engine.PendingRequest = PollEngine::ReadMeasurement;
    engine.ArchiveLog.finish();
}

const int* MonthTable(int year) { return year % 4 == 0 ? kLeapYear : kCommonYear; }

// A non-negative integer as decimal digits, least significant first.
using Digits = std::vector<int>;

void MultiplyBy(Digits& digits, int factor)
{
    int carry = 0;
    for (int& d : digits) {
        const int v = d * factor + carry;
        d = v % 10;
        carry = v / 10;
    }
    for (; carry > 0; carry /= 10) digits.push_back(carry % 10);
}

void AddOne(Digits& digits)
{
    for (int& d : digits) {
        if (d < 9) {
            ++d;
            return;
        }
        d = 0;
    }
    digits.push_back(1);
}

// |value| rounded to `decimals` places, halves away from zero, as the digits of |value|·10^decimals.
// Every finite float is M·2^E with an integer M < 2^24; for E < 0 that is M·5^k / 10^k (k = −E),
// so its decimal expansion is exact and finite, and the rounding looks at the true first dropped
// digit: 7.125 rounds up to 7.13, while 7.0049999 (the float nearest 7.005) rounds to 7.00.
Digits RoundedDigits(float value, int decimals)
{
    int exponent = 0;
    const float fraction = std::frexp(std::fabs(value), &exponent);  // value = fraction · 2^exponent
    auto mantissa = std::uint32_t(std::ldexp(fraction, 24));         // exact: 24 significant bits
    int e = exponent - 24;

    Digits digits;
    for (std::uint32_t m = mantissa; m > 0; m /= 10) digits.push_back(int(m % 10));
    if (digits.empty()) digits.push_back(0);

    int fractionDigits = 0;
    if (e >= 0) {
        for (; e > 0; --e) MultiplyBy(digits, 2);
    } else {
        fractionDigits = -e;
        for (; e < 0; ++e) MultiplyBy(digits, 5);
    }
    // digits / 10^fractionDigits is the exact value; scale to `decimals` places.
    for (; fractionDigits < decimals; ++fractionDigits) digits.insert(digits.begin(), 0);
    const int dropped = fractionDigits - decimals;
    if (dropped == 0) return digits;
    const bool up = dropped <= int(digits.size()) && digits[size_t(dropped - 1)] >= 5;
    Digits kept(digits.begin() + std::min<size_t>(size_t(dropped), digits.size()), digits.end());
    if (kept.empty()) kept.push_back(0);
    if (up) AddOne(kept);
    while (kept.size() > 1 && kept.back() == 0) kept.pop_back();
    return kept;
}

}  // namespace

QString ArchiveValueText(float value, int width, int decimals)
{
    QString text;
    if (std::isnan(value)) {
        text = QStringLiteral("NaN");
    } else if (std::isinf(value)) {
        text = value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    } else {
        Digits digits = RoundedDigits(value, decimals);
        while (int(digits.size()) < decimals + 1) digits.push_back(0);  // at least "0,dd"
        const bool zero = std::all_of(digits.begin(), digits.end(), [](int d) { return d == 0; });
        // A value that rounds to zero is written without its sign: "0,00", not "-0,00".
        if (value < 0 && !zero) text += QLatin1Char('-');
        for (int i = int(digits.size()) - 1; i >= 0; --i) {
            text += QChar(u'0' + digits[size_t(i)]);
            if (i == decimals && decimals > 0) text += QLatin1Char(',');
        }
    }
    return text.rightJustified(width, QLatin1Char(' '));
}

QString FormatArchiveRecord(const ArchiveBytes& image, int slot)
{
    if (slot < 1 || slot > ArchiveSlots) return QString();
    const quint8* b = image.data() + ArchiveHeaderBytes + ArchiveRecordBytes * (slot - 1);

    int year = b[0];
    const int minutes = b[1] | (b[2] << 8) | (b[3] << 16);
    int day = minutes / 1440 + 1;
    const bool implausible = year > 99 || day > MonthTable(year)[11];
    // Minutes beyond the end of the year count on into the following years, as a clock would:
    // the minute after 31.12.25 23:59 is 01.01.26 00:00 (at most 32 years on with 24 bits).
    while (day > MonthTable(year)[11]) {
        day -= MonthTable(year)[11];
        ++year;
    }
    const int* table = MonthTable(year);
    int month = 1;
    while (table[month - 1] < day) ++month;
    if (month > 1) day -= table[month - 2];
    const int hour = (minutes % 1440) / 60;
    const int minute = (minutes % 1440) % 60;

    auto floatAt = [b](int offset) {
        const std::uint32_t bits = std::uint32_t(b[offset]) | (std::uint32_t(b[offset + 1]) << 8)
                                   | (std::uint32_t(b[offset + 2]) << 16) | (std::uint32_t(b[offset + 3]) << 24);
        return std::bit_cast<float>(bits);
    };
    const QString gap = QStringLiteral("   ");
    const QString yearText = implausible ? QString::number(year).rightJustified(3, QLatin1Char('0')) : TwoDigits(year);
    return TwoDigits(day) + QLatin1Char('.') + TwoDigits(month) + QLatin1Char('.') + yearText + QLatin1Char(' ')
           + TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute) + gap + ArchiveValueText(floatAt(4), 5, 2) + gap
           + ArchiveValueText(floatAt(8), 7, 1) + gap + ArchiveValueText(floatAt(12), 5, 1);
}

int ListedRecordCount(const ArchiveBytes& image)
{
    const int n = image[0] + 256 * image[1];
    // Beyond 400 the ring has wrapped more than once: the same slots are in use as for the
    // count reduced into 201..400 (the newest record sits in slot (N − 1) mod 200 + 1).
    return n > 2 * ArchiveSlots ? (n - ArchiveSlots - 1) % ArchiveSlots + ArchiveSlots + 1 : n;
}

QStringList ArchiveListing(const ArchiveBytes& image)
{
    const int n = ListedRecordCount(image);
    auto suffix = [](int line) { return line % 10 == 0 ? QStringLiteral("     ") + QString::number(line) : QString(); };
    QStringList lines;
    if (n <= ArchiveSlots) {
        for (int i = 1; i <= n; ++i) lines << FormatArchiveRecord(image, i) + suffix(i);
        return lines;
    }
    // Wrapped: from slot N − 199 up to 200, then from slot 1 up to N − 200.
    int o = n - ArchiveSlots;
    for (int i = 1; i <= ArchiveSlots; ++i) {
        if (o + i == ArchiveSlots + 1) o -= ArchiveSlots;
        lines << FormatArchiveRecord(image, i + o) + suffix(i);
    }
    return lines;
}

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

bool StoreArchiveBlock(ArchiveBytes& image, quint16 registerStart, int registerCount, const quint8* frame, int length,
                       ArchiveRegisters* stored)
{
    const int o = int(registerStart) - kFirst;
    if (o < 0 || registerCount < 0 || o + registerCount > kImageRegisters) return false;
    // Address, function, byte count, the registers, the CRC: never read past the frame.
    if (!frame || length < 3 + 2 * registerCount + 2) return false;
    for (int i = 0; i < registerCount; ++i) {
        image[size_t(2 * (o + i))] = frame[4 + 2 * i];      // low byte
        image[size_t(2 * (o + i) + 1)] = frame[3 + 2 * i];  // high byte
        if (stored) stored->set(size_t(o + i));
    }
    return true;
}

int ArchiveRegistersNeeded(const ArchiveBytes& image)
{
    const int listed = std::min(ListedRecordCount(image), ArchiveSlots);
    return (ArchiveHeaderBytes + ArchiveRecordBytes * listed) / 2;
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
