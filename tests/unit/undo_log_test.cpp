#include "undo/undo_log.h"

#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr uint32_t ring = UndoLog::ringSize;

// Bytes that differ from one call to the next, so that bytes copied from or to the wrong place
// show up as a mismatch.
class ByteSource {
  public:
    explicit ByteSource(uint64_t seed) : state_(seed | 1) {}
    std::vector<uint8_t> take(size_t count) {
        std::vector<uint8_t> bytes(count);
        fill(bytes.data(), count);
        return bytes;
    }
    void fill(uint8_t* bytes, size_t count) {
        for (size_t i = 0; i < count; i += 8) {
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            std::memcpy(bytes + i, &state_, std::min<size_t>(8, count - i));
        }
    }

  private:
    uint64_t state_;
};

// The count bytes of the data ring from offset start on, continuing at 0 past the ring's end.
std::vector<uint8_t> ringBytes(const UndoLog& log, uint32_t start, uint32_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; ++i) {
        bytes[i] = log.dataRing[(start + i) % ring];
    }
    return bytes;
}

// Logs a change that saves fresh bytes and returns them.
std::vector<uint8_t> appendSaved(UndoLog& log, ByteSource& source, int32_t position, int32_t count,
                                 uint8_t kind = 0x32) {
    std::vector<uint8_t> bytes = source.take(static_cast<size_t>(count));
    EXPECT_TRUE(log.append(position, bytes.data(), count, kind));
    return bytes;
}

struct Popped {
    int32_t position = -1;
    uint8_t kind = 0;
    std::vector<uint8_t> bytes;
};

// Takes the newest record back the way the Undo command does: a one-byte offer first, then a
// buffer of the size the log asks for. position -1: the log was empty.
Popped popRecord(UndoLog& log) {
    Popped popped;
    uint8_t small = 0;
    int32_t size = 1;
    popped.position = log.pop(&small, size, popped.kind);
    if (popped.position >= 0) {
        EXPECT_LE(size, 1);
        popped.bytes.assign(&small, &small + size);
        return popped;
    }
    if (size == 0) {
        return popped;
    }
    EXPECT_GT(size, 1);
    popped.bytes.resize(static_cast<size_t>(size));
    int32_t second = size;
    popped.position = log.pop(popped.bytes.data(), second, popped.kind);
    EXPECT_GE(popped.position, 0);
    EXPECT_EQ(second, size);
    return popped;
}

void expectEmpty(UndoLog& log) {
    uint8_t buffer[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    int32_t size = 4;
    uint8_t kind = 0x77;
    EXPECT_EQ(log.pop(buffer, size, kind), -1);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(log.recordCount, 0);
    EXPECT_EQ(buffer[0], 0x5A);
}

// ---- Construction ---------------------------------------------------------------------------

TEST(UndoLogConstruction, SlotCountIsCappedAt5461) {
    EXPECT_EQ(UndoLog(9000).slotCount, 5461u);
    EXPECT_EQ(UndoLog(5462).slotCount, 5461u);
    EXPECT_EQ(UndoLog(5461).slotCount, 5461u);
    EXPECT_EQ(UndoLog(5460).slotCount, 5460u);
    EXPECT_EQ(UndoLog(2000).slotCount, 2000u);
    EXPECT_EQ(UndoLog(1).slotCount, 1u);
}

TEST(UndoLogConstruction, NonPositiveRequestsAreClampedIntoRange) {
    EXPECT_EQ(UndoLog(0).slotCount, 1u);
    EXPECT_EQ(UndoLog(-1).slotCount, 5461u);
    EXPECT_EQ(UndoLog(std::numeric_limits<int32_t>::min()).slotCount, 5461u);
}

TEST(UndoLogConstruction, StartsEmpty) {
    UndoLog log(2000);
    ASSERT_NE(log.dataRing, nullptr);
    ASSERT_NE(log.recordRing, nullptr);
    EXPECT_EQ(log.dataHead, 0u);
    EXPECT_EQ(log.oldestSlot, 0);
    EXPECT_EQ(log.nextSlot, 0);
    EXPECT_EQ(log.recordCount, 0);
    EXPECT_EQ(log.changeCount, 0);
    expectEmpty(log);
}

TEST(UndoLogConstruction, CappedLogHoldsExactly5461Records) {
    UndoLog log(9000);
    for (int32_t i = 0; i < 5462; ++i) {
        ASSERT_TRUE(log.append(i, nullptr, 2, 0x31));
    }
    EXPECT_EQ(log.recordCount, 5461);
    EXPECT_EQ(log.changeCount, 5462);
    Popped last;
    int32_t popped = 0;
    for (Popped p = popRecord(log); p.position >= 0; p = popRecord(log)) {
        last = p;
        ++popped;
    }
    EXPECT_EQ(popped, 5461);
    EXPECT_EQ(last.position, 1); // the first record was overwritten
}

// ---- Coalescing -----------------------------------------------------------------------------

TEST(UndoLogCoalescing, HighThenLowDigitOfOneByteGiveOneRecord) {
    UndoLog log(2000);
    const uint8_t original = 0xAB;
    const uint8_t afterHighDigit = 0x5B;
    ASSERT_TRUE(log.append(7, &original, 1, 0x12));
    ASSERT_TRUE(log.append(7, &afterHighDigit, 1, 0x22));
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 1);
    EXPECT_EQ(log.dataHead, 1u); // the second digit saved nothing

    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 7);
    EXPECT_EQ(popped.kind, 0x32);
    EXPECT_EQ(popped.bytes, std::vector<uint8_t>{original});
    EXPECT_EQ(log.changeCount, 0);
    expectEmpty(log);
}

