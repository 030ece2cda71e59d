// The document buffer: the growable store, the window of hex text beside it, cell writes,
// copies in and out, file input and output, and what happens when memory runs short.
#include "document/document_buffer.h"

#include "app/editor_state.h"
#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr char poison = '#';

// A byte value for every offset that differs from its neighbours, so that text shifted by a
// byte or taken from the wrong offset shows.
uint8_t patternByte(int32_t offset) {
    const auto u = static_cast<uint32_t>(offset);
    return static_cast<uint8_t>(u * 151u + (u >> 7) * 29u + (u >> 15) * 7u + 3u);
}

void fillStore(DocumentBuffer& doc) {
    for (int32_t i = 0; i < doc.capacity; ++i) {
        doc.bytes[i] = patternByte(i);
    }
}

char highDigit(uint8_t byte) {
    return "0123456789ABCDEF"[byte >> 4];
}
char lowDigit(uint8_t byte) {
    return "0123456789ABCDEF"[byte & 15];
}

// The window invariants, and the hex text of every byte in the valid window against the store.
::testing::AssertionResult windowMatchesStore(const DocumentBuffer& doc) {
    if (!(doc.cacheBase <= doc.validStart && doc.validStart <= doc.validEnd &&
          static_cast<int64_t>(doc.validEnd) <=
              static_cast<int64_t>(doc.cacheBase) + doc.cacheCapacity)) {
        return ::testing::AssertionFailure()
               << "window out of the cache: cacheBase " << doc.cacheBase << ", validStart "
               << doc.validStart << ", validEnd " << doc.validEnd << ", cacheCapacity "
               << doc.cacheCapacity;
    }
    if (doc.validEnd > doc.capacity) {
        return ::testing::AssertionFailure()
               << "window end " << doc.validEnd << " beyond the capacity " << doc.capacity;
    }
    for (int32_t b = doc.validStart; b < doc.validEnd; ++b) {
        const size_t slot = 2 * static_cast<size_t>(b - doc.cacheBase);
        const uint8_t byte = doc.bytes[b];
        if (doc.hexText[slot] != highDigit(byte) || doc.hexText[slot + 1] != lowDigit(byte)) {
            return ::testing::AssertionFailure()
                   << "byte " << b << " is " << unsigned{byte} << " but its text is '"
                   << doc.hexText[slot] << doc.hexText[slot + 1] << "'";
        }
    }
    return ::testing::AssertionSuccess();
}

void poisonCache(DocumentBuffer& doc) {
    std::fill(doc.hexText, doc.hexText + 2 * static_cast<size_t>(doc.cacheCapacity), poison);
}

// Poisons the cache slots that describe no byte of the valid window.
void poisonOutsideWindow(DocumentBuffer& doc) {
    for (int32_t slot = 0; slot < doc.cacheCapacity; ++slot) {
        const int32_t b = doc.cacheBase + slot;
        if (b < doc.validStart || b >= doc.validEnd) {
            doc.hexText[2 * slot] = poison;
            doc.hexText[2 * slot + 1] = poison;
        }
    }
}

std::vector<char> cacheSnapshot(const DocumentBuffer& doc) {
    return std::vector<char>(doc.hexText, doc.hexText + 2 * static_cast<size_t>(doc.cacheCapacity));
}

// Every cache character outside the slots of the given byte ranges (at the current cacheBase)
// is as it was in the snapshot.
::testing::AssertionResult onlyRangesWritten(const DocumentBuffer& doc,
                                             const std::vector<char>& before,
                                             std::vector<std::pair<int32_t, int32_t>> ranges) {
    if (before.size() != 2 * static_cast<size_t>(doc.cacheCapacity)) {
        return ::testing::AssertionFailure() << "the cache changed its size";
    }
    for (int32_t slot = 0; slot < doc.cacheCapacity; ++slot) {
        const int32_t b = doc.cacheBase + slot;
        const bool inRange = std::any_of(ranges.begin(), ranges.end(), [b](const auto& range) {
            return b >= range.first && b < range.second;
        });
        if (inRange) {
            continue;
        }
        for (int digit = 0; digit < 2; ++digit) {
            const size_t at = 2 * static_cast<size_t>(slot) + static_cast<size_t>(digit);
            if (doc.hexText[at] != before[at]) {
                return ::testing::AssertionFailure()
                       << "the text of byte " << b << " was written ('" << before[at] << "' -> '"
                       << doc.hexText[at] << "')";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

void expectWindow(const DocumentBuffer& doc, int32_t cacheBase, int32_t validStart,
                  int32_t validEnd) {
    EXPECT_EQ(doc.cacheBase, cacheBase);
    EXPECT_EQ(doc.validStart, validStart);
    EXPECT_EQ(doc.validEnd, validEnd);
}

// A file in the test's temporary directory, removed at the end.
class TempFile {
  public:
    TempFile() {
        std::string pattern = ::testing::TempDir() + "document_buffer_XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = mkstemp(name.data());
        if (descriptor >= 0) {
            close(descriptor);
        }
        path_ = name.data();
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.c_str(); }

    void write(const std::vector<uint8_t>& content) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file), content.size());
        std::fclose(file);
    }

    std::vector<uint8_t> read() const {
        std::vector<uint8_t> content;
        std::FILE* file = std::fopen(path_.c_str(), "rb");
        if (file == nullptr) {
            return content;
        }
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            content.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(file);
        return content;
    }

  private:
    std::string path_;
};

std::vector<uint8_t> patternBytes(size_t count, uint8_t salt) {
    std::vector<uint8_t> content(count);
    for (size_t i = 0; i < count; ++i) {
        content[i] = static_cast<uint8_t>(patternByte(static_cast<int32_t>(i)) ^ salt);
    }
    return content;
}

class DocumentBufferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        doc = std::make_unique<DocumentBuffer>();
    }
    void TearDown() override {
        if (state.document == doc.get()) {
            state.document = nullptr;
        }
        headless::reset();
    }

    std::unique_ptr<DocumentBuffer> doc;
};

