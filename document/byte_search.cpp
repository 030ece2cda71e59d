#include "document/byte_search.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The byte search finds the first candidate (a place where the pattern may start) whose bytes
// equal the pattern's. It tests the candidates on the positions of the pattern's two least common
// bytes (ranked by commonestFirst below) and compares the whole pattern only at those that pass.
// Where those bytes are common in the data, the comparisons, each a branch the processor cannot
// predict, cost more than the test saves: the search then goes on for a stretch with a test whose
// cost does not hang on what passes it, and tries the two positions again after it. With SSE2 that
// test learns from the candidates that pass it and fail: it tests blocks of candidates on up to
// eight positions, putting first the place where they differ from the pattern, and where no
// single place stops them (near misses of the pattern, each failing elsewhere) it changes to a
// test that does: every position of a short pattern, the pattern's repetition where it repeats
// itself, or one bit per data byte where the data has few values. Without SSE2 it is Shift-Or.

// Byte values as common as they are in the files a hex editor opens, the commonest first (the
// literal's closing zero aside): the fill bytes of binary files and spaces; text, from its
// commonest letters through digits, punctuation and capitals; small integers, flags and bytes
// frequent in x86 code; rarer letters and symbols; other control bytes in use. Any value not
// listed is rare.
constexpr char commonestFirst[] = "\x00\xFF "
                                  "etaoinsrhldcum\n"
                                  "pfgwyb.,01\x01\r2vk\t"
                                  "\"-_/:=();<>3456789"
                                  "ETASIRONCDLPM"
                                  "\x02\x03\x04\x08\x10\x80\xFE\x0F\x7F\x8B\x89\xE8\xC0"
                                  "'xjqzBFGHUWVYKXJQZ"
                                  "{}[]*#&+%!?$@\\|^~`"
                                  "\x05\x06\x07\x0C\x0E\x18\x1F";
constexpr size_t listedBytes = sizeof commonestFirst - 1;

// How common each byte value is: 0 for the rare ones, the higher the commoner.
struct ByteCommonness {
    uint8_t of[256] = {};
    constexpr ByteCommonness() {
        for (size_t i = 0; i < listedBytes; ++i) {
            of[static_cast<uint8_t>(commonestFirst[i])] = static_cast<uint8_t>(listedBytes - i);
        }
    }
    // Each value listed once, so that the order above is the order of the ranks.
    constexpr bool distinct() const {
        size_t ranked = 0;
        for (const uint8_t rank : of) {
            ranked += rank != 0 ? 1 : 0;
        }
        return ranked == listedBytes;
    }
};
constexpr ByteCommonness commonness;
static_assert(listedBytes < 256 && commonness.distinct());

// The two positions of a pattern whose bytes the search tests first: rare, the one with the least
// common byte, and other, the least common of the bytes that differ from it. Among equally common
// bytes it takes the later position, and for the other byte the one farther from rare, which is
// less tied to it in real data. When every byte is the same, other is the end farther from rare.
struct SearchPlan {
    size_t length;
    size_t rare;
    size_t other;

    SearchPlan(const uint8_t* pattern, size_t patternLength)
        : length(patternLength), rare(patternLength - 1) {
        auto rank = [pattern](size_t i) { return commonness.of[pattern[i]]; };
        for (size_t i = length - 1; i-- > 0;) {
            if (rank(i) < rank(rare)) {
                rare = i;
            }
        }
        auto distance = [this](size_t i) { return i > rare ? i - rare : rare - i; };
        other = rare == 0 ? length - 1 : 0;
        bool differs = false;
        for (size_t i = 0; i < length; ++i) {
            if (pattern[i] != pattern[rare] &&
                (!differs || rank(i) < rank(other) ||
                 (rank(i) == rank(other) && distance(i) > distance(other)))) {
                other = i;
                differs = true;
            }
        }
    }
};

// Decides when comparing at the candidates that pass the two positions' test costs more than the
// stretch's test would. A comparison costs a mispredicted branch and a compare of the pattern,
// measured at about 40 cycles, what testing 256 to 320 bytes of blocks costs: the test earns a
// byte of credit for each byte it moves on and pays 256 per comparison; it starts with enough for
// a few comparisons and saves at most enough for a burst of them, so that a dense region after a
// long sparse one is noticed soon.
class ComparisonBudget {
  public:
    explicit ComparisonBudget(const uint8_t* start) : credited_(start) {}

    // Pays for one comparison at a candidate, with the credit earned up to it.
    void spend(const uint8_t* candidate) {
        balance_ = std::min(balance_ + (candidate - credited_), largest);
        credited_ = candidate;
        balance_ -= bytesPerComparison;
    }
    bool spent() const { return balance_ < 0; }

  private:
    static constexpr ptrdiff_t bytesPerComparison = 256;
    static constexpr ptrdiff_t largest = 128 * bytesPerComparison;
    ptrdiff_t balance_ = 8 * bytesPerComparison;
    const uint8_t* credited_;
};

// The candidates searched by the stretch's test each time the budget is spent, before the two
// positions' test is tried again: enough for the retries to cost little, few enough to find the
// positions' bytes rare again soon after a dense region (as the zero runs of a disk image).
constexpr ptrdiff_t denseStretch = 64 * 1024;

// The end of the stretch that starts at candidate.
const uint8_t* stretchEnd(const uint8_t* candidate, const uint8_t* lastCandidate) {
    return lastCandidate - candidate > denseStretch ? candidate + denseStretch : lastCandidate;
}