TEST(UndoLogCoalescing, DigitsTypedAtTheEndMergeWithoutSavedBytes) {
    UndoLog log(2000);
    ASSERT_TRUE(log.append(40, nullptr, 1, 0x11));
    ASSERT_TRUE(log.append(40, nullptr, 1, 0x21));
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 1);
    EXPECT_EQ(log.dataHead, 0u);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 40);
    EXPECT_EQ(popped.kind, 0x31);
    EXPECT_TRUE(popped.bytes.empty());
}

TEST(UndoLogCoalescing, RepeatedHighDigitKeepsTheFirstSavedByte) {
    UndoLog log(2000);
    const uint8_t first = 0x10;
    const uint8_t second = 0x90;
    ASSERT_TRUE(log.append(3, &first, 1, 0x12));
    ASSERT_TRUE(log.append(3, &second, 1, 0x12));
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 1);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.kind, 0x12);
    EXPECT_EQ(popped.bytes, std::vector<uint8_t>{first});
}

TEST(UndoLogCoalescing, NothingMergesIntoARecordThatCoversTheLowDigit) {
    for (const uint8_t newestKind : {uint8_t{0x22}, uint8_t{0x32}}) {
        UndoLog log(2000);
        const uint8_t a = 0x01;
        const uint8_t b = 0x02;
        ASSERT_TRUE(log.append(9, &a, 1, newestKind));
        ASSERT_TRUE(log.append(9, &b, 1, 0x12));
        EXPECT_EQ(log.recordCount, 2);
        EXPECT_EQ(log.changeCount, 2);
        EXPECT_EQ(log.dataHead, 2u);
        const Popped newest = popRecord(log);
        EXPECT_EQ(newest.kind, 0x12);
        EXPECT_EQ(newest.bytes, std::vector<uint8_t>{b});
        const Popped older = popRecord(log);
        EXPECT_EQ(older.kind, newestKind);
        EXPECT_EQ(older.bytes, std::vector<uint8_t>{a});
    }
}

TEST(UndoLogCoalescing, DifferentSavedBytesBitLogsANewRecord) {
    UndoLog log(2000);
    const uint8_t original = 0xC4;
    ASSERT_TRUE(log.append(12, &original, 1, 0x12));
    ASSERT_TRUE(log.append(12, nullptr, 1, 0x21));
    EXPECT_EQ(log.recordCount, 2);
    EXPECT_EQ(log.changeCount, 2);

    const Popped newest = popRecord(log);
    EXPECT_EQ(newest.position, 12);
    EXPECT_EQ(newest.kind, 0x21);
    EXPECT_TRUE(newest.bytes.empty());
    const Popped older = popRecord(log);
    EXPECT_EQ(older.kind, 0x12);
    EXPECT_EQ(older.bytes, std::vector<uint8_t>{original});
}

TEST(UndoLogCoalescing, OnlyOneByteChangesAtTheSamePositionMerge) {
    UndoLog log(2000);
    ByteSource source(11);
    appendSaved(log, source, 20, 1, 0x12);
    appendSaved(log, source, 21, 1, 0x22); // another byte
    EXPECT_EQ(log.recordCount, 2);
    appendSaved(log, source, 30, 1, 0x12);
    appendSaved(log, source, 30, 2, 0x32); // two bytes at the same position
    EXPECT_EQ(log.recordCount, 4);
    EXPECT_EQ(log.changeCount, 4);
    EXPECT_EQ(log.dataHead, 5u);
}

TEST(UndoLogCoalescing, MergesIntoTheNewestRecordAcrossTheSlotWrap) {
    UndoLog log(2);
    const uint8_t a = 0x11;
    const uint8_t b = 0x22;
    ASSERT_TRUE(log.append(1, &a, 1, 0x32));
    ASSERT_TRUE(log.append(2, &b, 1, 0x12));
    ASSERT_EQ(log.nextSlot, 0); // the newest record is in the last slot
    ASSERT_TRUE(log.append(2, &a, 1, 0x22));
    EXPECT_EQ(log.recordCount, 2);
    EXPECT_EQ(log.changeCount, 2);
    const Popped newest = popRecord(log);
    EXPECT_EQ(newest.position, 2);
    EXPECT_EQ(newest.kind, 0x32);
    EXPECT_EQ(newest.bytes, std::vector<uint8_t>{b});
    const Popped older = popRecord(log);
    EXPECT_EQ(older.position, 1);
    EXPECT_EQ(older.kind, 0x32);
}