// ---- Creation, reset and store growth ---------------------------------------------------------

TEST_F(DocumentBufferTest, StartsWithA32KiBStoreAnd4096ByteCacheAndAnEmptyWindow) {
    EXPECT_EQ(doc->capacity, 32768);
    EXPECT_EQ(doc->cacheCapacity, 4096);
    expectWindow(*doc, 0, 0, 0);
    ASSERT_NE(doc->bytes, nullptr);
    ASSERT_NE(doc->hexText, nullptr);
    // Both blocks are as large as they claim.
    doc->bytes[0] = 1;
    doc->bytes[32767] = 2;
    doc->hexText[0] = 'x';
    doc->hexText[2 * 4096 - 1] = 'y';
    EXPECT_FALSE(doc->covers(0, 1));
    EXPECT_TRUE(doc->covers(0, 0));
}

TEST_F(DocumentBufferTest, ResetSetsTheCapacityExactlyAndEmptiesTheWindow) {
    fillStore(*doc);
    doc->ensureHex(20000, 320);
    ASSERT_TRUE(doc->covers(20000, 20320));
    doc->reset(1000);
    EXPECT_EQ(doc->capacity, 1000);
    expectWindow(*doc, 0, 0, 0);
    EXPECT_EQ(doc->cacheCapacity, 4096);
    doc->bytes[999] = 0x42;
    EXPECT_EQ(doc->bytes[999], 0x42);
}

TEST_F(DocumentBufferTest, CacheKeepsItsGrownSizeAcrossReset) {
    doc->ensureHex(0, 5000);
    ASSERT_EQ(doc->cacheCapacity, 5120);
    doc->reset(0x8000);
    EXPECT_EQ(doc->cacheCapacity, 5120);
    EXPECT_EQ(doc->capacity, 0x8000);
    expectWindow(*doc, 0, 0, 0);
}

TEST_F(DocumentBufferTest, EmptyDocumentGrowsTo64KiBWhenTheFirstByteIsTyped) {
    doc->reset(0);
    EXPECT_EQ(doc->capacity, 0);
    EXPECT_NE(doc->bytes, nullptr);
    // Byte entry asks for the byte's text, then writes its digits.
    doc->ensureHex(0, 1);
    EXPECT_EQ(doc->capacity, 65536);
    EXPECT_TRUE(doc->covers(0, 1));
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_TRUE(doc->setCell(0, 'A', false));
    EXPECT_TRUE(doc->setCell(1, '7', false));
    EXPECT_EQ(doc->bytes[0], 0xA7);
    EXPECT_EQ(doc->hexText[0], 'A');
    EXPECT_EQ(doc->hexText[1], '7');
}

TEST_F(DocumentBufferTest, GrowRoundsUpToA64KiBMultipleWithAtLeast32KiBToSpare) {
    const std::pair<int32_t, int32_t> cases[] = {{32769, 131072}, {65536, 131072},  {1, 65536},
                                                 {32768, 65536},  {100000, 196608}, {32767, 65536},
                                                 {98304, 131072}};
    for (const auto& [required, expected] : cases) {
        doc->reset(0);
        ASSERT_TRUE(doc->grow(required)) << required;
        EXPECT_EQ(doc->capacity, expected) << "grow(" << required << ")";
        doc->bytes[expected - 1] = 0x5A; // the block is really that large
    }
    // From the initial store as well.
    auto fresh = std::make_unique<DocumentBuffer>();
    ASSERT_TRUE(fresh->grow(32769));
    EXPECT_EQ(fresh->capacity, 131072);
}

TEST_F(DocumentBufferTest, GrowKeepsTheContents) {
    fillStore(*doc);
    ASSERT_TRUE(doc->grow(40000));
    EXPECT_EQ(doc->capacity, 131072);
    for (int32_t i = 0; i < 32768; ++i) {
        ASSERT_EQ(doc->bytes[i], patternByte(i)) << "offset " << i;
    }
}

TEST_F(DocumentBufferTest, FailedGrowLeavesTheStoreAsItWas) {
    fillStore(*doc);
    uint8_t* const bytesBefore = doc->bytes;
    headless::failAllocations(0, 1);
    EXPECT_FALSE(doc->grow(40000));
    EXPECT_EQ(doc->capacity, 32768);
    EXPECT_EQ(doc->bytes, bytesBefore);
    for (int32_t i = 0; i < 32768; ++i) {
        ASSERT_EQ(doc->bytes[i], patternByte(i)) << "offset " << i;
    }
    // The next attempt succeeds.
    EXPECT_TRUE(doc->grow(40000));
    EXPECT_EQ(doc->capacity, 131072);
    EXPECT_EQ(doc->bytes[32767], patternByte(32767));
}

