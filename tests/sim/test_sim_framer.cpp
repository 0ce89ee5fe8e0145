// Cutting requests out of the byte stream the master sends to the simulator.

#include "framer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const Bytes read9 = {0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCC};
const Bytes setPeriod = {0x07, 0x06, 0x00, 0x08, 0x00, 0x0F, 0x48, 0x6A};
const Bytes setClock = {0x07, 0x10, 0x00, 0x05, 0x00, 0x03, 0x06, 0x14, 0x1A, 0x0C, 0x06, 0x0D, 0x2D, 0x82, 0x5C};

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Outcome {
    std::vector<Bytes> frames;
    Bytes junk;
};

Outcome collect(sim::Framer& framer, sim::Clock::time_point now)
{
    Outcome o;
    for (const auto& r : framer.take(now)) {
        if (r.valid)
            o.frames.push_back(r.bytes);
        else
            o.junk.insert(o.junk.end(), r.bytes.begin(), r.bytes.end());
    }
    return o;
}

TEST(SimFramer, BackToBackRequestsOfEachFunctionAreSeparated)
{
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    const Bytes stream = join({read9, setClock, setPeriod});
    framer.feed(stream.data(), stream.size(), t0);
    const Outcome o = collect(framer, t0);
    EXPECT_EQ(o.frames, (std::vector<Bytes>{read9, setClock, setPeriod}));
    EXPECT_TRUE(o.junk.empty());
    EXPECT_FALSE(framer.pending());
}

TEST(SimFramer, RequestSplitAcrossReadsWaitsForItsRest)
{
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    framer.feed(setClock.data(), 5, t0);
    EXPECT_TRUE(collect(framer, t0 + 1ms).frames.empty());
    framer.feed(setClock.data() + 5, setClock.size() - 5, t0 + 2ms);
    EXPECT_EQ(collect(framer, t0 + 2ms).frames, std::vector<Bytes>{setClock});
}

TEST(SimFramer, GarbageBeforeARequestIsDroppedAndTheRequestFound)
{
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    const Bytes stream = join({{0x55, 0x03, 0x11}, read9});
    framer.feed(stream.data(), stream.size(), t0);
    const Outcome o = collect(framer, t0);
    EXPECT_EQ(o.frames, std::vector<Bytes>{read9});
    EXPECT_EQ(o.junk, (Bytes{0x55, 0x03, 0x11}));
}

TEST(SimFramer, CorruptedRequestIsNotServed)
{
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    Bytes bad = read9;
    bad[4] ^= 0x01;
    framer.feed(bad.data(), bad.size(), t0);
    const Outcome during = collect(framer, t0);
    const Outcome after = collect(framer, t0 + 50ms);
    EXPECT_TRUE(during.frames.empty());
    EXPECT_TRUE(after.frames.empty());
    EXPECT_EQ(during.junk.size() + after.junk.size(), bad.size());
    EXPECT_FALSE(framer.pending());
}

TEST(SimFramer, TruncatedRequestIsDroppedAfterAPauseAndTheNextOneServed)
{
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    framer.feed(read9.data(), 6, t0);
    EXPECT_TRUE(collect(framer, t0 + 5ms).frames.empty());
    const Outcome dropped = collect(framer, t0 + 50ms);
    EXPECT_TRUE(dropped.frames.empty());
    EXPECT_EQ(dropped.junk.size(), 6u);
    framer.feed(setPeriod.data(), setPeriod.size(), t0 + 60ms);
    EXPECT_EQ(collect(framer, t0 + 60ms).frames, std::vector<Bytes>{setPeriod});
}

TEST(SimFramer, UnknownFunctionEndsAtAPause)
{
    // Function 0x2B (encapsulated interface) has no length we know; CRC of 01 2B 0E 01 00.
    const Bytes other = {0x01, 0x2B, 0x0E, 0x01, 0x00, 0x70, 0x77};
    sim::Framer framer;
    const auto t0 = sim::Clock::now();
    framer.feed(other.data(), other.size(), t0);
    EXPECT_TRUE(collect(framer, t0 + 1ms).frames.empty());
    EXPECT_EQ(collect(framer, t0 + 50ms).frames, std::vector<Bytes>{other});
}

TEST(SimFramer, LengthsByFunction)
{
    struct Case {
        Bytes head;
        int length;
    } cases[] = {
        {{1, 3}, 8}, {{1, 6}, 8}, {{1, 0x10, 0, 5, 0, 3}, 0}, {{1, 0x10, 0, 5, 0, 3, 6}, 15},
        {{1, 0x10, 0, 0, 0, 0x7B, 0xF6}, 255}, {{1, 0x11}, 4}, {{1}, 0}, {{1, 0x2B}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sim::Framer::expectedLength(c.head.data(), c.head.size()), c.length)
            << "function " << (c.head.size() > 1 ? int(c.head[1]) : -1);
}

// Modbus TCP: the MBAP length ends a request, whatever segments carried it.
TEST(SimMbapFramer, RequestsEndWhereTheirLengthSays)
{
    const Bytes read = {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x05, 0x03, 0x00, 0x00, 0x00, 0x09};
    Bytes notModbus = read;
    notModbus[3] = 0x01;  // protocol id 1
    const Bytes noLength = {0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03};
    struct Row {
        const char* how;
        std::vector<Bytes> feeds;
        std::vector<Bytes> frames;
        Bytes junk;
        bool lost;
    } rows[] = {
        {"whole", {read}, {read}, {}, false},
        {"split inside the header", {Bytes(read.begin(), read.begin() + 4), Bytes(read.begin() + 4, read.end())}, {read}, {}, false},
        {"header alone", {Bytes(read.begin(), read.begin() + 7)}, {}, {}, false},
        {"two in one segment", {join({read, read})}, {read, read}, {}, false},
        {"not Modbus, then a request", {join({notModbus, read})}, {read}, notModbus, false},
        {"a length no request has", {join({noLength, read})}, {}, join({noLength, read}), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        sim::MbapFramer framer;
        Outcome o;
        for (const Bytes& feed : row.feeds) {
            framer.feed(feed.data(), feed.size());
            for (const auto& r : framer.take()) {
                if (r.valid)
                    o.frames.push_back(r.bytes);
                else
                    o.junk.insert(o.junk.end(), r.bytes.begin(), r.bytes.end());
            }
        }
        EXPECT_EQ(o.frames, row.frames);
        EXPECT_EQ(o.junk, row.junk);
        EXPECT_EQ(framer.lost(), row.lost);
    }
}

}  // namespace