TEST(UndoLogCoalescing, MergesIntoTheRecordThatIsNewestAgainAfterAPop) {
    UndoLog log(2000);
    const uint8_t a = 0x3C;
    const uint8_t b = 0x4D;
    ASSERT_TRUE(log.append(5, &a, 1, 0x12));
    ASSERT_TRUE(log.append(6, &b, 1, 0x12));
    popRecord(log);
    ASSERT_TRUE(log.append(5, &b, 1, 0x22));
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 1);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.kind, 0x32);
    EXPECT_EQ(popped.bytes, std::vector<uint8_t>{a});
}

TEST(UndoLogCoalescing, NothingMergesAfterClear) {
    UndoLog log(2000);
    const uint8_t a = 0x3C;
    ASSERT_TRUE(log.append(5, &a, 1, 0x12));
    log.clear();
    ASSERT_TRUE(log.append(5, &a, 1, 0x22));
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 2);
    EXPECT_EQ(popRecord(log).kind, 0x22);
}

// ---- The data ring --------------------------------------------------------------------------

TEST(UndoLogDataRing, SaveThatWrapsDropsTheRecordsItsRegionReaches) {
    UndoLog log(2000);
    ByteSource source(5);
    // Fill the ring so that the held saved bytes begin on both sides of its end.
    appendSaved(log, source, 1000, 65000);              // [0, 65000)
    const auto b = appendSaved(log, source, 2000, 200); // [65000, 65200)
    const auto c = appendSaved(log, source, 3000, 636); // [65200, 300)
    ASSERT_EQ(log.dataHead, 300u);
    ASSERT_EQ(log.recordCount, 2);                        // the first record's bytes were overrun
    ASSERT_TRUE(log.append(4000, nullptr, 3, 0x31));      // no bytes
    const auto d = appendSaved(log, source, 5000, 164);   // [300, 464)
    ASSERT_TRUE(log.append(6000, nullptr, 1, 0x11));      // no bytes
    const auto e = appendSaved(log, source, 7000, 64536); // [464, 65000)
    ASSERT_TRUE(log.append(8000, nullptr, 2, 0x31));      // no bytes
    ASSERT_EQ(log.dataHead, 65000u);
    ASSERT_EQ(log.recordCount, 7);
    EXPECT_EQ(ringBytes(log, 65000, 200), b);
    EXPECT_EQ(ringBytes(log, 65200, 636), c);
    EXPECT_EQ(ringBytes(log, 300, 164), d);
    EXPECT_EQ(ringBytes(log, 464, 64536), e);

    const auto w = appendSaved(log, source, 9000, 1000, 0x33);
    EXPECT_EQ(log.dataHead, 464u);
    EXPECT_EQ(ringBytes(log, 65000, 1000), w);
    EXPECT_TRUE(std::equal(w.begin(), w.begin() + 536, log.dataRing + 65000));
    EXPECT_TRUE(std::equal(w.begin() + 536, w.end(), log.dataRing));
    // The records whose bytes began at 65000, 65200 and 300 are gone, with the record without
    // bytes between them; the one without bytes after the last of them stays, and so does the
    // record whose bytes begin at 464, just past the region.
    EXPECT_EQ(log.recordCount, 4);
    EXPECT_EQ(log.changeCount, 9);
    EXPECT_EQ(ringBytes(log, 464, 64536), e);

    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 9000);
    EXPECT_EQ(popped.kind, 0x33);
    EXPECT_EQ(popped.bytes, w);
    EXPECT_EQ(log.dataHead, 65000u);

    EXPECT_EQ(popRecord(log).position, 8000);
    const Popped older = popRecord(log);
    EXPECT_EQ(older.position, 7000);
    EXPECT_EQ(older.bytes, e);
    EXPECT_EQ(log.dataHead, 464u);
    const Popped oldest = popRecord(log);
    EXPECT_EQ(oldest.position, 6000);
    EXPECT_EQ(oldest.kind, 0x11);
    expectEmpty(log);
    EXPECT_EQ(log.changeCount, 5); // dropped records are never subtracted
}

TEST(UndoLogDataRing, SaveThatFitsDropsNothing) {
    UndoLog log(2000);
    ByteSource source(6);
    const auto a = appendSaved(log, source, 1, 30000);
    const auto b = appendSaved(log, source, 2, 35536); // exactly fills what is left
    EXPECT_EQ(log.dataHead, 0u);
    EXPECT_EQ(log.recordCount, 2);
    EXPECT_EQ(popRecord(log).bytes, b);
    EXPECT_EQ(popRecord(log).bytes, a);
}

TEST(UndoLogDataRing, OneSavedByteAtTheOldestRecordsStartDropsIt) {
    UndoLog log(2000);
    ByteSource source(7);
    appendSaved(log, source, 1, 30000);
    const auto b = appendSaved(log, source, 2, 35536);
    ASSERT_TRUE(log.append(3, nullptr, 1, 0x31));
    const auto c = appendSaved(log, source, 4, 1, 0x22); // lands on the first record's start
    EXPECT_EQ(log.recordCount, 3);
    EXPECT_EQ(popRecord(log).bytes, c);
    EXPECT_EQ(popRecord(log).position, 3);
    EXPECT_EQ(popRecord(log).bytes, b);
    expectEmpty(log);
}

