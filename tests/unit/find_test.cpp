// The byte search over the document's store: the first occurrence of a pattern that starts at or
// after `from` and ends at or before `end`, exactly as a plain left-to-right scan finds it.
#include "document/document_buffer.h"

#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define FIND_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FIND_TEST_ASAN 1
#endif
#endif
#ifdef FIND_TEST_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// The scan the search must agree with: every candidate from `from` on, compared byte by byte.
int32_t referenceFind(const Bytes& store, const Bytes& pattern, int32_t from, int32_t end) {
    const auto length = static_cast<int32_t>(pattern.size());
    if (length == 0) {
        return -1;
    }
    for (int32_t s = from; s <= end - length; ++s) {
        int32_t k = 0;
        while (k < length && store[static_cast<size_t>(s + k)] == pattern[static_cast<size_t>(k)]) {
            ++k;
        }
        if (k == length) {
            return s;
        }
    }
    return -1;
}

// Makes the store bytes outside [from, end) unreadable while it lives (with AddressSanitizer),
// so that a search reading beyond its range fails the test.
class OutsideRangeGuard {
  public:
    OutsideRangeGuard(const DocumentBuffer& doc, int32_t from, int32_t end)
        : bytes_(doc.bytes), capacity_(doc.capacity) {
#ifdef FIND_TEST_ASAN
        from = std::clamp(from, 0, capacity_);
        end = std::clamp(end, from, capacity_);
        ASAN_POISON_MEMORY_REGION(bytes_, static_cast<size_t>(from));
        ASAN_POISON_MEMORY_REGION(bytes_ + end, static_cast<size_t>(capacity_ - end));
#else
        (void)from;
        (void)end;
#endif
    }
    ~OutsideRangeGuard() {
#ifdef FIND_TEST_ASAN
        ASAN_UNPOISON_MEMORY_REGION(bytes_, static_cast<size_t>(capacity_));
#endif
    }
    OutsideRangeGuard(const OutsideRangeGuard&) = delete;
    OutsideRangeGuard& operator=(const OutsideRangeGuard&) = delete;

  private:
    uint8_t* bytes_;
    int32_t capacity_;
};

class FindTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        doc = std::make_unique<DocumentBuffer>();
    }
    void TearDown() override { headless::reset(); }

    // A store of exactly these bytes, so that any read past them is caught.
    void load(const Bytes& content) {
        doc->reset(static_cast<int32_t>(content.size()));
        ASSERT_EQ(doc->capacity, static_cast<int32_t>(content.size()));
        if (!content.empty()) {
            std::memcpy(doc->bytes, content.data(), content.size());
        }
    }

    int32_t find(const Bytes& pattern, int32_t from, int32_t end) {
        OutsideRangeGuard guard(*doc, from, end);
        return doc->find(pattern.data(), static_cast<int32_t>(pattern.size()), from, end);
    }

    std::unique_ptr<DocumentBuffer> doc;
};

TEST_F(FindTest, StartBeyondTheLastCandidateFindsNothingWithoutReading) {
    load({0x41, 0x42, 0x43, 0x41, 0x42});
    const Bytes pattern = {0x41, 0x42};
    // Nothing at all may be read.
    OutsideRangeGuard guard(*doc, 0, 0);
    EXPECT_EQ(doc->find(pattern.data(), 2, 4, 5), -1);
    EXPECT_EQ(doc->find(pattern.data(), 2, 5, 5), -1);
    EXPECT_EQ(doc->find(pattern.data(), 2, 3, 4), -1);
    EXPECT_EQ(doc->find(pattern.data(), 2, 0, 1), -1);
    EXPECT_EQ(doc->find(pattern.data(), 2, 4, 2), -1);
}

