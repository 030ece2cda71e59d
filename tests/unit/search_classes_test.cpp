// The byte search on every input class of its benchmark (tests/search_inputs.h), made small,
// against a plain scan: the pattern absent, and planted at places spread over the data (near its
// start and end, and where a search that changes method on the way would have changed it),
// searched from two alignments. The data is a buffer of exactly its size and the bytes before the
// search's start are made unreadable, so that a read outside the range is caught by
// AddressSanitizer.
#include "document/byte_search.h"
#include "tests/search_inputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string_view>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define SEARCH_CLASSES_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SEARCH_CLASSES_ASAN 1
#endif
#endif
#ifdef SEARCH_CLASSES_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

using search_inputs::Bytes;

// Enough data for a dense stretch of the search and the return to its filter after it, small
// enough for an emulated processor.
constexpr size_t dataSize = 80 * 1024;

// The first place in [from, end) where the pattern starts, trying each in turn; -1 if none.
ptrdiff_t plainFind(const Bytes& data, const Bytes& pattern, size_t from, size_t end) {
    for (size_t at = from; at + pattern.size() <= end; ++at) {
        if (std::equal(pattern.begin(), pattern.end(), data.begin() + static_cast<ptrdiff_t>(at))) {
            return static_cast<ptrdiff_t>(at);
        }
    }
    return -1;
}

// The search over [from, end) of data, with the bytes outside unreadable meanwhile.
ptrdiff_t search(const Bytes& data, const Bytes& pattern, size_t from, size_t end) {
    if (end < from || end - from < pattern.size()) {
        return -1;
    }
#ifdef SEARCH_CLASSES_ASAN
    ASAN_POISON_MEMORY_REGION(data.data(), from);
    ASAN_POISON_MEMORY_REGION(data.data() + end, data.size() - end);
#endif
    const uint8_t* match = findBytes(data.data() + from, data.data() + (end - pattern.size()),
                                     pattern.data(), pattern.size());
#ifdef SEARCH_CLASSES_ASAN
    ASAN_UNPOISON_MEMORY_REGION(data.data(), data.size());
#endif
    return match == nullptr ? -1 : match - data.data();
}

// Plants the pattern at each place in turn and checks the search from two starts, and over the
// range ending one byte short of the planted pattern, against the plain scan, data holding no
// occurrence before.
void expectAgreementWhenPlanted(Bytes& data, const Bytes& pattern,
                                std::initializer_list<size_t> places) {
    ASSERT_EQ(plainFind(data, pattern, 0, data.size()), -1);
    const size_t length = pattern.size();
    for (const size_t at : places) {
        const auto place = data.begin() + static_cast<ptrdiff_t>(at);
        const Bytes replaced(place, place + static_cast<ptrdiff_t>(length));
        std::copy(pattern.begin(), pattern.end(), place);
        // The data held no occurrence, so any now overlaps the planted one.
        const size_t overlap = at >= length ? at - length + 1 : 0;
        for (const size_t from : {0, 5}) {
            ASSERT_EQ(search(data, pattern, from, data.size()),
                      plainFind(data, pattern, std::max(from, overlap), data.size()))
                << "planted at " << at << ", from " << from;
        }
        const size_t end = at + length - 1;
        ASSERT_EQ(search(data, pattern, 0, end), plainFind(data, pattern, overlap, end))
            << "planted at " << at << ", ending before its end";
        std::copy(replaced.begin(), replaced.end(), place);
    }
}

TEST(SearchClassesTest, EveryClassAgreesWithThePlainScan) {
    Bytes data(dataSize);
    for (const auto& searchClass : search_inputs::searchClasses()) {
        SCOPED_TRACE(searchClass.name);
        const Bytes pattern = search_inputs::makeInput(searchClass, data.data(), data.size());
        // Ranges of other ends leave the search's last batch and final block elsewhere.
        for (const size_t from : {0, 5}) {
            for (const size_t end : {dataSize, dataSize - 9, dataSize - 24, dataSize - 40}) {
                EXPECT_EQ(search(data, pattern, from, end), -1) << from << "-" << end;
            }
        }
        const size_t last = dataSize - pattern.size();
        expectAgreementWhenPlanted(
            data, pattern,
            {0, 1, 17, 100, 1027, 4103, 16383, 32777, 65516, 65537, 70001, last - 1, last});
    }
}

// Patterns longer than 32 bytes taken from data of period 2 or 5 with their middle byte changed
// to another of the period's: the near misses differ from them only past their first and last 16
// bytes, and the positions that stop them lie further from the candidate than any of a short
// pattern's.
TEST(SearchClassesTest, LongPatternsWrongInTheirMiddleAgreeWithThePlainScan) {
    for (const size_t period : {2, 5}) {
        for (const size_t length : {33, 47, 100, 257}) {
            SCOPED_TRACE(::testing::Message() << "period " << period << ", length " << length);
            Bytes data(24000);
            for (size_t i = 0; i < data.size(); ++i) {
                data[i] = static_cast<uint8_t>('a' + i % period);
            }
            Bytes pattern(data.begin(), data.begin() + static_cast<ptrdiff_t>(length));
            pattern[length / 2] = static_cast<uint8_t>('a' + (length / 2 + 1) % period);
            expectAgreementWhenPlanted(data, pattern, {0, 7, 9001, 16400, 24000 - length});
        }
    }
}

// One search through data whose kind changes every 6000 bytes, so that it changes method on the
// way and takes what it learned of one kind into the next: "abc" broken every 31 bytes, "abd"
// repeated, copies of the pattern each with another byte changed, random letters of "abc", zeros,
// and "ab" repeated; the pattern is "abc" repeated.
TEST(SearchClassesTest, AgreesWithThePlainScanAsTheDataChangesKind) {
    constexpr size_t segment = 6000;
    Bytes pattern(31);
    for (size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<uint8_t>('a' + i % 3);
    }
    search_inputs::Random random(7);
    Bytes data;
    for (size_t kind = 0; kind < 12; ++kind) {
        for (size_t i = 0; i < segment; ++i) {
            const size_t at = data.size();
            const uint8_t fill[] = {at % 31 == 30 ? uint8_t{'x'} : pattern[at % 3],
                                    at % 3 == 2 ? uint8_t{'d'} : pattern[at % 3],
                                    i % 31 == i / 31 % 31 ? uint8_t{'x'} : pattern[i % 31],
                                    static_cast<uint8_t>('a' + random.below(3)),
                                    0,
                                    pattern[at % 2]};
            data.push_back(fill[kind % 6]);
        }
    }
    expectAgreementWhenPlanted(data, pattern,
                               {3000, 9100, 15000, 20995, 27000, 33001, 39500, 45000, 70000});
}

// A match in each of the last blocks of the data, where the near misses have the search compare
// its candidates two to a window, or test a short pattern on every position four blocks at a
// time: the blocks left over at the end go their own way.
TEST(SearchClassesTest, MatchesNearTheEndOfNearMissesAgreeWithThePlainScan) {
    Bytes data(dataSize);
    const std::set<std::string_view> names = {"near_miss_copies_6", "near_miss_copies_9",
                                              "near_miss_copies_16", "near_miss_copies_31"};
    for (const auto& searchClass : search_inputs::searchClasses()) {
        if (names.count(searchClass.name) == 0) {
            continue;
        }
        SCOPED_TRACE(searchClass.name);
        const Bytes pattern = search_inputs::makeInput(searchClass, data.data(), data.size());
        const size_t last = dataSize - pattern.size();
        for (size_t back = 2; back < 80; ++back) {
            expectAgreementWhenPlanted(data, pattern, {last - back});
        }
    }
}
} // namespace