TEST_F(DocumentBufferTest, GrowCacheRoundsUpToTheNextMultipleOf512) {
    ASSERT_TRUE(doc->growCache(4096));
    EXPECT_EQ(doc->cacheCapacity, 4608);
    ASSERT_TRUE(doc->growCache(5000));
    EXPECT_EQ(doc->cacheCapacity, 5120);
    ASSERT_TRUE(doc->growCache(5120));
    EXPECT_EQ(doc->cacheCapacity, 5632);
    doc->hexText[2 * 5632 - 1] = 'z';
}

// ---- The window of hex text ---------------------------------------------------------------

TEST_F(DocumentBufferTest, RequestInsideTheWindowEncodesNothing) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    expectWindow(*doc, 0, 0, 320);
    ASSERT_TRUE(windowMatchesStore(*doc));
    poisonOutsideWindow(*doc);
    // A byte changed behind the buffer's back shows whether the text is encoded again.
    doc->bytes[100] ^= 0xFF;
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(16, 160);
    doc->ensureHex(0, 320);
    doc->ensureHex(319, 1);
    doc->ensureHex(320, 0);
    doc->ensureHex(0, 0);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {}));
    expectWindow(*doc, 0, 0, 320);
    doc->bytes[100] ^= 0xFF;
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, ScrollingDownOneRowEncodesOnlyThatRow) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonOutsideWindow(*doc);
    doc->bytes[100] ^= 0xFF;
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(16, 320);
    expectWindow(*doc, 0, 0, 336);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{320, 336}}));
    doc->bytes[100] ^= 0xFF;
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_TRUE(doc->covers(16, 336));
}