// ---- Slots ----------------------------------------------------------------------------------

TEST(UndoLogSlots, AppendBeyondTheLastSlotOverwritesTheOldest) {
    UndoLog log(2000);
    ByteSource source(8);
    std::vector<std::vector<uint8_t>> saved;
    for (int32_t i = 0; i < 2000; ++i) {
        saved.push_back(appendSaved(log, source, i * 3, 1 + i % 3));
    }
    ASSERT_EQ(log.recordCount, 2000);
    EXPECT_EQ(log.oldestSlot, 0);
    EXPECT_EQ(log.nextSlot, 0);
    saved.push_back(appendSaved(log, source, 2000 * 3, 2));
    EXPECT_EQ(log.recordCount, 2000);
    EXPECT_EQ(log.changeCount, 2001);
    EXPECT_EQ(log.oldestSlot, 1);
    EXPECT_EQ(log.nextSlot, 1);

    for (int32_t i = 2000; i >= 1; --i) {
        const Popped popped = popRecord(log);
        ASSERT_EQ(popped.position, i * 3);
        ASSERT_EQ(popped.bytes, saved[static_cast<size_t>(i)]);
    }
    expectEmpty(log);
    EXPECT_EQ(log.changeCount, 1);
}

// ---- Pop --------------------------------------------------------------------------------------

TEST(UndoLogPop, SmallOfferAsksForTheSizeAndKeepsTheRecord) {
    UndoLog log(2000);
    ByteSource source(9);
    const auto bytes = appendSaved(log, source, 1234, 40, 0x33);

    uint8_t one = 0xEE;
    int32_t size = 1;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(&one, size, kind), -1);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(one, 0xEE);
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(log.changeCount, 1);
    EXPECT_EQ(log.dataHead, 40u);

    std::vector<uint8_t> buffer(40);
    EXPECT_EQ(log.pop(buffer.data(), size, kind), 1234);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(kind, 0x33);
    EXPECT_EQ(buffer, bytes);
    EXPECT_EQ(log.recordCount, 0);
    EXPECT_EQ(log.changeCount, 0);
    EXPECT_EQ(log.dataHead, 0u);
}

TEST(UndoLogPop, LargerOfferReceivesOnlyTheSavedBytes) {
    UndoLog log(2000);
    ByteSource source(10);
    const auto bytes = appendSaved(log, source, 77, 40);
    std::vector<uint8_t> buffer(100, 0xA5);
    int32_t size = 100;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(buffer.data(), size, kind), 77);
    EXPECT_EQ(size, 40);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer.begin()));
    EXPECT_TRUE(
        std::all_of(buffer.begin() + 40, buffer.end(), [](uint8_t b) { return b == 0xA5; }));
}

TEST(UndoLogPop, RecordWithoutSavedBytesNeedsNoBuffer) {
    UndoLog log(2000);
    ASSERT_TRUE(log.append(500, nullptr, 70, 0x31));
    int32_t size = 0;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(nullptr, size, kind), 500);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(kind, 0x31);
    expectEmpty(log);
}

TEST(UndoLogPop, EmptyLogGivesMinusOneAndSizeZero) {
    UndoLog log(2000);
    expectEmpty(log);
    EXPECT_EQ(log.changeCount, 0);
    const uint8_t byte = 1;
    ASSERT_TRUE(log.append(0, &byte, 1, 0x32));
    popRecord(log);
    expectEmpty(log);
    EXPECT_EQ(log.changeCount, 0);
}

TEST(UndoLogPop, ChangeCountGoesNegativeAfterItWasReset) {
    UndoLog log(2000);
    ByteSource source(12);
    appendSaved(log, source, 1, 10);
    ASSERT_TRUE(log.append(2, nullptr, 4, 0x31));
    log.changeCount = 0; // the document was saved
    popRecord(log);
    popRecord(log);
    EXPECT_EQ(log.changeCount, -2);
    expectEmpty(log);
    EXPECT_EQ(log.changeCount, -2);
}

TEST(UndoLogSavePoint, AChangeAfterASaveNeverMergesIntoAnOlderRecord) {
    UndoLog log(2000);
    const uint8_t before = 0x12;
    const uint8_t afterHigh = 0x92;
    ASSERT_TRUE(log.append(7, &before, 1, 0x12));
    log.changeCount = 0; // the document was saved with the high digit typed
    ASSERT_TRUE(log.append(7, &afterHigh, 1, 0x22));
    EXPECT_EQ(log.recordCount, 2);
    EXPECT_EQ(log.changeCount, 1);
    // Undoing it gives back the saved byte and the saved state.
    uint8_t byte = 0;
    int32_t size = 1;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(&byte, size, kind), 7);
    EXPECT_EQ(kind, 0x22);
    EXPECT_EQ(byte, afterHigh);
    EXPECT_EQ(log.changeCount, 0);
}