// The first candidate in [candidate, lastCandidate] where the pattern matches, or null, by
// Shift-Or on its first bytes (at most 32), the rest compared where they match: bit i of state is
// clear while the last i + 1 bytes read equal the pattern's first i + 1, so a clear bit
// head - 1 marks a match of the head ending at the byte just read. Each byte costs a shift, a
// table look-up and an or, whatever the data.
const uint8_t* findByShiftOr(const uint8_t* candidate, const uint8_t* lastCandidate,
                             const uint8_t* pattern, size_t length) {
    const size_t head = std::min<size_t>(length, 32);
    uint32_t clearWhereEqual[256];
    std::fill(std::begin(clearWhereEqual), std::end(clearWhereEqual), ~uint32_t{0});
    for (size_t i = 0; i < head; ++i) {
        clearWhereEqual[pattern[i]] &= ~(uint32_t{1} << i);
    }
    const uint32_t matched = uint32_t{1} << (head - 1);
    const uint8_t* lastByte = lastCandidate + (head - 1);
    uint32_t state = ~uint32_t{0};
    for (const uint8_t* at = candidate; at <= lastByte; ++at) {
        state = (state << 1) | clearWhereEqual[*at];
        if ((state & matched) == 0) {
            const uint8_t* match = at - (head - 1);
            if (std::memcmp(match + head, pattern + head, length - head) == 0) {
                return match;
            }
        }
    }
    return nullptr;
}

// The first candidate in [candidate, lastCandidate] where the pattern matches, or null: memchr
// finds each place of the rare byte, and the rest is compared there. Whenever the budget is
// spent, Shift-Or searches the next stretch.
const uint8_t* findByRareByte(const uint8_t* candidate, const uint8_t* lastCandidate,
                              const uint8_t* pattern, const SearchPlan& plan) {
    ComparisonBudget budget(candidate);
    while (candidate <= lastCandidate) {
        if (budget.spent()) {
            const uint8_t* end = stretchEnd(candidate, lastCandidate);
            if (const uint8_t* match = findByShiftOr(candidate, end, pattern, plan.length)) {
                return match;
            }
            if (end == lastCandidate) {
                return nullptr;
            }
            candidate = end + 1;
            budget = ComparisonBudget(candidate);
        }
        const auto* rare = static_cast<const uint8_t*>(
            std::memchr(candidate + plan.rare, pattern[plan.rare],
                        static_cast<size_t>(lastCandidate - candidate) + 1));
        if (rare == nullptr) {
            return nullptr;
        }
        candidate = rare - plan.rare;
        if (std::memcmp(candidate, pattern, plan.length) == 0) {
            return candidate;
        }
        ++candidate;
        budget.spend(candidate);
    }
    return nullptr;
}

#if defined(__SSE2__)
__m128i load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

__m128i everyLane(uint8_t value) {
    return _mm_set1_epi8(static_cast<char>(value));
}

// Bit i set where byte at + i equals the value, for 16 bytes.
uint32_t equalBits(const uint8_t* at, __m128i value) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(at), value)));
}

// The comparison of the whole pattern at one candidate, with a 16-byte compare at each end (one
// for a pattern of 16 bytes or fewer), and memcmp for what lies between them in a pattern longer
// than 32. Its bits say which positions of the ends are equal: bit b for position b of the first
// 16, and for a pattern longer than 16, bit 16 + b for position length - 16 + b of the last 16.
class PatternCompare {
  public:
    PatternCompare(const uint8_t* pattern, size_t length, const uint8_t* dataEnd)
        : pattern_(pattern), length_(length), dataEnd_(dataEnd),
          all_(length > 16 ? ~uint32_t{0} : (uint32_t{1} << length) - 1) {
        uint8_t first16[16] = {};
        std::copy(pattern, pattern + std::min<size_t>(length, 16), first16);
        first_ = load(first16);
        last_ = length >= 16 ? load(pattern + length - 16) : first_;
        uint8_t beyond[16] = {};
        std::fill(beyond + std::min<size_t>(length, 16), beyond + 16, uint8_t{0xFF});
        beyond_ = load(beyond);
    }

    // The equal positions' bits at candidate; all() where every position of the ends is equal.
    uint32_t equalAt(const uint8_t* candidate) const {
        if (length_ > 16) {
            const __m128i firstEqual = _mm_cmpeq_epi8(load(candidate), first_);
            const __m128i lastEqual = _mm_cmpeq_epi8(load(candidate + length_ - 16), last_);
            return static_cast<uint32_t>(_mm_movemask_epi8(firstEqual)) |
                   static_cast<uint32_t>(_mm_movemask_epi8(lastEqual)) << 16;
        }
        // A short pattern near the data's end is compared byte by byte: 16 bytes would reach
        // past it.
        if (dataEnd_ - candidate < 16) {
            uint32_t bits = 0;
            for (size_t i = 0; i < length_; ++i) {
                bits |= candidate[i] == pattern_[i] ? uint32_t{1} << i : 0;
            }
            return bits;
        }
        return equalBits(candidate, first_) & all_;
    }
    uint32_t all() const { return all_; }

    // Whether the pattern matches at a candidate.
    bool matches(const uint8_t* candidate) const {
        if (length_ <= 16) {
            if (dataEnd_ - candidate < 16) {
                return std::memcmp(candidate, pattern_, length_) == 0;
            }
            return (equalBits(candidate, first_) & all_) == all_;
        }
        return (equalBits(candidate, first_) & equalBits(candidate + length_ - 16, last_)) ==
                   0xFFFF &&
               (length_ <= 32 || std::memcmp(candidate + 16, pattern_ + 16, length_ - 32) == 0);
    }

    // For a pattern of at most 32 bytes, at a candidate whose 16 bytes from the pattern's last
    // 16 on lie inside the data: bit 16 set where the pattern matches, and no bit above it,
    // without a branch. It is one more than the equal positions' bits, those past a short
    // pattern counted equal: two compares when bothEnds, for a pattern longer than 16, else one.
    template <bool bothEnds>
    uint32_t matchBitInside(const uint8_t* candidate) const {
        __m128i equal = _mm_cmpeq_epi8(load(candidate), first_);
        if constexpr (bothEnds) {
            equal = _mm_and_si128(equal, _mm_cmpeq_epi8(load(candidate + length_ - 16), last_));
        } else {
            equal = _mm_or_si128(equal, beyond_);
        }
        return static_cast<uint32_t>(_mm_movemask_epi8(equal)) + 1;
    }

    // A position where the candidate differs from the pattern, given its bits, which the
    // candidate does not match: the first unequal position of the bits, or of the middle.
    size_t differingPosition(const uint8_t* candidate, uint32_t equal) const {
        if (const uint32_t unequal = all_ & ~equal; unequal != 0) {
            const auto bit = static_cast<size_t>(__builtin_ctz(unequal));
            return bit < 16 ? bit : length_ - 32 + bit;
        }
        return static_cast<size_t>(
            std::mismatch(candidate + 16, candidate + length_ - 16, pattern_ + 16).first -
            candidate);
    }