TEST_F(DocumentBufferTest, RequestAboveTheWindowExtendsOverTheGap) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonOutsideWindow(*doc);
    const auto before = cacheSnapshot(*doc);
    // Ends one byte short of the cache's end: the window grows to include the gap.
    doc->ensureHex(3095, 1000);
    expectWindow(*doc, 0, 0, 4095);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{320, 4095}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RequestAboveTheWindowEndingAtTheCacheEndResetsTheWindow) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonCache(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(3096, 1000);
    expectWindow(*doc, 3096, 3096, 4096);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{3096, 4096}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, JumpFarAheadResetsTheWindowToTheRequest) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonCache(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(20000, 320);
    expectWindow(*doc, 20000, 20000, 20320);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{20000, 20320}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, FirstRequestBelowTheCacheBaseRebasesSoTheWindowEndsAtTheCacheEnd) {
    fillStore(*doc);
    doc->ensureHex(20000, 320);
    ASSERT_EQ(doc->cacheBase, 20000);
    poisonCache(*doc);
    const auto before = cacheSnapshot(*doc);
    // Scrolling up by one row of 16 bytes.
    doc->ensureHex(19984, 320);
    expectWindow(*doc, 20304 - 4096, 19984, 20304);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{19984, 20304}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, ScrollingUpAfterARebaseExtendsTheWindowAtItsLowEnd) {
    fillStore(*doc);
    doc->ensureHex(20000, 320);
    doc->ensureHex(19984, 320);
    ASSERT_EQ(doc->cacheBase, 16208);
    poisonOutsideWindow(*doc);
    doc->bytes[20100] ^= 0xFF;
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(19968, 320);
    expectWindow(*doc, 16208, 19968, 20304);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{19968, 19984}}));
    doc->bytes[20100] ^= 0xFF;
    EXPECT_TRUE(windowMatchesStore(*doc));
    // Many rows further up the base still serves.
    for (int32_t start = 19952; start >= 16208; start -= 16) {
        doc->ensureHex(start, 320);
        ASSERT_EQ(doc->cacheBase, 16208) << start;
        ASSERT_EQ(doc->validStart, start);
        ASSERT_EQ(doc->validEnd, 20304);
    }
    EXPECT_TRUE(windowMatchesStore(*doc));
    // One more row up leaves the cache: a new rebase.
    doc->ensureHex(16192, 320);
    expectWindow(*doc, 16512 - 4096, 16192, 16512);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RebaseNeverGoesBelowOffsetZero) {
    fillStore(*doc);
    doc->ensureHex(5000, 100);
    ASSERT_EQ(doc->cacheBase, 5000);
    poisonCache(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(1000, 100);
    expectWindow(*doc, 0, 1000, 1100);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{1000, 1100}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RequestBelowTheWindowEndingExactlyAtTheCacheEndExtendsIt) {
    fillStore(*doc);
    doc->ensureHex(5000, 100);
    doc->ensureHex(1000, 100);
    ASSERT_EQ(doc->cacheBase, 0);
    poisonOutsideWindow(*doc);
    doc->bytes[1050] ^= 0xFF;
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(900, 4096 - 900);
    expectWindow(*doc, 0, 900, 4096);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{900, 1000}, {1100, 4096}}));
    doc->bytes[1050] ^= 0xFF;
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RequestBelowTheWindowEndingPastTheCacheEndResetsIt) {
    fillStore(*doc);
    doc->ensureHex(5000, 100);
    doc->ensureHex(1000, 100);
    ASSERT_EQ(doc->cacheBase, 0);
    poisonCache(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(900, 4097 - 900);
    expectWindow(*doc, 900, 900, 4097);
    EXPECT_EQ(doc->cacheCapacity, 4096);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{900, 4097}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RequestReachingBothSidesOfTheWindowMakesAllOfItValid) {
    fillStore(*doc);
    doc->ensureHex(5000, 100);
    doc->ensureHex(1000, 100);
    poisonOutsideWindow(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->ensureHex(950, 2000);
    expectWindow(*doc, 0, 950, 2950);
    EXPECT_TRUE(doc->covers(950, 2950));
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{950, 1000}, {1100, 2950}}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, RequestLargerThanTheCacheGrowsItAndResetsTheWindow) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    doc->ensureHex(100, 5000);
    EXPECT_EQ(doc->cacheCapacity, 5120);
    expectWindow(*doc, 100, 100, 5100);
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(DocumentBufferTest, RequestAsLargeAsTheCacheDoesNotGrowIt) {
    fillStore(*doc);
    doc->ensureHex(8000, 4096);
    EXPECT_EQ(doc->cacheCapacity, 4096);
    expectWindow(*doc, 8000, 8000, 12096);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, LargestRequestIsServed) {
    doc->reset(200000);
    fillStore(*doc);
    doc->ensureHex(70000, 65535);
    EXPECT_EQ(doc->cacheCapacity, 65536);
    expectWindow(*doc, 70000, 70000, 135535);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, WindowPastTheCapacityGrowsTheStore) {
    doc->reset(1000);
    fillStore(*doc);
    doc->ensureHex(990, 20);
    EXPECT_EQ(doc->capacity, 65536);
    expectWindow(*doc, 0, 0, 1010);
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(doc->bytes[i], patternByte(i));
    }
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, WindowEndsAtTheCapacityWhenTheStoreCannotGrow) {
    doc->reset(1000);
    fillStore(*doc);
    headless::failAllocations(0, 1);
    doc->ensureHex(990, 20);
    EXPECT_EQ(doc->capacity, 1000);
    EXPECT_EQ(doc->validEnd, 1000);
    EXPECT_TRUE(doc->covers(990, 1000));
    EXPECT_FALSE(doc->covers(990, 1010));
    EXPECT_TRUE(windowMatchesStore(*doc));

    // A jump wholly beyond the store leaves an empty window inside it.
    headless::failAllocations(0, 1);
    doc->ensureHex(50000, 100);
    EXPECT_EQ(doc->capacity, 1000);
    EXPECT_FALSE(doc->covers(50000, 50100));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

// A model of the window rules, to compare the buffer with over long runs of requests.
struct WindowModel {
    int32_t cacheBase = 0;
    int32_t validStart = 0;
    int32_t validEnd = 0;
    int32_t cacheCapacity = 4096;

    void request(int32_t start, int32_t count) {
        const int32_t end = start + count;
        if (start >= validStart && end <= validEnd) {
            return;
        }
        if (count > cacheCapacity) {
            cacheCapacity = (count / 512 + 1) * 512;
            cacheBase = validStart = start;
            validEnd = end;
        } else if (start < validStart) {
            if (end > cacheBase + cacheCapacity) {
                cacheBase = validStart = start;
                validEnd = end;
            } else if (start >= cacheBase) {
                validStart = start;
                validEnd = std::max(validEnd, end);
            } else {
                cacheBase = std::max(0, end - cacheCapacity);
                validStart = start;
                validEnd = end;
            }
        } else if (end >= cacheBase + cacheCapacity) {
            cacheBase = validStart = start;
            validEnd = end;
        } else {
            validEnd = end;
        }
    }
};

TEST_F(DocumentBufferTest, WindowFollowsScrollingAndJumpsLikeTheModel) {
    doc->reset(300000);
    fillStore(*doc);
    WindowModel model;
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        auto uniform = [&random](int32_t low, int32_t high) {
            return std::uniform_int_distribution<int32_t>(low, high)(random);
        };
        int32_t top = 0;
        int32_t rowBytes = 16;
        int32_t rows = 20;
        for (int step = 0; step < 1500; ++step) {
            switch (uniform(0, 9)) {
            case 0: // a jump
                top = uniform(0, 250000) / rowBytes * rowBytes;
                break;
            case 1: // a page
                top = std::max(0, top + (uniform(0, 1) == 0 ? -1 : 1) * rowBytes * rows);
                break;
            case 2: // another window size
                rowBytes = uniform(1, 63);
                rows = uniform(1, 80);
                top = top / rowBytes * rowBytes;
                break;
            case 3: // one byte being typed somewhere near
                top = std::max(0, top + uniform(-2000, 2000));
                break;
            case 4: // a rare very large window
                if (uniform(0, 20) == 0) {
                    rowBytes = 63;
                    rows = uniform(60, 120);
                }
                break;
            default: // a row up or down
                top = std::max(0, top + (uniform(0, 2) == 0 ? -rowBytes : rowBytes));
                break;
            }
            top = std::min(top, 290000 - rowBytes * rows);
            const int32_t count = rowBytes * rows;
            const int32_t cacheCapacityBefore = doc->cacheCapacity;
            poisonOutsideWindow(*doc);
            const auto before = cacheSnapshot(*doc);
            doc->ensureHex(top, count);
            model.request(top, count);
            ASSERT_EQ(doc->cacheBase, model.cacheBase) << "seed " << seed << " step " << step;
            ASSERT_EQ(doc->validStart, model.validStart) << "seed " << seed << " step " << step;
            ASSERT_EQ(doc->validEnd, model.validEnd) << "seed " << seed << " step " << step;
            ASSERT_EQ(doc->cacheCapacity, model.cacheCapacity) << "seed " << seed;
            ASSERT_TRUE(doc->covers(top, top + count));
            ASSERT_TRUE(windowMatchesStore(*doc)) << "seed " << seed << " step " << step;
            if (doc->cacheCapacity == cacheCapacityBefore) {
                ASSERT_TRUE(onlyRangesWritten(*doc, before, {{doc->validStart, doc->validEnd}}))
                    << "seed " << seed << " step " << step;
            }
        }
    }
    EXPECT_EQ(doc->capacity, 300000);
}