TEST(UndoLogSavePoint, ACounterUndoneBelowTheSaveNeverComesBackToZero) {
    UndoLog log(2000);
    const uint8_t old = 0;
    ASSERT_TRUE(log.append(1, &old, 1, 0x32));
    log.changeCount = 0; // saved
    uint8_t byte = 0;
    int32_t size = 1;
    uint8_t kind = 0;
    ASSERT_EQ(log.pop(&byte, size, kind), 1);
    ASSERT_EQ(log.changeCount, -1);
    // Further changes keep the document modified: it no longer holds the saved bytes.
    ASSERT_TRUE(log.append(5, &old, 1, 0x32));
    ASSERT_TRUE(log.append(9, nullptr, 3, 0x31));
    EXPECT_NE(log.changeCount, 0);
    log.countChange();
    EXPECT_NE(log.changeCount, 0);
    size = 1;
    log.pop(&byte, size, kind);
    log.pop(&byte, size, kind);
    EXPECT_LT(log.changeCount, 0);
}

// ---- Refusal and clear ------------------------------------------------------------------------

TEST(UndoLogAppend, MoreThanTheRingIsRefusedAndChangesNothing) {
    UndoLog log(3);
    ByteSource source(13);
    const auto a = appendSaved(log, source, 1, 100);
    const auto b = appendSaved(log, source, 2, 1, 0x12);
    const uint32_t head = log.dataHead;
    const int16_t next = log.nextSlot;
    const std::vector<uint8_t> big = source.take(70000);
    for (const uint8_t kind : {uint8_t{0x32}, uint8_t{0x33}, uint8_t{0x31}}) {
        EXPECT_FALSE(log.append(3, big.data(), static_cast<int32_t>(ring + 1), kind));
        EXPECT_FALSE(log.append(3, big.data(), 70000, kind));
    }
    EXPECT_EQ(log.dataHead, head);
    EXPECT_EQ(log.nextSlot, next);
    EXPECT_EQ(log.oldestSlot, 0);
    EXPECT_EQ(log.recordCount, 2);
    EXPECT_EQ(log.changeCount, 2);
    EXPECT_EQ(ringBytes(log, 0, 100), a);
    EXPECT_EQ(popRecord(log).bytes, b);
    EXPECT_EQ(popRecord(log).bytes, a);
}

TEST(UndoLogAppend, ClearEmptiesTheLogButLeavesTheChangeCount) {
    UndoLog log(4);
    ByteSource source(14);
    for (int32_t i = 0; i < 6; ++i) {
        appendSaved(log, source, i, 700);
    }
    log.clear();
    EXPECT_EQ(log.dataHead, 0u);
    EXPECT_EQ(log.oldestSlot, 0);
    EXPECT_EQ(log.nextSlot, 0);
    EXPECT_EQ(log.recordCount, 0);
    EXPECT_EQ(log.changeCount, 6);
    expectEmpty(log);

    const auto bytes = appendSaved(log, source, 42, 9);
    EXPECT_EQ(ringBytes(log, 0, 9), bytes);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 42);
    EXPECT_EQ(popped.bytes, bytes);
    expectEmpty(log);
}

// ---- A change that fills the whole ring --------------------------------------------------------

TEST(UndoLogWholeRing, ChangeOfExactlyTheRingSizeIsKeptWhole) {
    UndoLog log(2000);
    ByteSource source(15);
    appendSaved(log, source, 1, 100);
    ASSERT_TRUE(log.append(2, nullptr, 5, 0x31));
    appendSaved(log, source, 3, 1, 0x12);
    ASSERT_TRUE(log.append(4, nullptr, 1, 0x31)); // after the last record with bytes
    ASSERT_EQ(log.dataHead, 101u);

    const auto whole = appendSaved(log, source, 5, static_cast<int32_t>(ring), 0x33);
    EXPECT_EQ(log.dataHead, 101u);
    EXPECT_EQ(log.recordCount, 2); // every record with bytes is gone, with all before it
    EXPECT_EQ(log.changeCount, 5);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + (ring - 101), log.dataRing + 101));
    EXPECT_TRUE(std::equal(whole.begin() + (ring - 101), whole.end(), log.dataRing));

    uint8_t one = 0;
    int32_t size = 1;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(&one, size, kind), -1);
    EXPECT_EQ(size, static_cast<int32_t>(ring));
    EXPECT_EQ(log.recordCount, 2);

    std::vector<uint8_t> buffer(ring);
    EXPECT_EQ(log.pop(buffer.data(), size, kind), 5);
    EXPECT_EQ(size, static_cast<int32_t>(ring));
    EXPECT_EQ(kind, 0x33);
    EXPECT_EQ(buffer, whole);
    EXPECT_EQ(log.dataHead, 101u);

    const Popped last = popRecord(log);
    EXPECT_EQ(last.position, 4);
    EXPECT_TRUE(last.bytes.empty());
    expectEmpty(log);
}

