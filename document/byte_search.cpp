#include "document/byte_search.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The byte search finds the first candidate (a place where the pattern may start) whose bytes
// equal the pattern's. It looks for the places of the pattern's least common bytes, ranked by
// commonestFirst below, and compares the whole pattern only there. Where those bytes turn out
// to be common in the data, the comparisons cost more than they save: the search then goes on
// for a stretch with a method whose cost is linear in the data whatever it holds (Shift-Or, or
// with SSE2 a test of every pattern byte on sixteen candidates at a time, and for a pattern of
// two byte values a test of twelve of its bytes on 96 candidates at a time), and tries the rare
// bytes again after it.

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

// The pattern length the search handles in one piece; a longer pattern is searched for by this
// many of its first bytes, and the rest is compared at each match.
constexpr size_t longestPlanned = 32;

// The search of one pattern: its length (at most longestPlanned), and the two positions whose
// bytes the filter looks for: rare, the one with the least common byte, and other, the least
// common of the bytes that differ from it. Among equally common bytes the filter takes the later
// position, and for the other byte the one farther from rare, which is less tied to it in real
// data. When every byte is the same, other is the end farther from rare.
struct SearchPlan {
    size_t length;
    size_t rare;
    size_t other;

    SearchPlan(const uint8_t* pattern, size_t patternLength)
        : length(std::min(patternLength, longestPlanned)), rare(length - 1) {
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

// Decides when comparing at the filter's candidates costs more than the linear method would.
// A comparison is taken to cost what filtering bytesPerComparison bytes does: the filter earns a
// byte of credit for each byte it moves on and pays that much per comparison; it starts with
// enough for a few comparisons and saves at most enough for a burst of them, so that a dense
// region after a long sparse one is noticed soon. The comparisons thus stay a bounded share of
// the bytes scanned.
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
    static constexpr ptrdiff_t bytesPerComparison = 32;
    static constexpr ptrdiff_t largest = 1024 * bytesPerComparison;
    ptrdiff_t balance_ = 32 * bytesPerComparison;
    const uint8_t* credited_;
};

// The candidates searched with the linear method each time the budget is spent, before the
// filter is tried again: enough for the retries to cost little, few enough to find the rare
// bytes rare again soon after a dense region (as the zero runs of a disk image).
constexpr ptrdiff_t linearStretch = 64 * 1024;

// The end of the stretch that starts at candidate.
const uint8_t* stretchEnd(const uint8_t* candidate, const uint8_t* lastCandidate) {
    return lastCandidate - candidate > linearStretch ? candidate + linearStretch : lastCandidate;
}

// The first candidate in [candidate, lastCandidate] where the pattern's first plan.length bytes
// match, or null, by Shift-Or: bit i of state is clear while the last i + 1 bytes read equal the
// pattern's first i + 1, so a clear bit length - 1 marks a match ending at the byte just read.
// Each byte costs a shift, a table look-up and an or, whatever the data.
const uint8_t* findByShiftOr(const uint8_t* candidate, const uint8_t* lastCandidate,
                             const uint8_t* pattern, const SearchPlan& plan) {
    uint32_t clearWhereEqual[256];
    std::fill(std::begin(clearWhereEqual), std::end(clearWhereEqual), ~uint32_t{0});
    for (size_t i = 0; i < plan.length; ++i) {
        clearWhereEqual[pattern[i]] &= ~(uint32_t{1} << i);
    }
    const uint32_t matched = uint32_t{1} << (plan.length - 1);
    const uint8_t* lastByte = lastCandidate + (plan.length - 1);
    uint32_t state = ~uint32_t{0};
    for (const uint8_t* at = candidate; at <= lastByte; ++at) {
        state = (state << 1) | clearWhereEqual[*at];
        if ((state & matched) == 0) {
            return at - (plan.length - 1);
        }
    }
    return nullptr;
}

// The first candidate in [candidate, lastCandidate] where the pattern's first plan.length bytes
// match, or null: memchr finds each place of the rare byte, and the rest is compared there.
// Whenever the budget is spent, Shift-Or searches the next stretch.
const uint8_t* findByRareByte(const uint8_t* candidate, const uint8_t* lastCandidate,
                              const uint8_t* pattern, const SearchPlan& plan) {
    ComparisonBudget budget(candidate);
    while (candidate <= lastCandidate) {
        if (budget.spent()) {
            const uint8_t* end = stretchEnd(candidate, lastCandidate);
            if (const uint8_t* match = findByShiftOr(candidate, end, pattern, plan)) {
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
// As findByRareByte, for sixteen candidates or more, sixteen at a time: the candidates of a
// block are tested on the rare and the other byte at once, and those having both are compared in
// full. Whenever the budget is spent, the blocks of the next stretch are tested on every byte of
// the pattern (the filter's two first, then from the end backwards, as candidates that share a
// beginning with the pattern are commoner than ones that share its end).
//
// A block's bytes at offset k of its candidates end 15 bytes after the first candidate's: the
// last block is moved back to end at the last candidate, its candidates already seen masked off,
// and no load reaches outside [candidate, lastCandidate + plan.length).
class SixteenAtATime {
  public:
    SixteenAtATime(const uint8_t* pattern, const SearchPlan& plan)
        : pattern_(pattern), plan_(plan) {
        order_[0] = plan.rare;
        order_[1] = plan.other;
        bytes_[0] = _mm_set1_epi8(static_cast<char>(pattern[plan.rare]));
        bytes_[1] = _mm_set1_epi8(static_cast<char>(pattern[plan.other]));
    }

    const uint8_t* find(const uint8_t* candidate, const uint8_t* lastCandidate) {
        dataEnd_ = lastCandidate + plan_.length;
        const uint8_t* finalBlock = lastCandidate - 15;
        const uint8_t* block = candidate;
        while (block < finalBlock) {
            // Two blocks at a time while the budget lasts, their candidates in one mask.
            for (ComparisonBudget budget(block); block < finalBlock;) {
                const bool two = finalBlock - block > 16;
                const unsigned mask = test<2>(block, 0) | (two ? test<2>(block + 16, 0) << 16 : 0);
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
                const uint8_t* end = stretchEnd(block, finalBlock);
                if (const uint8_t* match = testEveryByte(block, end)) {
                    return match;
                }
                block += (end - block + 15) / 16 * 16;
            }
        }
        // The final block: each candidate is seen once, by the full test once it is ready.
        const unsigned unseen = 0xFFFFu << (block - finalBlock);
        if (chunks_ == 0) {
            return compare(finalBlock, test<2>(finalBlock, 0) & unseen, nullptr);
        }
        const unsigned mask = testRest(finalBlock, test<8>(finalBlock, 0) & unseen, 8);
        return mask != 0 ? finalBlock + __builtin_ctz(mask) : nullptr;
    }

  private:
    // The blocks tested on their first bytes before those with candidates left are tested on
    // the rest.
    static constexpr ptrdiff_t batch = 64;

    static __m128i load(const uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }

    // All ones in lane i where candidate block + i has the pattern bytes at the count positions
    // from offsets on.
    template <size_t count>
    static __m128i equal(const uint8_t* block, const size_t* offsets, const __m128i* bytes) {
        if constexpr (count == 1) {
            return _mm_cmpeq_epi8(load(block + *offsets), *bytes);
        } else {
            return _mm_and_si128(equal<count / 2>(block, offsets, bytes),
                                 equal<count / 2>(block, offsets + count / 2, bytes + count / 2));
        }
    }

    // Bit i set where candidate block + i has the pattern's bytes at the count positions of the
    // testing order from first on.
    template <size_t count>
    unsigned test(const uint8_t* block, size_t first) const {
        return static_cast<unsigned>(
            _mm_movemask_epi8(equal<count>(block, order_ + first, bytes_ + first)));
    }

    // The first of mask's candidates where the whole pattern matches, or null; the comparisons
    // are paid from the budget, if any, and stop once it is spent. The lowest set bits are the
    // earliest candidates.
    const uint8_t* compare(const uint8_t* block, unsigned mask, ComparisonBudget* budget) const {
        for (; mask != 0; mask &= mask - 1) {
            const uint8_t* match = block + __builtin_ctz(mask);
            if (std::memcmp(match, pattern_, plan_.length) == 0) {
                return match;
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

    // Bit i set where byte at + i equals the value, for 16 bytes.
    static uint32_t equalBits(const uint8_t* at, __m128i value) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(at), value)));
    }

    // The low 64 bits of a register.
    static uint64_t low64(__m128i value) {
        uint64_t bits;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&bits), value);
        return bits;
    }

    // A pattern of at most two distinct bytes, as in data made of few byte values (where half
    // the candidates pass each position a block is tested on): candidates go 96 at a time. One
    // bit per data byte says where the pattern's commoner value is. The bits of bytes
    // [block, block + 64) and [block + 48, block + 112) sit in the two halves of one register;
    // a position's test shifts both right by its offset (at most 15), which leaves in the low 48
    // bits of each half that position's bit for 48 candidates, to be set for the commoner value
    // and clear for the other. So one load and compare per 16 bytes, then a shift and an and per
    // position, test twelve positions. The chunks stop where the blocks [block, end), rounded up
    // to 16, do, or before they would read past the data; the caller's blocks go on from there.
    // Returns the first match, or null with block moved past the chunks tested.
    const uint8_t* testByBits(const uint8_t*& block, const uint8_t* end) {
        const uint8_t* start = block;
        ptrdiff_t failedCompares = 0;
        const uint8_t* stop = block + (end - block + 15) / 16 * 16;
        if (stop - block < 96 || dataEnd_ - block < 112) {
            return nullptr;
        }
        const auto bitsOf16 = [this](const uint8_t* at) {
            return uint64_t{equalBits(at, commonValue_)};
        };
        constexpr uint64_t candidates = (uint64_t{1} << 48) - 1;
        for (uint64_t first16 = bitsOf16(block); stop - block >= 96 && dataEnd_ - block >= 112;
             block += 96) {
            const uint64_t b1 = bitsOf16(block + 16), b2 = bitsOf16(block + 32);
            const uint64_t b3 = bitsOf16(block + 48), b4 = bitsOf16(block + 64);
            const uint64_t b5 = bitsOf16(block + 80), b6 = bitsOf16(block + 96);
            const uint64_t low = first16 | b1 << 16 | b2 << 32 | b3 << 48;
            const uint64_t high = b3 | b4 << 16 | b5 << 32 | b6 << 48;
            const __m128i bits =
                _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&low)),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&high)));
            // A fixed number of tests, unrolled; the positions repeat when there are fewer.
            __m128i passing = _mm_set1_epi32(-1);