  private:
    const uint8_t* pattern_;
    size_t length_;
    const uint8_t* dataEnd_;
    uint32_t all_;
    __m128i first_;
    __m128i last_;
    // All ones in the lanes past a pattern shorter than 16.
    __m128i beyond_;
};

// For the eight candidates a byte's bits stand for: the offset of the first, or 0 where there is
// none, plus 8 where there is another.
struct FirstOfEight {
    uint8_t of[256] = {};
    constexpr FirstOfEight() {
        for (unsigned bits = 1; bits < 256; ++bits) {
            unsigned first = 0;
            while ((bits >> first & 1) == 0) {
                ++first;
            }
            of[bits] = static_cast<uint8_t>(first | ((bits & (bits - 1)) != 0 ? 8 : 0));
        }
    }
};
constexpr FirstOfEight nearMissEighths;

// The search for sixteen candidates or more, sixteen at a time. The candidates of a block are
// tested on the first two positions of the testing order at once, and those that pass are
// compared in full. Whenever the budget is spent, the next stretch goes by one of three tests:
// - Blocks tested on the first two to eight positions of the testing order in batches, without a
//   branch per block, the candidates left compared after the batch. A batch whose candidates left
//   are many teaches the order a position where its last few fail, if they have one in common,
//   which then comes first and is tested too (the oldest dropping out past eight); one is taken
//   off after many batches that leave none. The two first positions go on to the test between
//   stretches.
// - Where the failures have no position in common and are many, every position of a pattern of
//   at most eight bytes, or else the test by period, or else the test by bits, each until most of
//   what it lets through fails.
//
// A block's bytes at offset k of its candidates end 15 bytes after the first candidate's: the
// last block is moved back to end at the last candidate, its candidates already seen masked off,
// and no load reaches outside [candidate, lastCandidate + length).
class SixteenAtATime {
  public:
    SixteenAtATime(const uint8_t* pattern, const SearchPlan& plan, const uint8_t* dataEnd)
        : pattern_(pattern), length_(plan.length), dataEnd_(dataEnd),
          compare_(pattern, plan.length, dataEnd) {
        std::fill(std::begin(positions_), std::end(positions_), plan.rare);
        positions_[1] = plan.other;
        for (size_t i = 0; i < widest; ++i) {
            bytes_[i] = everyLane(pattern[positions_[i]]);
        }
        // A pattern of at most two values is tested by bits from the start: in data of two values
        // (where half the candidates pass each position) the blocks would leave too many.
        const uint8_t* end = pattern + plan.length;
        const uint8_t* second =
            std::find_if(pattern, end, [pattern](uint8_t b) { return b != pattern[0]; });
        if (std::all_of(pattern, end, [&](uint8_t b) { return b == pattern[0] || b == *second; })) {
            prepareBitTest();
            bitTest_ = true;
        }
        preparePeriodTest();
    }