TEST_F(FindTest, MatchEndingExactlyAtTheEndIsFound) {
    load({0x10, 0x20, 0x30, 0x40, 0x41, 0x42});
    EXPECT_EQ(find({0x41, 0x42}, 0, 6), 4);
    EXPECT_EQ(find({0x41, 0x42}, 4, 6), 4);
    EXPECT_EQ(find({0x41, 0x42}, 0, 5), -1);
    EXPECT_EQ(find({0x10, 0x20, 0x30, 0x40, 0x41, 0x42}, 0, 6), 0);
    EXPECT_EQ(find({0x42}, 0, 6), 5);
}

TEST_F(FindTest, ScanResumesOneByteAfterTheCandidateStart) {
    load({0x41, 0x41, 0x41, 0x42});
    EXPECT_EQ(find({0x41, 0x41, 0x42}, 0, 4), 1);
}

TEST_F(FindTest, PartialMatchesOfAPeriodicPatternAreNotSkipped) {
    load({0x41, 0x42, 0x41, 0x42, 0x41, 0x42, 0x43});
    EXPECT_EQ(find({0x41, 0x42, 0x41, 0x42, 0x43}, 0, 7), 2);
    EXPECT_EQ(find({0x42, 0x41, 0x42, 0x43}, 0, 7), 3);
}

TEST_F(FindTest, EmptyPatternFindsNothing) {
    load({0x41, 0x42, 0x43});
    EXPECT_EQ(find({}, 0, 3), -1);
    EXPECT_EQ(find({}, 0, 0), -1);
    EXPECT_EQ(find({}, 3, 3), -1);
}

TEST_F(FindTest, FindsTheFirstOccurrenceAtOrAfterTheStart) {
    load({0x41, 0x42, 0x00, 0x41, 0x42, 0x00, 0x41, 0x42});
    EXPECT_EQ(find({0x41, 0x42}, 0, 8), 0);
    EXPECT_EQ(find({0x41, 0x42}, 1, 8), 3);
    EXPECT_EQ(find({0x41, 0x42}, 3, 8), 3);
    EXPECT_EQ(find({0x41, 0x42}, 4, 8), 6);
    EXPECT_EQ(find({0x41, 0x42}, 7, 8), -1);
}

TEST_F(FindTest, MatchesReachingOutOfTheRangeAreNotFound) {
    load({0x00, 0x41, 0x42, 0x43, 0x00});
    // Starting before `from`.
    EXPECT_EQ(find({0x41, 0x42, 0x43}, 2, 5), -1);
    // Ending after `end`.
    EXPECT_EQ(find({0x41, 0x42, 0x43}, 0, 3), -1);
    EXPECT_EQ(find({0x41, 0x42, 0x43}, 0, 4), 1);
    EXPECT_EQ(find({0x41, 0x42, 0x43}, 1, 4), 1);
}

TEST_F(FindTest, PatternLongerThanTheRangeFindsNothing) {
    load({0x41, 0x41, 0x41});
    EXPECT_EQ(find({0x41, 0x41, 0x41, 0x41}, 0, 3), -1);
}

TEST_F(FindTest, EmptyStoreFindsNothing) {
    load({});
    EXPECT_EQ(find({0x41}, 0, 0), -1);
}

TEST_F(FindTest, FindsTheOnlyMatchAtTheEndOfALargeStore) {
    Bytes store(1 << 20);
    std::mt19937 random(7);
    for (auto& b : store) {
        b = static_cast<uint8_t>(random() & 0x7F);
    }
    const Bytes pattern = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
                           0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F};
    std::copy(pattern.begin(), pattern.end(), store.end() - 16);
    load(store);
    const auto size = static_cast<int32_t>(store.size());
    EXPECT_EQ(find(pattern, 0, size), size - 16);
    EXPECT_EQ(find(pattern, 0, size - 1), -1);
    EXPECT_EQ(find(pattern, size - 16, size), size - 16);
}