// ---- Refreshing and cell writes -----------------------------------------------------------

TEST_F(DocumentBufferTest, RefreshReencodesTheChangedBytesInsideTheWindow) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonOutsideWindow(*doc);
    for (int32_t i = 10; i < 20; ++i) {
        doc->bytes[i] = static_cast<uint8_t>(~doc->bytes[i]);
    }
    auto before = cacheSnapshot(*doc);
    doc->refreshHex(10, 10);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{10, 20}}));
    EXPECT_TRUE(windowMatchesStore(*doc));

    // A range running out of the window is encoded only up to the window's end.
    for (int32_t i = 300; i < 400; ++i) {
        doc->bytes[i] = static_cast<uint8_t>(~doc->bytes[i]);
    }
    before = cacheSnapshot(*doc);
    doc->refreshHex(300, 100);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{300, 320}}));
    EXPECT_TRUE(windowMatchesStore(*doc));

    // Ranges wholly outside the window change nothing.
    before = cacheSnapshot(*doc);
    doc->refreshHex(320, 50);
    doc->refreshHex(1000, 3000);
    doc->refreshHex(0, 0);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {}));
}

TEST_F(DocumentBufferTest, RefreshOfARangeStartingBelowTheWindowStaysInTheCache) {
    fillStore(*doc);
    doc->ensureHex(20000, 320);
    doc->ensureHex(19984, 320); // rebased: the cache reaches below the window
    for (int32_t i = 19000; i < 20304; ++i) {
        doc->bytes[i] = static_cast<uint8_t>(~doc->bytes[i]);
    }
    poisonOutsideWindow(*doc);
    const auto before = cacheSnapshot(*doc);
    // A range ending where the window starts is left alone, cache slots below it included.
    doc->refreshHex(doc->cacheBase, doc->validStart - doc->cacheBase);
    doc->refreshHex(10000, doc->validStart - 10000);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {}));
    doc->refreshHex(10000, 10100);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {{doc->cacheBase, 20100}}));
    for (int32_t b = 19984; b < 20100; ++b) {
        const size_t slot = 2 * static_cast<size_t>(b - doc->cacheBase);
        ASSERT_EQ(doc->hexText[slot], highDigit(doc->bytes[b])) << b;
        ASSERT_EQ(doc->hexText[slot + 1], lowDigit(doc->bytes[b])) << b;
    }
}

TEST_F(DocumentBufferTest, SetCellWholeByteWritesTheStoreAndItsText) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    EXPECT_TRUE(doc->setCell(2 * 7, 0x5C, true));
    EXPECT_EQ(doc->bytes[7], 0x5C);
    EXPECT_EQ(doc->hexText[14], '5');
    EXPECT_EQ(doc->hexText[15], 'C');
    // The nibble index of a low digit names the same byte.
    EXPECT_TRUE(doc->setCell(2 * 8 + 1, 0xE1, true));
    EXPECT_EQ(doc->bytes[8], 0xE1);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, SetCellDigitsCombineWithTheOtherCachedDigit) {
    fillStore(*doc);
    doc->bytes[5] = 0x3C;
    doc->ensureHex(5, 1);
    EXPECT_TRUE(doc->setCell(10, 'A', false));
    EXPECT_EQ(doc->bytes[5], 0xAC);
    EXPECT_EQ(doc->hexText[10], 'A');
    EXPECT_EQ(doc->hexText[11], 'C');
    EXPECT_TRUE(doc->setCell(11, '7', false));
    EXPECT_EQ(doc->bytes[5], 0xA7);
    EXPECT_EQ(doc->hexText[11], '7');
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, SetCellDigitInARebasedCacheUsesTheByteSlot) {
    fillStore(*doc);
    doc->ensureHex(20000, 320);
    doc->ensureHex(19984, 320);
    ASSERT_NE(doc->cacheBase, doc->validStart);
    doc->bytes[20001] = 0x00;
    doc->refreshHex(20001, 1);
    EXPECT_TRUE(doc->setCell(2 * 20001, 'F', false));
    EXPECT_TRUE(doc->setCell(2 * 20001 + 1, 'E', false));
    EXPECT_EQ(doc->bytes[20001], 0xFE);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, TypingAtTheEndCombinesWithTheCachedLowDigitOfTheOldContent) {
    doc->reset(0);
    doc->ensureHex(0, 1);
    doc->bytes[0] = 0x4D; // whatever the enlarged block held
    doc->refreshHex(0, 1);
    EXPECT_TRUE(doc->setCell(0, '2', false));
    EXPECT_EQ(doc->bytes[0], 0x2D);
}