    const uint8_t* find(const uint8_t* candidate, const uint8_t* lastCandidate) {
        const uint8_t* finalBlock = lastCandidate - 15;
        const uint8_t* block = candidate;
        bitRetryFrom_ = candidate;
        while (block < finalBlock) {
            // While the budget lasts, four blocks at a time with one branch as long as they have
            // no candidate, their candidates in one mask, and the last ones two at a time.
            for (ComparisonBudget budget(block); block < finalBlock;) {
                if (finalBlock - block > 48) {
                    const __m128i equal[4] = {firstTwoEqual(block), firstTwoEqual(block + 16),
                                              firstTwoEqual(block + 32), firstTwoEqual(block + 48)};
                    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(equal[0], equal[1]),
                                                       _mm_or_si128(equal[2], equal[3]))) == 0) {
                        block += 64;
                        continue;
                    }
                    const uint64_t mask = maskOf(equal[0]) | maskOf(equal[1]) << 16 |
                                          uint64_t{maskOf(equal[2]) | maskOf(equal[3]) << 16} << 32;
                    if (const uint8_t* match = compare(block, mask, &budget)) {
                        return match;
                    }
                    if (budget.spent()) {
                        break;
                    }
                    block += 64;
                    continue;
                }
                const bool two = finalBlock - block > 16;
                const unsigned mask =
                    testFirstTwo(block) | (two ? testFirstTwo(block + 16) << 16 : 0);
                if (mask != 0) {
                    if (const uint8_t* match = compare(block, mask, &budget)) {
                        return match;
                    }
                    if (budget.spent()) {
                        break;
                    }
                }
                block += two ? 32 : 16;
            }
            if (block < finalBlock) {
                if (const uint8_t* match = searchStretch(block, stretchEnd(block, finalBlock))) {
                    return match;
                }
            }
        }
        // The final block: each candidate is seen once.
        const unsigned unseen = 0xFFFFu << (block - finalBlock);
        return compare(finalBlock, testFirstTwo(finalBlock) & unseen, nullptr);
    }

  private:
    // The most positions the blocks are tested on, and the blocks tested before the candidates
    // left are compared.
    static constexpr size_t widest = 8;
    static constexpr ptrdiff_t batch = 64;
    // A batch leaving this many candidates teaches the order a position; this many batches in a
    // row leaving none take one off the test.
    static constexpr ptrdiff_t lesson = 4;
    static constexpr int quietToNarrow = 16;
    // The failures whose bits a lesson looks at: the last few of the batch; and the batches
    // without a lesson after one found none.
    static constexpr ptrdiff_t samples = 8;
    static constexpr int pauseAfterNoLesson = 16;

    // Whether a test that lets near misses through should give up on the data, having had this
    // many fail (compared one by one, or windows with too many) from start to block: more than one
    // per 256 bytes, what testing them costs, after a few.
    static bool tooManyFailed(ptrdiff_t failures, const uint8_t* start, const uint8_t* block) {
        return failures > (block - start) / 256 + 16;
    }

    // All ones in lane i where candidate block + i has the bytes of the first two positions.
    __m128i firstTwoEqual(const uint8_t* block) const {
        return _mm_and_si128(_mm_cmpeq_epi8(load(block + positions_[0]), bytes_[0]),
                             _mm_cmpeq_epi8(load(block + positions_[1]), bytes_[1]));
    }

    // Bit i set where lane i is all ones.
    static unsigned maskOf(__m128i lanes) {
        return static_cast<unsigned>(_mm_movemask_epi8(lanes));
    }

    // Bit i set where candidate block + i has the bytes of the first two positions.
    unsigned testFirstTwo(const uint8_t* block) const { return maskOf(firstTwoEqual(block)); }

    // The first of mask's candidates where the whole pattern matches, or null; the comparisons
    // are paid from the budget, if any, and stop once it is spent. The lowest set bits are the
    // earliest candidates.
    const uint8_t* compare(const uint8_t* block, uint64_t mask, ComparisonBudget* budget) const {
        for (; mask != 0; mask &= mask - 1) {
            const uint8_t* candidate = block + __builtin_ctzll(mask);
            if (compare_.matches(candidate)) {
                return candidate;
            }
            if (budget != nullptr) {
                budget->spend(block);
                if (budget->spent()) {
                    break;
                }
            }
        }
        return nullptr;
    }

    // The first match in the blocks from block on, before end, tested in batches; block is moved
    // past the blocks tested.
    const uint8_t* searchStretch(const uint8_t*& block, const uint8_t* end) {
        while (block < end) {
            // A test by bits, by period or of near misses goes on to the end unless it gives up or
            // comes too close to the end of the data; the blocks go on from where it stops.
            if (bitTest_ || periodTest_ || nearMissTest_) {
                if (const uint8_t* match = bitTest_      ? testByBits(block, end)
                                           : periodTest_ ? testByPeriod(block, end)
                                                         : testNearMisses(block, end)) {
                    return match;
                }
                if (block >= end) {
                    break;
                }
            }
            // Tested on every position of the pattern (its positions tested are distinct), a
            // candidate that passes is a match: the blocks go on to the end without batches.
            if (width_ == length_) {
                const ptrdiff_t blocks = (end - block + 15) / 16;
                if (const uint8_t* match = atWidth(
                        [&](auto width) { return findEveryPosition<width>(block, blocks); })) {
                    return match;
                }
                block += 16 * blocks;
                break;
            }
            const ptrdiff_t blocks = std::min<ptrdiff_t>((end - block + 15) / 16, batch);
            Kept kept[batch / 2];
            const ptrdiff_t count =
                atWidth([&](auto width) { return keepCandidates<width>(block, blocks, kept); });
            const Compared compared = compareKept(block, kept, count);
            if (compared.match != nullptr) {
                return compared.match;
            }
            const ptrdiff_t failures = compared.failures;
            if (failures >= lesson) {
                if (lessonPause_ == 0) {
                    learnFrom(block, blocks, kept, count, failures);
                } else {
                    --lessonPause_;
                }
            } else if (failures == 0 && width_ > 2 && ++quietBatches_ == quietToNarrow) {
                --width_;
                quietBatches_ = 0;
            }
            block += 16 * blocks;
        }
        return nullptr;
    }

    // The candidates of two blocks at an offset from the first of a batch.
    struct Kept {
        uint32_t offset;
        uint32_t mask;
    };

    struct Compared {
        const uint8_t* match;
        ptrdiff_t failures;
    };

    // Compares the candidates of the count kept pairs of blocks in full, in order: the first
    // match, or null and how many failed. A pair's first and last candidates are compared without
    // a branch on how many it has (one or two, where near misses are frequent); only a match or
    // a third candidate takes the way through them all. Kept apart from its callers to keep its
    // values in registers.
    __attribute__((noinline)) Compared compareKept(const uint8_t* block, const Kept* kept,
                                                   ptrdiff_t count) const {
        ptrdiff_t failures = 0;
        for (ptrdiff_t i = 0; i < count; ++i) {
            const uint8_t* at = block + kept[i].offset;
            uint32_t mask = kept[i].mask;
            const uint8_t* first = at + __builtin_ctz(mask);
            const uint8_t* last = at + (31 - __builtin_clz(mask));
            const uint32_t beyondFirst = mask & (mask - 1);
            if (compare_.matches(first) | compare_.matches(last) |
                ((beyondFirst & (beyondFirst - 1)) != 0)) {
                do {
                    const uint8_t* candidate = at + __builtin_ctz(mask);
                    if (compare_.matches(candidate)) {
                        return {candidate, failures};
                    }
                    ++failures;
                    mask &= mask - 1;
                } while (mask != 0);
            } else {
                failures += beyondFirst != 0 ? 2 : 1;
            }
        }
        return {nullptr, failures};
    }

    // After a batch of the given number of blocks whose kept pairs left failures candidates, all
    // of which failed: puts first in the testing order a position where each of the last few
    // differs from the pattern, testing one position more if it can (or replacing the oldest if
    // the failures are many). Failures that no single position stops are near misses of the
    // pattern, each failing at its own place, or the data has few values: if they are many, a
    // pattern of at most widest bytes is tested on all its positions, else the test of near misses
    // takes over where they lie apart (a pattern of at most 32 bytes), else the test by period
    // where the pattern has one, else the test by bits (after it gave up, once the search is far
    // enough past the place where it did). Otherwise the next few batches leaving failures do
    // without a lesson, which would likely be as fruitless.
    void learnFrom(const uint8_t* block, ptrdiff_t blocks, const Kept* kept, ptrdiff_t count,
                   ptrdiff_t failures) {
        uint32_t equalInAny = 0;
        uint32_t lastEqual = 0;
        const uint8_t* lastFailure = nullptr;
        ptrdiff_t sampled = 0;
        for (ptrdiff_t i = count; i-- > 0 && sampled < samples;) {
            for (uint32_t mask = kept[i].mask; mask != 0 && sampled < samples; ++sampled) {
                const int bit = 31 - __builtin_clz(mask);
                const uint8_t* candidate = block + kept[i].offset + bit;
                const uint32_t equal = compare_.equalAt(candidate);
                if (lastFailure == nullptr) {
                    lastFailure = candidate;
                    lastEqual = equal;
                }
                equalInAny |= equal;
                mask &= ~(1u << bit);
            }
        }
        // The ends all equal: the last failure differs in the middle of a longer pattern.
        const bool middle = lastEqual == compare_.all();
        if ((equalInAny != compare_.all() || middle) &&
            (width_ < widest || failures >= 4 * lesson)) {
            learn(compare_.differingPosition(lastFailure, middle ? lastEqual : equalInAny));
            quietBatches_ = 0;
        } else if (failures >= batch / 2 && length_ <= widest && width_ < length_) {
            testEveryPosition();
        } else if (failures >= batch / 2 && length_ > widest && length_ <= 32 &&
                   (nearMissFilter_ = nearMissFilter(block, blocks)) != 0) {
            nearMissTest_ = true;
        } else if (failures >= batch / 2 && periodLength_ != 0) {
            periodTest_ = true;
        } else if (failures >= batch / 2 && block >= bitRetryFrom_) {
            prepareBitTest();
            bitTest_ = true;
        } else {
            lessonPause_ = pauseAfterNoLesson;
        }
    }

    // The positions the test of near misses needs to test, the first one or two of the testing
    // order, for the candidates of the batch's blocks that pass them to lie apart as it needs:
    // in nearly every window it takes, at most one in each eighth of 16 for a pattern shorter
    // than 16, else at most two in 32. One is enough where the data has many values; 0 where two
    // are not enough.
    int nearMissFilter(const uint8_t* block, ptrdiff_t blocks) const {
        for (int filter = 1; filter <= 2; ++filter) {
            ptrdiff_t crowded = 0;
            for (ptrdiff_t k = 0; k + 2 <= blocks; k += 2) {
                const auto test = [&](const uint8_t* at) {
                    __m128i equal = _mm_cmpeq_epi8(load(at + positions_[0]), bytes_[0]);
                    for (int i = 1; i < filter; ++i) {
                        equal = _mm_and_si128(equal,
                                              _mm_cmpeq_epi8(load(at + positions_[i]), bytes_[i]));
                    }
                    return maskOf(equal);
                };
                const uint32_t mask = test(block + 16 * k) | test(block + 16 * k + 16) << 16;
                crowded += length_ < 16 ? (nearMissEighths.of[mask & 0xFF] |
                                           nearMissEighths.of[mask >> 8 & 0xFF] |
                                           nearMissEighths.of[mask >> 16 & 0xFF] |
                                           nearMissEighths.of[mask >> 24]) >>
                                              3
                                        : __builtin_popcount(mask) > 2;
            }
            if (crowded <= blocks / 16) {
                return filter;
            }
        }
        return 0;
    }

    // The test of near misses for the pattern's length and the positions it tests.
    const uint8_t* testNearMisses(const uint8_t*& block, const uint8_t* end) {
        if (length_ < 16) {
            return atNearMissFilter<16, false>(block, end);
        }
        if (length_ == 16) {
            return atNearMissFilter<32, false>(block, end);
        }
        return atNearMissFilter<32, true>(block, end);
    }
    template <int window, bool bothEnds>
    const uint8_t* atNearMissFilter(const uint8_t*& block, const uint8_t* end) {
        return nearMissFilter_ == 1 ? testNearMisses<window, bothEnds, 1>(block, end)
                                    : testNearMisses<window, bothEnds, 2>(block, end);
    }

    // Near misses a few bytes apart, each failing at its own place (copies of the pattern with a
    // byte changed, back to back or not): no test of a few positions stops them, and a pattern of
    // more than widest bytes is too long to test on all. A near miss is at least a pattern's
    // length from the next, so each eighth of a window of 16 candidates holds at most one of a
    // pattern shorter than 16, and a window of 32 at most two of a longer one. Each window is
    // tested on the first filter positions of the testing order, and its candidates left are
    // compared in full without a branch on how many there are: the one of each eighth, found in
    // a table, or the first and the last of 32. Only a match or one more candidate takes the way
    // through them all. bothEnds: the pattern is longer than 16. Returns the first match, or null
    // with block moved past the windows tested (the test is given up where windows with one more
    // candidate are frequent).
    template <int window, bool bothEnds, int filter>
    const uint8_t* testNearMisses(const uint8_t*& block, const uint8_t* end) {
        const uint8_t* start = block;
        ptrdiff_t crowded = 0;
        // The windows end where the blocks [block, end), rounded up to 16, do, and their loads
        // reach at most a window and 32 bytes further.
        const ptrdiff_t reach = window + 32;
        const ptrdiff_t room =
            std::min((end - block + 15) / 16 * 16, dataEnd_ - block - reach + window);
        const uint8_t* windowsEnd = block + (room >= window ? room / window * window : 0);
        const PositionsTest<filter> test(*this);
        for (; block < windowsEnd; block += window) {
            uint32_t mask = maskOf(test(block));
            if constexpr (window == 32) {
                mask |= maskOf(test(block + 16)) << 16;
            }
            uint64_t compared;
            if constexpr (window == 16) {
                const uint32_t low = nearMissEighths.of[mask & 0xFF];
                const uint32_t high = nearMissEighths.of[mask >> 8];
                compared = (compare_.matchBitInside<false>(block + low) |
                            compare_.matchBitInside<false>(block + 8 + high)) >>
                               16 |
                           ((low | high) & 8);
            } else {
                compared = endsMatchOrThird<bothEnds, window>(block, mask);
            }
            if (compared != 0) {
                for (; mask != 0; mask &= mask - 1) {
                    const uint8_t* candidate = block + __builtin_ctz(mask);
                    if (compare_.matches(candidate)) {
                        return candidate;
                    }
                }
                if (tooManyFailed(++crowded, start, block)) {
                    nearMissTest_ = false;
                    return nullptr;
                }
            }
        }
        return nullptr;
    }

    // For a mask of a window's candidates from at, of a pattern of at most 32 bytes whose loads
    // from them stay inside the data: not 0 where its first or its last candidate matches or it
    // holds a third, without a branch. A window without a candidate compares its last and first
    // candidates, which the mask rules out and so cannot match.
    template <bool bothEnds, int window>
    uint64_t endsMatchOrThird(const uint8_t* at, uint64_t mask) const {
        const uint8_t* first =
            at + static_cast<uint32_t>(__builtin_ctzll(mask | uint64_t{1} << (window - 1)));
        const uint8_t* last = at + static_cast<uint32_t>(__builtin_clzll(mask | 1) ^ 63);
        const uint64_t beyondFirst = mask & (mask - 1);
        return (compare_.matchBitInside<bothEnds>(first) |
                compare_.matchBitInside<bothEnds>(last)) >>
                   16 |
               (beyondFirst & (beyondFirst - 1));
    }

    // Tests the blocks on every position of a short pattern: those of the testing order first,
    // then the others.
    void testEveryPosition() {
        size_t count = width_;
        for (size_t position = 0; position < length_; ++position) {
            if (std::find(positions_, positions_ + count, position) == positions_ + count) {
                positions_[count] = position;
                bytes_[count] = everyLane(pattern_[position]);
                ++count;
            }
        }
        width_ = length_;
        quietBatches_ = 0;
    }

    // Puts a position first in the testing order, and tests one position more if it can: those
    // tested stay tested (but the oldest when there are widest of them). A position no longer
    // tested but still in the order moves up from its place.
    void learn(size_t position) {
        size_t last =
            static_cast<size_t>(std::find(positions_, positions_ + widest, position) - positions_);
        if (last >= width_) {
            last = std::min(last, widest - 1);
            width_ = std::min(width_ + 1, widest);
        }
        for (size_t i = last; i > 0; --i) {
            positions_[i] = positions_[i - 1];
            bytes_[i] = bytes_[i - 1];
        }
        positions_[0] = position;
        bytes_[0] = everyLane(pattern_[position]);
    }

    // The first candidate in the given number of blocks from block on whose bytes equal the
    // pattern's at its width positions, all of them: four blocks at a time, with one branch as
    // long as none passes. As keepCandidates, kept apart with its values in registers.
    template <size_t width>
    __attribute__((noinline)) const uint8_t* findEveryPosition(const uint8_t* block,
                                                               ptrdiff_t blocks) const {
        const PositionsTest<width> test(*this);
        ptrdiff_t k = 0;
        for (; k + 4 <= blocks; k += 4) {
            const uint8_t* at = block + 16 * k;
            const __m128i equal[4] = {test(at), test(at + 16), test(at + 32), test(at + 48)};
            if (maskOf(_mm_or_si128(_mm_or_si128(equal[0], equal[1]),
                                    _mm_or_si128(equal[2], equal[3]))) != 0) {
                const uint64_t mask = maskOf(equal[0]) | maskOf(equal[1]) << 16 |
                                      uint64_t{maskOf(equal[2]) | maskOf(equal[3]) << 16} << 32;
                return at + __builtin_ctzll(mask);
            }
        }
        for (; k < blocks; ++k) {
            if (const unsigned mask = maskOf(test(block + 16 * k)); mask != 0) {
                return block + 16 * k + __builtin_ctz(mask);
            }
        }
        return nullptr;
    }

    // Calls visit with the current width as a constant, for the functions made for each width.
    template <typename Visit>
    auto atWidth(Visit visit) const -> decltype(visit(std::integral_constant<size_t, 2>{})) {
        switch (width_) {
        case 2:
            return visit(std::integral_constant<size_t, 2>{});
        case 3:
            return visit(std::integral_constant<size_t, 3>{});
        case 4:
            return visit(std::integral_constant<size_t, 4>{});
        case 5:
            return visit(std::integral_constant<size_t, 5>{});
        case 6:
            return visit(std::integral_constant<size_t, 6>{});
        case 7:
            return visit(std::integral_constant<size_t, 7>{});
        default:
            return visit(std::integral_constant<size_t, widest>{});
        }
    }

    // The blocks' test on the first width positions of the testing order, their offsets and bytes
    // copied to locals that stay in registers: all ones in lane i where candidate at + i has the
    // pattern's bytes at all of them.
    template <size_t width>
    class PositionsTest {
      public:
        explicit PositionsTest(const SixteenAtATime& search) {
#pragma GCC unroll 8
            for (size_t i = 0; i < width; ++i) {
                offsets_[i] = search.positions_[i];
                bytes_[i] = search.bytes_[i];
            }
        }
        __m128i operator()(const uint8_t* at) const {
            __m128i all = _mm_cmpeq_epi8(load(at + offsets_[0]), bytes_[0]);
#pragma GCC unroll 8
            for (size_t i = 1; i < width; ++i) {
                all = _mm_and_si128(all, _mm_cmpeq_epi8(load(at + offsets_[i]), bytes_[i]));
            }
            return all;
        }

      private:
        size_t offsets_[width];
        __m128i bytes_[width];
    };

    // Tests the given number of blocks from block on, each on the first width positions of the
    // testing order, two blocks at a time, and keeps the offset and candidates of every pair with
    // candidates left; returns how many it kept. The positions and bytes are copied to locals, and
    // the function is kept apart from its callers, to keep them all in registers.
    template <size_t width>
    __attribute__((noinline)) ptrdiff_t keepCandidates(const uint8_t* block, ptrdiff_t blocks,
                                                       Kept* kept) const {
        const PositionsTest<width> equal(*this);
        const auto test = [&equal](const uint8_t* at) { return maskOf(equal(at)); };
        ptrdiff_t count = 0;
        ptrdiff_t k = 0;
        for (; k + 2 <= blocks; k += 2) {
            const uint8_t* at = block + 16 * k;
            const uint32_t mask = test(at) | test(at + 16) << 16;
            kept[count] = {static_cast<uint32_t>(16 * k), mask};
            count += mask != 0 ? 1 : 0;
        }
        if (k < blocks) {
            const uint32_t mask = test(block + 16 * k);
            kept[count] = {static_cast<uint32_t>(16 * k), mask};
            count += mask != 0 ? 1 : 0;
        }
        return count;
    }

    // The low 64 bits of a register.
    static uint64_t low64(__m128i value) {
        uint64_t bits;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&bits), value);
        return bits;
    }

    // The test by bits, for data made of few byte values (where a third of the candidates or
    // more pass each position a block is tested on): candidates go 96 at a time. One bit per data
    // byte says where the pattern's commonest value is. The bits of bytes
    // [block, block + 64) and [block + 48, block + 112) sit in the two halves of one register;
    // a position's test shifts both right by its offset (at most 15), which leaves in the low 48
    // bits of each half that position's bit for 48 candidates, to be set for the commonest value
    // and clear for any other. So one load and compare per 16 bytes, then a shift and an and per
    // position, test twelve positions. The chunks stop where the blocks [block, end), rounded up
    // to 16, do, or before they would read past the data; the caller's blocks go on from there.
    // Returns the first match, or null with block moved past the chunks tested.
    const uint8_t* testByBits(const uint8_t*& block, const uint8_t* end) {
        const uint8_t* start = block;
        ptrdiff_t failedCompares = 0;
        const uint8_t* stop = block + (end - block + 15) / 16 * 16;
        const auto bitsOf16 = [this](const uint8_t* at) { return equalBits(at, commonValue_); };
        const auto word = [](uint32_t low16, uint32_t high16) {
            return _mm_cvtsi32_si128(static_cast<int>(low16 | high16 << 16));
        };
        constexpr uint64_t candidates = (uint64_t{1} << 48) - 1;
        // The bits' loads reach 112 bytes. A pattern of at most 32 bytes has its candidates
        // compared without a branch, whose loads reach its length or 16 bytes past the last.
        const bool comparedInside = length_ <= 32;
        const ptrdiff_t reach =
            comparedInside ? 96 + std::max<ptrdiff_t>(16, static_cast<ptrdiff_t>(length_)) : 112;
        for (uint32_t first16 = bitsOf16(block); stop - block >= 96 && dataEnd_ - block >= reach;
             block += 96) {
            const uint32_t b1 = bitsOf16(block + 16), b2 = bitsOf16(block + 32);
            const uint32_t b3 = bitsOf16(block + 48), b4 = bitsOf16(block + 64);
            const uint32_t b5 = bitsOf16(block + 80), b6 = bitsOf16(block + 96);
            const __m128i bits =
                _mm_unpacklo_epi64(_mm_unpacklo_epi32(word(first16, b1), word(b2, b3)),
                                   _mm_unpacklo_epi32(word(b3, b4), word(b5, b6)));
            // A fixed number of tests, unrolled; the positions repeat when there are fewer.
            __m128i passing = _mm_set1_epi32(-1);
#pragma GCC unroll 12
            for (size_t i = 0; i < bitPositions; ++i) {
                passing = _mm_and_si128(
                    passing, _mm_xor_si128(_mm_srl_epi64(bits, bitShift_[i]), bitFlip_[i]));
            }
            // The candidates left are compared in full: a clear bit stands for the pattern's byte
            // only where the data and the pattern hold just two values, and a longer pattern has
            // positions not tested. Those of a short pattern in each half, near misses where the
            // data repeats it with a byte changed here and there, are as the test of near misses
            // compares them: the first and the last without a branch, and all only where one
            // matches or there is a third. Where most of those compared one by one fail (data
            // repeating the pattern's beginning, or a third value where it has the other one),
            // the blocks' test takes over.
            const uint64_t halves[2] = {low64(passing) & candidates,
                                        low64(_mm_srli_si128(passing, 8)) & candidates};
            for (int half = 0; half < 2 && (halves[0] | halves[1]) != 0; ++half) {
                uint64_t left = halves[half];
                const uint8_t* at = block + 48 * half;
                if (comparedInside && (length_ > 16 ? endsMatchOrThird<true, 48>(at, left)
                                                    : endsMatchOrThird<false, 48>(at, left)) == 0) {
                    continue;
                }
                for (; left != 0; left &= left - 1) {
                    const uint8_t* match = at + __builtin_ctzll(left);
                    if (compare_.matches(match)) {
                        return match;
                    }
                    if (tooManyFailed(++failedCompares, start, block)) {
                        giveUpBitTest(block);
                        return nullptr;
                    }
                }
            }
            first16 = b6;
        }
        return nullptr;
    }

    // Turns the test by bits off at block, where most of what it let through failed. It may be
    // tried again a stretch further on, then twice as far each time it gives up, so that data of
    // few values after other data has it again soon, and other data pays for it little.
    void giveUpBitTest(const uint8_t* block) {
        bitTest_ = false;
        bitRetryFrom_ = block + std::min(bitRetryDistance_, dataEnd_ - block);
        bitRetryDistance_ = std::min<ptrdiff_t>(2 * bitRetryDistance_, ptrdiff_t{1} << 30);
    }

    // Prepares the test by bits: the pattern's commonest value, and the offsets of bitPositions
    // positions within 16 bytes of the candidate (the first two of the testing order, then from
    // the end backwards, as candidates that share a beginning with the pattern are commoner than
    // ones that share its end; repeated when there are fewer), each with whether its byte is
    // another value.
    void prepareBitTest() {
        size_t counts[256] = {};
        for (size_t i = 0; i < length_; ++i) {
            ++counts[pattern_[i]];
        }
        const auto common = static_cast<uint8_t>(std::max_element(counts, counts + 256) - counts);
        size_t positions[bitPositions];
        size_t count = 0;
        auto add = [&](size_t position) {
            if (position < 16 && count < bitPositions &&
                std::find(positions, positions + count, position) == positions + count) {
                positions[count++] = position;
            }
        };
        add(positions_[0]);
        add(positions_[1]);
        for (size_t i = std::min<size_t>(length_, 16); i-- > 0;) {
            add(i);
        }
        for (size_t i = 0; i < bitPositions; ++i) {
            const size_t position = positions[i % count];
            bitShift_[i] = _mm_cvtsi32_si128(static_cast<int>(position));
            bitFlip_[i] = pattern_[position] == common ? _mm_setzero_si128() : _mm_set1_epi32(-1);
        }
        commonValue_ = everyLane(common);
    }

    // A pattern that repeats itself at a short distance, as a run of one value or a period of a
    // few bytes, has near misses packed as close as that distance in data that repeats the same
    // way, each failing at its own place: runs with other bytes sprinkled among them, or a
    // repeated text broken at every line. Where the pattern has its bytes repeated shift bytes
    // further on over a window of positions, a match has them too: a bit per data byte says
    // whether the byte shift bytes further on equals it, and the candidates whose window holds
    // only set bits are those left, one break in the repetition ruling out every candidate that
    // covers it with the window, wherever it lies. Their test on the first position of the
    // testing order leaves only those in step with the pattern.
    //
    // Candidates go 64 at a time, 32 in each half of a register whose bits are those of the 64
    // bytes from the candidates' window on (the window is at most 32 long): the windows' bits are
    // anded together by shifts doubling up to the window's length. Returns the first match, or
    // null with block moved past the chunks tested (the test is given up where most candidates
    // left fail).
    const uint8_t* testByPeriod(const uint8_t*& block, const uint8_t* end) {
        const uint8_t* start = block;
        ptrdiff_t failedCompares = 0;
        const uint8_t* stop = block + (end - block + 15) / 16 * 16;
        const size_t from = periodStart_, shift = periodShift_;
        const auto bitsOf32 = [from, shift](const uint8_t* at) {
            return equalBits(at + from, load(at + from + shift)) |
                   equalBits(at + from + 16, load(at + from + 16 + shift)) << 16;
        };
        const auto reach = static_cast<ptrdiff_t>(from + shift + 96);
        const size_t position = positions_[0];
        const __m128i byte = bytes_[0];
        __m128i low = _mm_cvtsi32_si128(static_cast<int>(bitsOf32(block)));
        for (; stop - block >= 64 && dataEnd_ - block >= reach; block += 64) {
            const __m128i middle = _mm_cvtsi32_si128(static_cast<int>(bitsOf32(block + 32)));
            const __m128i high = _mm_cvtsi32_si128(static_cast<int>(bitsOf32(block + 64)));
            __m128i runs = _mm_unpacklo_epi64(_mm_unpacklo_epi32(low, middle),
                                              _mm_unpacklo_epi32(middle, high));
            low = high;
            for (size_t i = 0; i < periodSteps_; ++i) {
                runs = _mm_and_si128(runs, _mm_srl_epi64(runs, periodShifts_[i]));
            }
            const auto firstRuns = static_cast<uint32_t>(_mm_cvtsi128_si32(runs));
            const auto secondRuns =
                static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(runs, 8)));
            if ((firstRuns | secondRuns) == 0) {
                continue;
            }
            const uint32_t first = firstRuns & (equalBits(block + position, byte) |
                                                equalBits(block + 16 + position, byte) << 16);
            const uint32_t second = secondRuns & (equalBits(block + 32 + position, byte) |
                                                  equalBits(block + 48 + position, byte) << 16);
            for (int half = 0; half < 2 && (first | second) != 0; ++half) {
                for (uint32_t left = half == 0 ? first : second; left != 0; left &= left - 1) {
                    const uint8_t* match = block + 32 * half + __builtin_ctz(left);
                    if (compare_.matches(match)) {
                        return match;
                    }
                    if (tooManyFailed(++failedCompares, start, block)) {
                        periodTest_ = false;
                        return nullptr;
                    }
                }
            }
        }
        return nullptr;
    }

    // Finds the shift (at most 16) and the window of positions, at most 32 long, over which the
    // pattern's bytes repeat shift bytes further on, with the longest window; and the shifts that
    // and a run of that many bits together: doubling runs, then the window's length less the
    // longest doubled run. A window shorter than eight leaves the test by period unused.
    void preparePeriodTest() {
        size_t longest = 0;
        for (size_t shift = 1; shift <= 16 && shift < length_; ++shift) {
            size_t run = 0;
            for (size_t i = 0; i + shift < length_ && longest < 32; ++i) {
                run = pattern_[i] == pattern_[i + shift] ? run + 1 : 0;
                if (run > longest) {
                    longest = run;
                    periodShift_ = shift;
                    periodStart_ = i + 1 - run;
                }
            }
        }
        if (longest < 8) {
            return;
        }
        periodLength_ = longest;
        size_t run = 1;
        for (; 2 * run <= longest; run *= 2) {
            periodShifts_[periodSteps_++] = _mm_cvtsi32_si128(static_cast<int>(run));
        }
        periodShifts_[periodSteps_++] = _mm_cvtsi32_si128(static_cast<int>(longest - run));
    }

    const uint8_t* pattern_;
    size_t length_;
    const uint8_t* dataEnd_;
    PatternCompare compare_;
    // The testing order's first positions and their bytes in every lane, and how many of them
    // the blocks are tested on.
    size_t positions_[widest];
    __m128i bytes_[widest];
    size_t width_ = 2;
    int quietBatches_ = 0;
    int lessonPause_ = 0;
    // The test by bits: the pattern's commoner value, the offset of each position tested, and
    // all ones where its byte is the other value.
    static constexpr size_t bitPositions = 12;
    bool bitTest_ = false;
    // Where the test by bits may be tried again after it gave up, and how far on the next time.
    const uint8_t* bitRetryFrom_ = nullptr;
    ptrdiff_t bitRetryDistance_ = denseStretch;
    __m128i commonValue_;
    __m128i bitShift_[bitPositions];
    __m128i bitFlip_[bitPositions];
    // The test by period: whether it is on, the shift, the window's first position and length
    // (0 where there is none), and the shifts that and the window's bits together.
    bool periodTest_ = false;
    size_t periodShift_ = 0;
    size_t periodStart_ = 0;
    size_t periodLength_ = 0;
    size_t periodSteps_ = 0;
    __m128i periodShifts_[6];
    // Whether the test of near misses is on, and how many positions it tests.
    bool nearMissTest_ = false;
    int nearMissFilter_ = 2;
};
#endif

} // namespace

const uint8_t* findBytes(const uint8_t* first, const uint8_t* lastCandidate, const uint8_t* pattern,
                         size_t length) {
    const SearchPlan plan(pattern, length);
#if defined(__SSE2__)
    if (length > 1 && lastCandidate - first >= 15) {
        return SixteenAtATime(pattern, plan, lastCandidate + length).find(first, lastCandidate);
    }
#endif
    return findByRareByte(first, lastCandidate, pattern, plan);
}