// Runs of one byte value (zeros, FF, a letter), where every position starts like the pattern,
// whose one other byte is first, in the middle or last (past the 32 bytes searched for at once
// in the longest patterns); planted anywhere (or nowhere), and searched for around 16-byte block
// edges.
TEST_F(FindTest, AgreesWithThePlainScanInRunsOfOneValue) {
    constexpr int32_t size = 80;
    const uint8_t runs[][2] = {{0x00, 0x01}, {0xFF, 0xFE}, {'a', 'X'}};
    for (const auto& [fill, odd] : runs) {
        for (const int32_t length : {1, 2, 3, 15, 16, 17, 31, 32, 33, 40}) {
            for (const int32_t oddAt : {0, length / 2, length - 1}) {
                Bytes pattern(static_cast<size_t>(length), fill);
                pattern[static_cast<size_t>(oddAt)] = odd;
                for (int32_t at = -1; at <= size - length; ++at) {
                    Bytes store(size, fill);
                    if (at >= 0) {
                        std::copy(pattern.begin(), pattern.end(), store.begin() + at);
                    }
                    load(store);
                    for (const int32_t from : {0, 1, 15, 16, 17, 33}) {
                        for (const int32_t end : {size, size - 1, size - 15, size - 17, 47}) {
                            ASSERT_EQ(find(pattern, from, end),
                                      referenceFind(store, pattern, from, end))
                                << int{fill} << ": " << length << "/" << oddAt << " at " << at
                                << " in " << from << "-" << end;
                        }
                    }
                }
            }
        }
    }
}

// "abab..." has the pattern's bytes where it needs them at every other candidate but for the
// middle one, which is the other letter: the search soon finds the comparisons too many and goes
// on with the linear method, and after a stretch of it tries the filter again. The pattern is
// planted at every place around both switches (a match can only overlap it).
TEST_F(FindTest, AgreesWithThePlainScanAcrossTheSwitchesToAndFromTheLinearSearch) {
    Bytes store(70000);
    for (size_t i = 0; i < store.size(); ++i) {
        store[i] = i % 2 == 0 ? 'a' : 'b';
    }
    const Bytes original = store;
    const auto size = static_cast<int32_t>(store.size());
    for (const int32_t length : {5, 16, 31}) {
        Bytes pattern(store.begin(), store.begin() + length);
        pattern[pattern.size() / 2] ^= 'a' ^ 'b';
        load(store);
        ASSERT_EQ(find(pattern, 0, size), -1);
        for (int32_t at = 0; at < 65750; at = at == 200 ? 65500 : at + 1) {
            std::copy(pattern.begin(), pattern.end(), store.begin() + at);
            std::copy(pattern.begin(), pattern.end(), doc->bytes + at);
            for (const int32_t from : {0, 1}) {
                ASSERT_EQ(find(pattern, from, size),
                          referenceFind(store, pattern, std::max(from, at - length), size))
                    << length << " at " << at << " from " << from;
            }
            std::copy(original.begin() + at, original.begin() + at + length, store.begin() + at);
            std::copy(original.begin() + at, original.begin() + at + length, doc->bytes + at);
        }
    }
}

// A pattern of two values over data that has a third one where the pattern has its rarer value:
// the one-bit-per-byte test lets such candidates through, and the blocks' test must take over.
TEST_F(FindTest, AThirdValueWhereThePatternHasItsRarerOneIsStillNoMatch) {
    const Bytes pattern = {'a', 'a', 'a', 'a', 'a', 'b', 'a', 'a',
                           'a', 'a', 'a', 'a', 'a', 'a', 'b', 'a'};
    Bytes store(80000);
    for (size_t i = 0; i < store.size(); ++i) {
        store[i] = i % 16 == 5 ? 'c' : pattern[i % 16];
    }
    store[store.size() - 11] = 'b'; // the only match, near the end
    load(store);
    const auto size = static_cast<int32_t>(store.size());
    EXPECT_EQ(find(pattern, 0, size), size - 16);
    EXPECT_EQ(find(pattern, 0, size), referenceFind(store, pattern, 0, size));
}