TEST(UndoLogWholeRing, RecordsWithoutBytesAfterItLeaveItWhole) {
    UndoLog log(2000);
    ByteSource source(16);
    const auto whole = appendSaved(log, source, 8, static_cast<int32_t>(ring));
    ASSERT_TRUE(log.append(9, nullptr, 3, 0x31));
    ASSERT_TRUE(log.append(10, nullptr, 1, 0x11));
    ASSERT_TRUE(log.append(10, nullptr, 1, 0x21)); // merges into the record before
    EXPECT_EQ(log.recordCount, 3);
    EXPECT_EQ(popRecord(log).kind, 0x31);
    EXPECT_EQ(popRecord(log).position, 9);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 8);
    EXPECT_EQ(popped.bytes, whole);
    expectEmpty(log);
}

TEST(UndoLogWholeRing, LaterSavesDropIt) {
    UndoLog log(2000);
    ByteSource source(17);
    appendSaved(log, source, 8, 300);
    appendSaved(log, source, 9, static_cast<int32_t>(ring));
    ASSERT_TRUE(log.append(10, nullptr, 3, 0x31));
    const auto small = appendSaved(log, source, 11, 1, 0x22);
    EXPECT_EQ(log.recordCount, 2); // the record without bytes after it stays
    EXPECT_EQ(log.dataHead, 301u);
    EXPECT_EQ(popRecord(log).bytes, small);
    const Popped after = popRecord(log);
    EXPECT_EQ(after.position, 10);
    EXPECT_TRUE(after.bytes.empty());
    expectEmpty(log);

    // Twice in a row: the second drops the first.
    appendSaved(log, source, 12, static_cast<int32_t>(ring));
    const auto second = appendSaved(log, source, 13, static_cast<int32_t>(ring));
    EXPECT_EQ(log.recordCount, 1);
    const Popped popped = popRecord(log);
    EXPECT_EQ(popped.position, 13);
    EXPECT_EQ(popped.bytes, second);
    expectEmpty(log);
}

TEST(UndoLogWholeRing, SlotItLeftIsReusedByAnOrdinaryRecord) {
    UndoLog log(1);
    ByteSource source(18);
    appendSaved(log, source, 1, static_cast<int32_t>(ring));
    const auto a = appendSaved(log, source, 2, 5); // overwrites the only slot
    EXPECT_EQ(log.recordCount, 1);
    EXPECT_EQ(popRecord(log).bytes, a);
    expectEmpty(log);

    appendSaved(log, source, 3, static_cast<int32_t>(ring));
    EXPECT_EQ(popRecord(log).bytes.size(), ring);
    // A record that saves nothing in the same slot: its ring offsets meet too.
    ASSERT_TRUE(log.append(5, nullptr, 0, 0x32));
    const Popped empty = popRecord(log);
    EXPECT_EQ(empty.position, 5);
    EXPECT_TRUE(empty.bytes.empty());
    const auto b = appendSaved(log, source, 4, 7);
    EXPECT_EQ(popRecord(log).bytes, b);
    expectEmpty(log);
}

// ---- Out of memory
// -------------------------------------------------------------------------------

class UndoLogWithoutMemory : public ::testing::Test {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
};

// Constructs a log while the allocation after `succeeding` ones fails: the log counts changes
// but keeps nothing.
void expectCountsChangesButKeepsNothing(int succeeding) {
    headless::failAllocations(succeeding, 1);
    UndoLog log(2000);
    EXPECT_EQ(log.slotCount, 0u);

    ByteSource source(19);
    const auto bytes = source.take(ring);
    EXPECT_FALSE(log.append(3, bytes.data(), 100, 0x32));
    EXPECT_EQ(log.changeCount, 1);
    EXPECT_FALSE(log.append(4, bytes.data(), 1, 0x12));
    EXPECT_FALSE(log.append(4, bytes.data(), 1, 0x22)); // nothing to merge into
    EXPECT_FALSE(log.append(5, nullptr, 9, 0x31));
    EXPECT_FALSE(log.append(6, bytes.data(), static_cast<int32_t>(ring), 0x32));
    EXPECT_EQ(log.changeCount, 5);
    EXPECT_FALSE(log.append(7, nullptr, 70000, 0x31)); // refused: not a change at all
    EXPECT_EQ(log.changeCount, 5);
    EXPECT_EQ(log.recordCount, 0);
    EXPECT_EQ(log.dataHead, 0u);

    uint8_t buffer[8] = {};
    int32_t size = 8;
    uint8_t kind = 0;
    EXPECT_EQ(log.pop(buffer, size, kind), -1);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(log.changeCount, 5);
    log.clear();
    EXPECT_EQ(log.pop(buffer, size, kind), -1);
    EXPECT_EQ(size, 0);
}

TEST_F(UndoLogWithoutMemory, NoDataRing) {
    expectCountsChangesButKeepsNothing(0);
}

TEST_F(UndoLogWithoutMemory, NoRecordRing) {
    expectCountsChangesButKeepsNothing(1);
}

// ---- Against a reference model ------------------------------------------------------------------