#pragma GCC unroll 12
            for (size_t i = 0; i < bitPositions; ++i) {
                passing = _mm_and_si128(
                    passing, _mm_xor_si128(_mm_srl_epi64(bits, bitShift_[i]), bitFlip_[i]));
            }
            // The candidates left are compared in full: a clear bit stands for the other value
            // only where the data holds just the two, and a longer pattern has positions not
            // tested. Where most of them fail (data repeating the pattern's beginning, or a third
            // value where it has the other one), the blocks' test of every position takes over.
            const uint64_t firstHalf = low64(passing) & candidates;
            const uint64_t secondHalf = low64(_mm_srli_si128(passing, 8)) & candidates;
            for (int half = 0; half < 2 && (firstHalf | secondHalf) != 0; ++half) {
                for (uint64_t left = half == 0 ? firstHalf : secondHalf; left != 0;
                     left &= left - 1) {
                    const uint8_t* match = block + 48 * half + __builtin_ctzll(left);
                    if (std::memcmp(match, pattern_, plan_.length) == 0) {
                        return match;
                    }
                    if (++failedCompares > (block - start) / 256 + 16) {
                        bitTest_ = false;
                        return nullptr;
                    }
                }
            }
            first16 = b6;
        }
        return nullptr;
    }

    // For a pattern of at most two distinct bytes: its commoner value, and the offsets of the
    // first bitPositions positions of the testing order that lie within 16 bytes of the
    // candidate (repeated when there are fewer), each with whether its byte is the other value.
    // Other patterns are not tested by bits.
    void prepareBitTest() {
        const uint8_t first = pattern_[0];
        const uint8_t* second = std::find_if(pattern_, pattern_ + plan_.length,
                                             [first](uint8_t b) { return b != first; });
        const size_t firstCount =
            static_cast<size_t>(std::count(pattern_, pattern_ + plan_.length, first));
        if (second != pattern_ + plan_.length &&
            firstCount +
                    static_cast<size_t>(std::count(pattern_, pattern_ + plan_.length, *second)) !=
                plan_.length) {
            return;
        }
        const uint8_t common = 2 * firstCount >= plan_.length ? first : *second;
        // The first positions of the testing order within 16 bytes of the candidate.
        size_t positions[bitPositions];
        size_t count = 0;
        for (size_t i = 0; i < plan_.length && count < bitPositions; ++i) {
            if (order_[i] < 16) {
                positions[count++] = order_[i];
            }
        }
        for (size_t i = 0; i < bitPositions; ++i) {
            const size_t position = positions[i % count];
            bitShift_[i] = _mm_cvtsi32_si128(static_cast<int>(position));
            bitFlip_[i] = pattern_[position] == common ? _mm_setzero_si128() : _mm_set1_epi32(-1);
        }
        commonValue_ = _mm_set1_epi8(static_cast<char>(common));
        bitTest_ = true;
    }

    // Completes the testing order: the rest from the end, up to a multiple of eight positions
    // (the rare byte again).
    void prepareFullTest() {
        size_t count = 2;
        for (size_t i = plan_.length; i-- > 0;) {
            if (i != plan_.rare && i != plan_.other) {
                order_[count++] = i;
            }
        }
        for (; count % 8 != 0; ++count) {
            order_[count] = plan_.rare;
        }
        for (size_t i = 2; i < count; ++i) {
            bytes_[i] = _mm_set1_epi8(static_cast<char>(pattern_[order_[i]]));
        }
        chunks_ = count / 8;
        prepareBitTest();
    }

    // The candidates of mask that also have the pattern's bytes at the positions of the testing
    // order from first (four or eight) on.
    unsigned testRest(const uint8_t* block, unsigned mask, size_t first) const {
        if (first == 4) {
            mask &= test<4>(block, 4);
        }
        for (size_t chunk = 1; mask != 0 && chunk < chunks_; ++chunk) {
            mask &= test<8>(block, 8 * chunk);
        }
        return mask;
    }

    // The first match in the blocks from block on, before end, each tested on every byte. The
    // blocks go in batches: each is tested on the first width bytes of the testing order, kept
    // in registers, and the few with candidates left are tested on the rest after the batch,
    // without a branch per block that the processor could not predict. Eight bytes leave few
    // candidates even in random data of two byte values; four do, at half the cost, where the
    // bytes are more varied or their order keeps most candidates from passing, as in periodic
    // data.
    const uint8_t* testEveryByte(const uint8_t* block, const uint8_t* end) {
        if (chunks_ == 0) {
            prepareFullTest();
        }
        if (bitTest_) {
            if (const uint8_t* match = testByBits(block, end)) {
                return match;
            }
        }
        size_t width = 8;
        while (block < end) {
            const ptrdiff_t blocks = std::min<ptrdiff_t>((end - block + 15) / 16, batch);
            uint32_t kept[batch];
            const ptrdiff_t count = width == 8 ? keepCandidates<8>(block, blocks, kept)
                                               : keepCandidates<4>(block, blocks, kept);
            for (ptrdiff_t i = 0; i < count; ++i) {
                const uint8_t* at = block + 16 * (kept[i] >> 16);
                if (const unsigned mask = testRest(at, kept[i] & 0xFFFF, width); mask != 0) {
                    return at + __builtin_ctz(mask);
                }
            }
            width = count > batch / 8 ? 8 : count == 0 ? 4 : width;
            block += 16 * blocks;
        }
        return nullptr;
    }

    // Tests the given number of blocks from block on, each on the first width bytes of the
    // testing order, and keeps the index and candidates of every block with candidates left;
    // returns how many it kept.
    // The positions and bytes are named one by one, and the function is kept apart from its
    // callers, to keep them all in registers.
    template <size_t width>
    __attribute__((noinline)) ptrdiff_t keepCandidates(const uint8_t* block, ptrdiff_t blocks,
                                                       uint32_t* kept) const {
        const size_t o0 = order_[0], o1 = order_[1], o2 = order_[2], o3 = order_[3];
        const size_t o4 = order_[4], o5 = order_[5], o6 = order_[6], o7 = order_[7];
        const __m128i b0 = bytes_[0], b1 = bytes_[1], b2 = bytes_[2], b3 = bytes_[3];
        const __m128i b4 = bytes_[4], b5 = bytes_[5], b6 = bytes_[6], b7 = bytes_[7];
        ptrdiff_t count = 0;
        for (ptrdiff_t k = 0; k < blocks; ++k) {
            const uint8_t* at = block + 16 * k;
            auto equalAt = [at](size_t offset, __m128i value) {
                return _mm_cmpeq_epi8(load(at + offset), value);
            };
            __m128i all = _mm_and_si128(_mm_and_si128(equalAt(o0, b0), equalAt(o1, b1)),
                                        _mm_and_si128(equalAt(o2, b2), equalAt(o3, b3)));
            if constexpr (width == 8) {
                all = _mm_and_si128(all,
                                    _mm_and_si128(_mm_and_si128(equalAt(o4, b4), equalAt(o5, b5)),
                                                  _mm_and_si128(equalAt(o6, b6), equalAt(o7, b7))));
            }
            const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(all));
            kept[count] = static_cast<uint32_t>(k) << 16 | mask;
            count += mask != 0 ? 1 : 0;
        }
        return count;
    }

    const uint8_t* pattern_;
    const SearchPlan& plan_;
    // The pattern positions in testing order, and their bytes in every lane: the filter's two
    // until the full test is first needed, then chunks_ times eight.
    size_t chunks_ = 0;
    size_t order_[longestPlanned];
    __m128i bytes_[longestPlanned];
    // The test by bits: the pattern's commoner value, and the positions it tests for it and
    // for the other value.
    static constexpr size_t bitPositions = 12;
    bool bitTest_ = false;
    __m128i commonValue_;
    // The offset of each position tested, and all ones where its byte is the other value.
    __m128i bitShift_[bitPositions];
    __m128i bitFlip_[bitPositions];
    const uint8_t* dataEnd_ = nullptr;
};
#endif

} // namespace

const uint8_t* findBytes(const uint8_t* first, const uint8_t* lastCandidate, const uint8_t* pattern,
                         size_t length) {
    const SearchPlan plan(pattern, length);
    for (const uint8_t* candidate = first;;) {
#if defined(__SSE2__)
        const uint8_t* match = length > 1 && lastCandidate - candidate >= 15
                                   ? SixteenAtATime(pattern, plan).find(candidate, lastCandidate)
                                   : findByRareByte(candidate, lastCandidate, pattern, plan);
#else
        const uint8_t* match = findByRareByte(candidate, lastCandidate, pattern, plan);
#endif
        // A pattern longer than the plan matches where its remaining bytes do too.
        if (match == nullptr ||
            std::memcmp(match + plan.length, pattern + plan.length, length - plan.length) == 0) {
            return match;
        }
        if (match == lastCandidate) {
            return nullptr;
        }
        candidate = match + 1;
    }
}