TEST_F(DocumentBufferTest, SetCellOutsideTheWindowStillWritesTheStore) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    poisonOutsideWindow(*doc);
    const auto before = cacheSnapshot(*doc);
    doc->bytes[2000] = 0x12;
    EXPECT_TRUE(doc->setCell(4000, 'F', false));
    EXPECT_EQ(doc->bytes[2000], 0xF2);
    EXPECT_TRUE(doc->setCell(4001, '0', false));
    EXPECT_EQ(doc->bytes[2000], 0xF0);
    EXPECT_TRUE(doc->setCell(4002, 0x99, true));
    EXPECT_EQ(doc->bytes[2001], 0x99);
    EXPECT_TRUE(onlyRangesWritten(*doc, before, {}));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, SetCellAtOrBeyondTheCapacityWritesNothing) {
    doc->reset(100);
    fillStore(*doc);
    doc->ensureHex(90, 10);
    EXPECT_FALSE(doc->setCell(200, 'A', false));
    EXPECT_FALSE(doc->setCell(201, 'A', false));
    EXPECT_FALSE(doc->setCell(200, 0x11, true));
    EXPECT_FALSE(doc->setCell(5000, 0x11, true));
    EXPECT_EQ(doc->capacity, 100);
    EXPECT_TRUE(doc->setCell(199, 'A', false));
    EXPECT_EQ(doc->bytes[99] & 0x0F, 0x0A);
    EXPECT_TRUE(windowMatchesStore(*doc));

    doc->reset(0);
    EXPECT_FALSE(doc->setCell(0, 'A', false));
    EXPECT_FALSE(doc->setCell(1, 0x11, true));
}

// ---- Copies in and out ------------------------------------------------------------------------

TEST_F(DocumentBufferTest, TransferIntoTheStoreCopiesAndRefreshesTheText) {
    fillStore(*doc);
    doc->ensureHex(0, 320);
    uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    EXPECT_EQ(doc->transfer(10, 5, data, true), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(doc->bytes[10 + i], data[i]);
    }
    EXPECT_EQ(doc->bytes[9], patternByte(9));
    EXPECT_EQ(doc->bytes[15], patternByte(15));
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_EQ(std::string(doc->hexText + 20, 10), "DEADBEEF01");
}

TEST_F(DocumentBufferTest, TransferIntoTheStorePastItsCapacityGrowsIt) {
    doc->reset(100);
    fillStore(*doc);
    std::vector<uint8_t> data = patternBytes(20, 0x55);
    EXPECT_EQ(doc->transfer(90, 20, data.data(), true), 20);
    EXPECT_EQ(doc->capacity, 65536);
    for (int32_t i = 0; i < 90; ++i) {
        ASSERT_EQ(doc->bytes[i], patternByte(i));
    }
    for (int32_t i = 0; i < 20; ++i) {
        ASSERT_EQ(doc->bytes[90 + i], data[static_cast<size_t>(i)]);
    }
}

TEST_F(DocumentBufferTest, TransferIntoAStoreThatCannotGrowCopiesUpToTheCapacity) {
    doc->reset(100);
    fillStore(*doc);
    doc->ensureHex(0, 100);
    std::vector<uint8_t> data = patternBytes(20, 0x55);
    headless::failAllocations(0, -1);
    EXPECT_EQ(doc->transfer(90, 20, data.data(), true), 10);
    EXPECT_EQ(doc->capacity, 100);
    for (int32_t i = 0; i < 10; ++i) {
        ASSERT_EQ(doc->bytes[90 + i], data[static_cast<size_t>(i)]);
    }
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_EQ(doc->transfer(100, 5, data.data(), true), 0);
    EXPECT_EQ(doc->transfer(150, 5, data.data(), true), 0);
    EXPECT_EQ(doc->capacity, 100);
}

TEST_F(DocumentBufferTest, TransferOutOfTheStoreIsBoundedByTheCapacity) {
    doc->reset(100);
    fillStore(*doc);
    std::vector<uint8_t> out(32, 0xEE);
    EXPECT_EQ(doc->transfer(10, 5, out.data(), false), 5);
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(out[static_cast<size_t>(i)], patternByte(10 + i));
    }
    EXPECT_EQ(out[5], 0xEE);

    std::fill(out.begin(), out.end(), 0xEE);
    EXPECT_EQ(doc->transfer(90, 20, out.data(), false), 10);
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out[static_cast<size_t>(i)], patternByte(90 + i));
    }
    EXPECT_EQ(out[10], 0xEE);

    std::fill(out.begin(), out.end(), 0xEE);
    EXPECT_EQ(doc->transfer(100, 5, out.data(), false), 0);
    EXPECT_EQ(doc->transfer(101, 5, out.data(), false), 0);
    EXPECT_EQ(doc->transfer(5000, 5, out.data(), false), 0);
    EXPECT_EQ(doc->transfer(10, 0, out.data(), false), 0);
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(doc->capacity, 100);
}

TEST_F(DocumentBufferTest, TransferOfNothingIntoTheStoreReturnsZero) {
    uint8_t data[1] = {0x77};
    const uint8_t first = doc->bytes[0];
    EXPECT_EQ(doc->transfer(0, 0, data, true), 0);
    EXPECT_EQ(doc->bytes[0], first);
    EXPECT_EQ(doc->capacity, 32768);
}

// ---- Files --------------------------------------------------------------------------------