// The log as plainly as it can be put: the held records in order, each with its own copy of the
// bytes it saved.
class ReferenceLog {
  public:
    struct Record {
        int32_t position;
        uint8_t kind;
        uint32_t dataStart;
        std::vector<uint8_t> bytes;
    };

    explicit ReferenceLog(uint32_t slots) : slots_(slots) {}

    bool append(int32_t position, const uint8_t* source, int32_t count, uint8_t kind) {
        if (count > static_cast<int32_t>(ring)) {
            return false;
        }
        if (count == 1 && !records.empty() && changeCount != 0) {
            Record& newest = records.back();
            if (newest.position == position && (newest.kind & 0x02) == (kind & 0x02) &&
                (newest.kind & 0x20) == 0) {
                // Keeps the digit bits, the half byte and whether it ran past the end.
                newest.kind = static_cast<uint8_t>(newest.kind | (kind & 0xF5));
                return true;
            }
        }
        Record record{position, kind, head, {}};
        if ((kind & 0x02) != 0) {
            const auto saved = static_cast<uint32_t>(std::max(count, 0));
            size_t dropped = 0;
            for (size_t i = 0; i < records.size(); ++i) {
                if ((records[i].kind & 0x02) == 0) {
                    continue;
                }
                if (!inRegion(records[i].dataStart, head, saved)) {
                    break;
                }
                dropped = i + 1;
            }
            records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(dropped));
            record.bytes.assign(source, source + saved);
            head = (head + saved) % ring;
        }
        records.push_back(std::move(record));
        if (records.size() > slots_) {
            records.pop_front();
        }
        if (changeCount >= 0) {
            ++changeCount;
        }
        return true;
    }

    void pop() {
        if ((records.back().kind & 0x02) != 0) {
            head = records.back().dataStart;
        }
        records.pop_back();
        --changeCount;
    }

    void clear() {
        records.clear();
        head = 0;
    }

    std::deque<Record> records;
    uint32_t head = 0;
    int32_t changeCount = 0;

  private:
    // Whether offset lies in the length bytes from start on, around the ring.
    static bool inRegion(uint32_t offset, uint32_t start, uint32_t length) {
        if (length >= ring) {
            return true;
        }
        const uint32_t end = start + length;
        if (end <= ring) {
            return offset >= start && offset < end;
        }
        return offset >= start || offset < end - ring;
    }

    uint32_t slots_;
};

class RandomSequence {
  public:
    RandomSequence(uint32_t seed, int32_t slots)
        : random_(seed), bytes_(seed * 7919u + 1), source_(70000), log_(slots),
          model_(static_cast<uint32_t>(slots)) {}

    void run(int operations) {
        for (int step = 0; step < operations; ++step) {
            // Stretches of mixed edits alternate with stretches of typing, which fill the slots.
            const bool typing = (step / 4000) % 2 == 1;
            const uint32_t choice = random_() % 10000;
            if (choice < (typing ? 9000u : 5600u)) {
                ASSERT_NO_FATAL_FAILURE(append(typing)) << "step " << step;
            } else if (choice < 9950) {
                ASSERT_NO_FATAL_FAILURE(pop()) << "step " << step;
            } else if (choice < 9998) {
                log_.changeCount = 0; // as a save does
                model_.changeCount = 0;
            } else {
                log_.clear();
                model_.clear();
            }
            ASSERT_NO_FATAL_FAILURE(checkCounters()) << "step " << step;
            if (step % 127 == 0) {
                ASSERT_NO_FATAL_FAILURE(checkHeldRecords()) << "step " << step;
            }
        }
        ASSERT_NO_FATAL_FAILURE(checkHeldRecords());
        while (!model_.records.empty()) {
            ASSERT_NO_FATAL_FAILURE(pop());
        }
        ASSERT_NO_FATAL_FAILURE(pop()); // the empty log
    }

  private:
    int32_t randomSize(bool typing) {
        const uint32_t band = random_() % 100;
        if (typing) {
            return band < 70 ? 1 : 2 + static_cast<int32_t>(random_() % 63);
        }
        if (band < 30) {
            return 1;
        }
        if (band < 58) {
            return 2 + static_cast<int32_t>(random_() % 255);
        }
        if (band < 78) {
            return 257 + static_cast<int32_t>(random_() % 7936);
        }
        if (band < 91) {
            return 8193 + static_cast<int32_t>(random_() % (ring - 8193));
        }
        if (band < 94) {
            return static_cast<int32_t>(ring);
        }
        if (band < 99) {
            return static_cast<int32_t>(ring + 1 + random_() % (70000 - ring));
        }
        return 0;
    }