// Random or periodic stores over small alphabets (some dominated by one value, some with rare
// high bytes), with planted and overlapping occurrences, against the plain scan. In periodic
// stores the pattern is mostly a piece of the store with one byte drawn anew.
TEST_F(FindTest, AgreesWithThePlainScanOnRandomStores) {
    const std::vector<Bytes> alphabets = {{0x41, 0x42, 0x43},
                                          {0x41, 0x42},
                                          {0x00, 0xFF},
                                          {0x41, 0x41, 0x41, 0x42},
                                          {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01},
                                          {0x00, 0x20, 0x9C, 0xE4},
                                          {}};
    int found = 0;
    int notFound = 0;
    for (const unsigned seed : {11u, 12u, 13u, 14u, 15u, 16u}) {
        std::mt19937 random(seed);
        auto uniform = [&random](int32_t low, int32_t high) {
            return std::uniform_int_distribution<int32_t>(low, high)(random);
        };
        for (int round = 0; round < 400; ++round) {
            const Bytes& alphabet = alphabets[static_cast<size_t>(
                uniform(0, static_cast<int32_t>(alphabets.size()) - 1))];
            auto draw = [&]() -> uint8_t {
                return alphabet.empty() ? static_cast<uint8_t>(uniform(0, 255))
                                        : alphabet[static_cast<size_t>(uniform(
                                              0, static_cast<int32_t>(alphabet.size()) - 1))];
            };
            const int32_t size = uniform(0, 3) == 0 ? uniform(0, 40) : uniform(0, 3000);
            const bool periodic = uniform(0, 3) == 0;
            Bytes period(static_cast<size_t>(uniform(1, 9)));
            for (auto& b : period) {
                b = draw();
            }
            Bytes store(static_cast<size_t>(size));
            for (size_t i = 0; i < store.size(); ++i) {
                store[i] = periodic ? period[i % period.size()] : draw();
            }
            Bytes pattern(static_cast<size_t>(uniform(1, 31)));
            for (auto& b : pattern) {
                b = draw();
            }
            const auto length = static_cast<int32_t>(pattern.size());
            if (periodic && size >= length && uniform(0, 3) != 0) {
                const int32_t piece = uniform(0, size - length);
                std::copy(store.begin() + piece, store.begin() + piece + length, pattern.begin());
                pattern[static_cast<size_t>(uniform(0, length - 1))] = draw();
            }
            // Plant the pattern, sometimes repeatedly at overlapping places, sometimes at the
            // very end.
            if (size >= length) {
                const int plants = uniform(0, 4);
                for (int p = 0; p < plants; ++p) {
                    const int32_t at = uniform(0, size - length);
                    std::copy(pattern.begin(), pattern.end(), store.begin() + at);
                    const int32_t shift = std::max(1, length / 2);
                    if (uniform(0, 1) == 0 && at + shift + length <= size) {
                        std::copy(pattern.begin(), pattern.end(), store.begin() + at + shift);
                    }
                }
                if (uniform(0, 4) == 0) {
                    std::copy(pattern.begin(), pattern.end(), store.end() - length);
                }
            }
            load(store);
            for (int query = 0; query < 8; ++query) {
                int32_t from = uniform(0, size);
                int32_t end = uniform(from, size);
                switch (uniform(0, 5)) {
                case 0:
                    end = size;
                    break;
                case 1:
                    from = 0;
                    break;
                case 2: // a range hardly longer than the pattern
                    end = std::min(size, from + length + uniform(-1, 2));
                    break;
                case 3: // a start past the end
                    end = uniform(0, from);
                    break;
                default:
                    break;
                }
                const int32_t expected = referenceFind(store, pattern, from, end);
                const int32_t actual = find(pattern, from, end);
                ASSERT_EQ(actual, expected)
                    << "seed " << seed << " round " << round << " size " << size
                    << " pattern length " << length << " from " << from << " end " << end;
                (expected < 0 ? notFound : found) += 1;
            }
        }
    }
    // Both outcomes were really exercised.
    EXPECT_GT(found, 2000);
    EXPECT_GT(notFound, 2000);
}

} // namespace