TEST_F(DocumentBufferTest, WriteToFileWritesTheRangeAndReturnsItsLength) {
    fillStore(*doc);
    TempFile file;
    platform::File out = platform::createFile(file.path());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(doc->writeToFile(out, 10, 30), 20);
    platform::closeFile(out);
    const auto content = file.read();
    ASSERT_EQ(content.size(), 20u);
    for (int32_t i = 0; i < 20; ++i) {
        EXPECT_EQ(content[static_cast<size_t>(i)], patternByte(10 + i));
    }
}

TEST_F(DocumentBufferTest, WriteToFileOfAnEmptyOrReversedRangeWritesNothing) {
    fillStore(*doc);
    TempFile file;
    platform::File out = platform::createFile(file.path());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(doc->writeToFile(out, 10, 10), 0);
    EXPECT_EQ(doc->writeToFile(out, 30, 10), 0);
    EXPECT_EQ(doc->writeToFile(out, 0, 0), 0);
    EXPECT_EQ(doc->writeToFile(out, 40000, 50000), 0);
    platform::closeFile(out);
    EXPECT_TRUE(file.read().empty());
}

TEST_F(DocumentBufferTest, WriteToFileStopsAtTheCapacity) {
    doc->reset(100);
    fillStore(*doc);
    TempFile file;
    platform::File out = platform::createFile(file.path());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(doc->writeToFile(out, 90, 200), 10);
    EXPECT_EQ(doc->writeToFile(out, 100, 200), 0);
    platform::closeFile(out);
    const auto content = file.read();
    ASSERT_EQ(content.size(), 10u);
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(content[static_cast<size_t>(i)], patternByte(90 + i));
    }
}

TEST_F(DocumentBufferTest, WriteToFullDiskReturnsWhatWasStored) {
    fillStore(*doc);
    TempFile file;
    platform::File out = platform::createFile(file.path());
    ASSERT_NE(out, nullptr);
    headless::limitWrites(7);
    EXPECT_EQ(doc->writeToFile(out, 0, 100), 7);
    platform::closeFile(out);
    EXPECT_EQ(file.read().size(), 7u);
}

TEST_F(DocumentBufferTest, OpenLikeReadFillsAStoreOfExactlyTheFileSize) {
    const auto content = patternBytes(3000, 0xA5);
    TempFile file;
    file.write(content);
    platform::File in = platform::openFileForReading(file.path());
    ASSERT_NE(in, nullptr);
    doc->reset(3000);
    EXPECT_EQ(doc->readFromFile(in, 0, 3000), 3000);
    platform::closeFile(in);
    EXPECT_EQ(doc->capacity, 3000);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), doc->bytes));
    doc->ensureHex(0, 3000);
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, ReadFromFileRefreshesTheWindowText) {
    fillStore(*doc);
    doc->ensureHex(100, 320);
    const auto content = patternBytes(500, 0x3C);
    TempFile file;
    file.write(content);
    platform::File in = platform::openFileForReading(file.path());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(doc->readFromFile(in, 50, 500), 500);
    platform::closeFile(in);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), doc->bytes + 50));
    EXPECT_EQ(doc->bytes[49], patternByte(49));
    EXPECT_EQ(doc->bytes[550], patternByte(550));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, ReadFromFileGrowsTheStore) {
    const auto content = patternBytes(3000, 0x11);
    TempFile file;
    file.write(content);
    doc->reset(1000);
    fillStore(*doc);
    platform::File in = platform::openFileForReading(file.path());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(doc->readFromFile(in, 500, 3000), 3000);
    platform::closeFile(in);
    EXPECT_EQ(doc->capacity, 65536);
    for (int32_t i = 0; i < 500; ++i) {
        ASSERT_EQ(doc->bytes[i], patternByte(i));
    }
    EXPECT_TRUE(std::equal(content.begin(), content.end(), doc->bytes + 500));

    // Into an empty store as well.
    doc->reset(0);
    in = platform::openFileForReading(file.path());
    EXPECT_EQ(doc->readFromFile(in, 0, 3000), 3000);
    platform::closeFile(in);
    EXPECT_EQ(doc->capacity, 65536);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), doc->bytes));
}

TEST_F(DocumentBufferTest, ReadFromFileReturnsWhatTheFileHeld) {
    const auto content = patternBytes(300, 0x22);
    TempFile file;
    file.write(content);
    platform::File in = platform::openFileForReading(file.path());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(doc->readFromFile(in, 0, 1000), 300);
    EXPECT_EQ(doc->readFromFile(in, 300, 1000), 0); // at the end of the file
    platform::closeFile(in);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), doc->bytes));
}

TEST_F(DocumentBufferTest, ReadIntoAStoreThatCannotGrowReadsUpToTheCapacity) {
    const auto content = patternBytes(3000, 0x33);
    TempFile file;
    file.write(content);
    doc->reset(100);
    headless::failAllocations(0, -1);
    platform::File in = platform::openFileForReading(file.path());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(doc->readFromFile(in, 50, 3000), 50);
    EXPECT_EQ(doc->capacity, 100);
    EXPECT_TRUE(std::equal(content.begin(), content.begin() + 50, doc->bytes + 50));
    EXPECT_EQ(doc->readFromFile(in, 100, 10), 0);
    EXPECT_EQ(doc->readFromFile(in, 200, 10), 0);
    platform::closeFile(in);
}

// ---- Memory that cannot be had ------------------------------------------------------------