    void append(bool typing) {
        static constexpr uint8_t kinds[] = {0x12, 0x22, 0x32, 0x33, 0x12, 0x32, 0x11, 0x21, 0x31};
        const uint8_t kind = kinds[random_() % std::size(kinds)];
        const int32_t count = randomSize(typing);
        int32_t position = static_cast<int32_t>(random_() % 1000000);
        if (count == 1 && !model_.records.empty() && random_() % 2 == 0) {
            position = model_.records.back().position;
        }
        const bool saves = (kind & 0x02) != 0;
        if (saves && count <= static_cast<int32_t>(ring)) {
            bytes_.fill(source_.data(), static_cast<size_t>(count));
        }
        const uint8_t* from = saves ? source_.data() : nullptr;

        const uint32_t head = log_.dataHead;
        const int16_t oldest = log_.oldestSlot;
        const int16_t next = log_.nextSlot;
        const bool expected = model_.append(position, from, count, kind);
        ASSERT_EQ(log_.append(position, from, count, kind), expected)
            << "count " << count << " kind " << int{kind};
        if (count > static_cast<int32_t>(ring)) {
            ASSERT_EQ(log_.dataHead, head);
            ASSERT_EQ(log_.oldestSlot, oldest);
            ASSERT_EQ(log_.nextSlot, next);
        }
    }

    void pop() {
        static const uint8_t sentinel = 0xA5;
        const uint32_t offerChoice = random_() % 10;
        int32_t offer = 1;
        if (offerChoice == 0) {
            offer = 0;
        } else if (offerChoice == 9) {
            offer = 1 + static_cast<int32_t>(random_() % 70000);
        }
        std::vector<uint8_t> buffer(static_cast<size_t>(offer), sentinel);
        int32_t size = offer;
        uint8_t kind = 0;
        int32_t position = log_.pop(buffer.data(), size, kind);

        if (model_.records.empty()) {
            ASSERT_EQ(position, -1);
            ASSERT_EQ(size, 0);
            return;
        }
        const ReferenceLog::Record& newest = model_.records.back();
        const auto needed = static_cast<int32_t>(newest.bytes.size());
        if (offer < needed) {
            ASSERT_EQ(position, -1);
            ASSERT_EQ(size, needed);
            ASSERT_NO_FATAL_FAILURE(checkCounters()); // the record stays
            buffer.assign(static_cast<size_t>(needed), sentinel);
            size = needed;
            position = log_.pop(buffer.data(), size, kind);
        }
        ASSERT_EQ(position, newest.position);
        ASSERT_EQ(kind, newest.kind);
        ASSERT_EQ(size, needed);
        ASSERT_TRUE(std::equal(newest.bytes.begin(), newest.bytes.end(), buffer.begin()))
            << "saved bytes differ at position " << newest.position;
        ASSERT_TRUE(std::all_of(buffer.begin() + needed, buffer.end(),
                                [](uint8_t b) { return b == sentinel; }));
        model_.pop();
    }

    void checkCounters() {
        ASSERT_EQ(static_cast<size_t>(log_.recordCount), model_.records.size());
        ASSERT_EQ(log_.dataHead, model_.head);
        ASSERT_EQ(log_.changeCount, model_.changeCount);
    }

    // Every held record is in its slot as logged, and the bytes it saved are still in the ring.
    void checkHeldRecords() {
        const uint32_t slots = log_.slotCount;
        const auto oldest = static_cast<uint32_t>(log_.oldestSlot);
        const auto held = static_cast<uint32_t>(log_.recordCount);
        ASSERT_EQ(static_cast<uint32_t>(log_.nextSlot), (oldest + held) % slots);
        for (uint32_t i = 0; i < held; ++i) {
            const UndoRecord& record = log_.recordRing[(oldest + i) % slots];
            const ReferenceLog::Record& expected = model_.records[i];
            ASSERT_EQ(static_cast<int32_t>(record.position), expected.position) << "record " << i;
            ASSERT_EQ(record.kind, expected.kind) << "record " << i;
            if ((expected.kind & 0x02) == 0) {
                continue;
            }
            ASSERT_EQ(record.dataStart, expected.dataStart) << "record " << i;
            const uint32_t count = static_cast<uint32_t>(expected.bytes.size());
            const uint32_t firstPart = std::min(count, ring - expected.dataStart);
            ASSERT_TRUE(std::equal(expected.bytes.begin(), expected.bytes.begin() + firstPart,
                                   log_.dataRing + expected.dataStart))
                << "saved bytes of record " << i << " overwritten";
            ASSERT_TRUE(
                std::equal(expected.bytes.begin() + firstPart, expected.bytes.end(), log_.dataRing))
                << "saved bytes of record " << i << " overwritten";
        }
    }

    std::mt19937 random_;
    ByteSource bytes_;
    std::vector<uint8_t> source_;
    UndoLog log_;
    ReferenceLog model_;
};

TEST(UndoLogRandomized, AgreesWithTheReferenceModel) {
    struct Run {
        uint32_t seed;
        int32_t slots;
    };
    for (const Run run : {Run{1, 2000}, Run{2, 7}, Run{3, 64}, Run{4, 1}, Run{5, 5461}}) {
        SCOPED_TRACE(::testing::Message() << "seed " << run.seed << ", " << run.slots << " slots");
        RandomSequence sequence(run.seed, run.slots);
        sequence.run(20000);
        if (HasFatalFailure()) {
            return;
        }
    }
}

} // namespace