// Everything the editor may ask of a buffer, none of which may crash.
void useEverything(DocumentBuffer& doc) {
    uint8_t data[64] = {};
    doc.ensureHex(0, 16);
    doc.ensureHex(4000, 200);
    doc.ensureHex(0, 5000);
    EXPECT_TRUE(windowMatchesStore(doc));
    doc.setCell(0, 'A', false);
    doc.setCell(1, 0x42, true);
    doc.refreshHex(0, 64);
    doc.transfer(0, 64, data, true);
    doc.transfer(0, 64, data, false);
    const uint8_t pattern[] = {1, 2};
    doc.find(pattern, 2, 0, 64);
    doc.find(pattern, 2, 0, doc.capacity);
    EXPECT_TRUE(windowMatchesStore(doc));
}

TEST_F(DocumentBufferTest, StoreThatCannotBeHadAtCreationLeavesAnEmptyStore) {
    headless::failAllocations(1, -1); // the cache block succeeds, then nothing
    DocumentBuffer buffer;
    EXPECT_EQ(buffer.capacity, 0);
    EXPECT_NE(buffer.bytes, nullptr);
    EXPECT_EQ(buffer.cacheCapacity, 4096);
    expectWindow(buffer, 0, 0, 0);

    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(buffer.setCell(0, 'A', false));
    EXPECT_FALSE(buffer.setCell(0, 0x11, true));
    EXPECT_EQ(buffer.transfer(0, 8, data, true), 0);
    EXPECT_EQ(buffer.transfer(0, 8, data, false), 0);
    EXPECT_EQ(buffer.find(data, 1, 0, 8), -1);
    buffer.ensureHex(0, 16);
    EXPECT_EQ(buffer.validEnd, 0);
    EXPECT_FALSE(buffer.covers(0, 16));
    useEverything(buffer);
    EXPECT_EQ(buffer.capacity, 0);

    // Once memory is back the empty store grows on the first write.
    headless::failAllocations(0, 0);
    EXPECT_EQ(buffer.transfer(0, 8, data, true), 8);
    EXPECT_EQ(buffer.capacity, 65536);
    EXPECT_EQ(buffer.bytes[7], 8);
}

TEST_F(DocumentBufferTest, StoreThatCannotBeHadAtResetLeavesAnEmptyStore) {
    headless::failAllocations(0, 1);
    doc->reset(5000);
    EXPECT_EQ(doc->capacity, 0);
    EXPECT_NE(doc->bytes, nullptr);
    expectWindow(*doc, 0, 0, 0);
    headless::failAllocations(0, -1);
    useEverything(*doc);
    EXPECT_EQ(doc->capacity, 0);

    headless::failAllocations(0, 0);
    doc->ensureHex(0, 1);
    EXPECT_EQ(doc->capacity, 65536);
    EXPECT_TRUE(doc->covers(0, 1));
    EXPECT_TRUE(doc->setCell(0, 'C', false));
    EXPECT_TRUE(windowMatchesStore(*doc));
}

TEST_F(DocumentBufferTest, CacheThatCannotBeHadAtCreationHasNoCapacity) {
    headless::failAllocations(0, 1); // the cache block fails, the store succeeds
    DocumentBuffer buffer;
    EXPECT_EQ(buffer.cacheCapacity, 0);
    EXPECT_NE(buffer.hexText, nullptr);
    EXPECT_EQ(buffer.capacity, 32768);
    fillStore(buffer);

    // The first request gets a cache of its own.
    buffer.ensureHex(100, 16);
    EXPECT_EQ(buffer.cacheCapacity, 512);
    EXPECT_TRUE(buffer.covers(100, 116));
    EXPECT_TRUE(windowMatchesStore(buffer));
}

TEST_F(DocumentBufferTest, NeitherBlockAtCreationStillWorksWithoutCrashing) {
    state.document = doc.get(); // the low-memory report needs a document
    headless::failAllocations(0, -1);
    DocumentBuffer buffer;
    EXPECT_EQ(buffer.cacheCapacity, 0);
    EXPECT_EQ(buffer.capacity, 0);
    useEverything(buffer);
    EXPECT_EQ(buffer.validEnd - buffer.cacheBase, 0);
}

TEST_F(DocumentBufferTest, CacheThatCannotGrowReportsLowMemoryAndKeepsTheWindowInTheCache) {
    state.document = doc.get();
    fillStore(*doc);
    doc->ensureHex(0, 320);
    headless::messageBoxes().clear();
    headless::failAllocations(0, 1);
    doc->ensureHex(100, 5000);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].text, "Low Memory!\n\rAction could not be completed!");
    EXPECT_EQ(headless::messageBoxes()[0].caption, "Message from KezEdit");
    EXPECT_EQ(doc->cacheCapacity, 4096);
    EXPECT_LE(doc->validEnd - doc->cacheBase, doc->cacheCapacity);
    EXPECT_FALSE(doc->covers(100, 5100));
    EXPECT_TRUE(windowMatchesStore(*doc));

    // Typing at a byte the cut window left out still reaches the store.
    doc->bytes[5000] = 0x00;
    EXPECT_TRUE(doc->setCell(2 * 5000, '9', false));
    EXPECT_EQ(doc->bytes[5000], 0x90);
    EXPECT_TRUE(windowMatchesStore(*doc));

    // With memory back the same request is served.
    doc->ensureHex(100, 5000);
    EXPECT_EQ(doc->cacheCapacity, 5120);
    EXPECT_TRUE(doc->covers(100, 5100));
    EXPECT_TRUE(windowMatchesStore(*doc));
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
}

} // namespace
