#include "document/document_buffer.h"

#include "document/hex_codec.h"
#include "files/errors.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int32_t initialCapacity = 0x8000;
constexpr int32_t initialCacheCapacity = 4096;
constexpr int64_t largestStore = 0x7FFF0000;

// What bytes and hexText point at while their block could not be had, so that they are never
// null; every access is bounded by a capacity of 0 then.
uint8_t noBytes[1];
char noHexText[2];

// The byte search finds the first candidate (a place where the pattern may start) whose bytes
// equal the pattern's. It looks for the places of the pattern's least common bytes, ranked by
// commonestFirst below, and compares the whole pattern only there.

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

// The search of one pattern: its length, and the two positions whose
// bytes the filter looks for: rare, the one with the least common byte, and other, the least
// common of the bytes that differ from it. Among equally common bytes the filter takes the later
// position, and for the other byte the one farther from rare, which is less tied to it in real
// data. When every byte is the same, other is the end farther from rare.
struct SearchPlan {
    size_t length;
    size_t rare;
    size_t other;

    SearchPlan(const uint8_t* pattern, size_t patternLength)
        : length(patternLength), rare(length - 1) {
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

// The first candidate in [candidate, lastCandidate] where the pattern matches, or null: memchr
// finds each place of the rare byte, and the rest is compared there.
const uint8_t* findByRareByte(const uint8_t* candidate, const uint8_t* lastCandidate,
                              const uint8_t* pattern, const SearchPlan& plan) {
    while (candidate <= lastCandidate) {
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
    }
    return nullptr;
}

#if defined(__SSE2__)
// As findByRareByte, for sixteen candidates or more, sixteen at a time: the candidates of a
// block are tested on the rare and the other byte at once, and those having both are compared in
// full.
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

    const uint8_t* find(const uint8_t* candidate, const uint8_t* lastCandidate) const {
        const uint8_t* finalBlock = lastCandidate - 15;
        const uint8_t* block = candidate;
        // Two blocks at a time, their candidates in one mask.
        while (block < finalBlock) {
            const bool two = finalBlock - block > 16;
            const unsigned mask = test<2>(block, 0) | (two ? test<2>(block + 16, 0) << 16 : 0);
            if (const uint8_t* match = compare(block, mask)) {
                return match;
            }
            block += two ? 32 : 16;
        }
        const unsigned unseen = 0xFFFFu << (block - finalBlock);
        return compare(finalBlock, test<2>(finalBlock, 0) & unseen);
    }

  private:
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

    // The first of mask's candidates where the whole pattern matches, or null. The lowest set
    // bits are the earliest candidates.
    const uint8_t* compare(const uint8_t* block, unsigned mask) const {
        for (; mask != 0; mask &= mask - 1) {
            const uint8_t* match = block + __builtin_ctz(mask);
            if (std::memcmp(match, pattern_, plan_.length) == 0) {
                return match;
            }
        }
        return nullptr;
    }

    const uint8_t* pattern_;
    const SearchPlan& plan_;
    // The pattern positions in testing order, and their bytes in every lane.
    size_t order_[2];
    __m128i bytes_[2];
};
#endif

} // namespace

DocumentBuffer::DocumentBuffer() : capacity(initialCapacity), cacheCapacity(initialCacheCapacity) {
    hexText = static_cast<char*>(platform::allocateBlock(2 * static_cast<size_t>(cacheCapacity)));
    if (hexText == nullptr) {
        hexText = noHexText;
        cacheCapacity = 0;
    }
    allocate();
}

DocumentBuffer::~DocumentBuffer() {
    if (hexText != noHexText) {
        platform::freeBlock(hexText);
    }
    platform::freeBlock(storeHandle);
}

void DocumentBuffer::allocate() {
    cacheBase = validStart = validEnd = 0;
    // A block of at least one byte, so that an empty store is still a block that can grow.
    storeHandle = platform::allocateBlock(std::max<size_t>(static_cast<size_t>(capacity), 1));
    if (storeHandle == nullptr) {
        capacity = 0;
        bytes = noBytes;
        return;
    }
    bytes = static_cast<uint8_t*>(storeHandle);
}

void DocumentBuffer::reset(int32_t newCapacity) {
    // The hex cache keeps its block and size; only its window is emptied.
    platform::freeBlock(storeHandle);
    storeHandle = nullptr;
    capacity = std::max(newCapacity, 0);
    allocate();
}

bool DocumentBuffer::grow(int32_t required) {
    const int64_t newCapacity = (static_cast<int64_t>(required) + 98303) / 65536 * 65536;
    if (newCapacity > largestStore) {
        return false;
    }
    void* block = storeHandle == nullptr
                      ? platform::allocateBlock(static_cast<size_t>(newCapacity))
                      : platform::resizeBlock(storeHandle, static_cast<size_t>(newCapacity));
    if (block == nullptr) {
        return false;
    }
    storeHandle = block;
    bytes = static_cast<uint8_t*>(block);
    capacity = static_cast<int32_t>(newCapacity);
    return true;
}

bool DocumentBuffer::growCache(int32_t count) {
    const int64_t newCapacity = (static_cast<int64_t>(count) / 512 + 1) * 512;
    if (newCapacity > largestStore / 2) {
        return false;
    }
    const size_t size = 2 * static_cast<size_t>(newCapacity);
    void* block =
        hexText == noHexText ? platform::allocateBlock(size) : platform::resizeBlock(hexText, size);
    if (block == nullptr) {
        return false;
    }
    hexText = static_cast<char*>(block);
    cacheCapacity = static_cast<int32_t>(newCapacity);
    return true;
}

void DocumentBuffer::encode(int32_t start, int32_t end) {
    if (start >= end) {
        return;
    }
    hexConvert(hexText + 2 * static_cast<size_t>(start - cacheBase), bytes + start, 0,
               static_cast<uint32_t>(end - start), true);
}

void DocumentBuffer::ensureHex(int32_t start, int32_t count) {
    const int32_t end = start + count;
    if (start >= validStart && end <= validEnd) {
        return;
    }
    // At most two ranges are encoded: the newly valid bytes below and above the old window.
    int32_t lowFrom = 0, lowTo = 0, highFrom = 0, highTo = 0;
    auto resetWindow = [&](int32_t windowEnd) {
        cacheBase = validStart = start;
        validEnd = windowEnd;
        lowFrom = start;
        lowTo = windowEnd;
    };
    if (count > cacheCapacity) {
        if (growCache(count)) {
            resetWindow(end);
        } else {
            reportLowMemory(false);
            // The window never reaches past what the cache can describe.
            resetWindow(start + cacheCapacity);
        }
    } else if (start < validStart) {
        if (end > cacheBase + cacheCapacity) {
            resetWindow(end);
        } else if (start >= cacheBase) {
            lowFrom = start;
            lowTo = validStart;
            validStart = start;
            if (end > validEnd) {
                highFrom = validEnd;
                highTo = end;
                validEnd = end;
            }
        } else {
            cacheBase = std::max(0, end - cacheCapacity);
            validStart = start;
            validEnd = end;
            lowFrom = start;
            lowTo = end;
        }
    } else if (end >= cacheBase + cacheCapacity) {
        resetWindow(end);
    } else {
        highFrom = validEnd;
        highTo = end;
        validEnd = end;
    }
    if (validEnd > capacity && !grow(validEnd)) {
        // The store cannot reach the window's end: the window stops at the capacity.
        validEnd = capacity;
        validStart = std::min(validStart, validEnd);
        cacheBase = std::min(cacheBase, validStart);
    }
    encode(lowFrom, std::min(lowTo, validEnd));
    encode(highFrom, std::min(highTo, validEnd));
}

void DocumentBuffer::refreshHex(int32_t start, int32_t count) {
    const int32_t end = start + count;
    if (end <= validStart || start >= validEnd) {
        return;
    }
    encode(std::max(start, cacheBase), std::min(end, validEnd));
}

bool DocumentBuffer::setCell(int32_t nibble, uint8_t value, bool wholeByte) {
    const int32_t pos = nibble / 2;
    if (pos < 0 || pos >= capacity) {
        return false;
    }
    const bool cached = pos >= validStart && pos < validEnd;
    if (wholeByte) {
        bytes[pos] = value;
        if (cached) {
            encode(pos, pos + 1);
        }
        return true;
    }
    // The digit goes into the byte's hex text, and the byte is decoded back from it. Outside
    // the window (only when memory ran short) a local copy of the text stands in.
    char local[2];
    char* pair = local;
    if (cached) {
        pair = hexText + 2 * static_cast<size_t>(pos - cacheBase);
    } else {
        hexConvert(local, bytes + pos, 0, 1, true);
    }
    pair[nibble & 1] = static_cast<char>(value);
    bytes[pos] = decodeHexPair(static_cast<uint8_t>(pair[0]), static_cast<uint8_t>(pair[1]));
    return true;
}

int32_t DocumentBuffer::transfer(int32_t offset, int32_t count, uint8_t* buffer, bool toStore) {
    if (offset < 0) {
        return 0;
    }
    if (toStore) {
        if (static_cast<int64_t>(offset) + count > capacity &&
            (static_cast<int64_t>(offset) + count > INT32_MAX || !grow(offset + count))) {
            count = capacity - offset;
        }
    } else {
        count = std::min(count, capacity - offset);
    }
    if (count <= 0) {
        return 0;
    }
    if (toStore) {
        std::memmove(bytes + offset, buffer, static_cast<size_t>(count));
        refreshHex(offset, count);
    } else {
        std::memmove(buffer, bytes + offset, static_cast<size_t>(count));
    }
    return count;
}

int32_t DocumentBuffer::readFromFile(platform::File file, int32_t offset, int32_t count) {
    if (offset < 0 || count <= 0) {
        return 0;
    }
    const int64_t end = static_cast<int64_t>(offset) + count;
    if (end > capacity && (end > INT32_MAX || !grow(static_cast<int32_t>(end)))) {
        count = capacity - offset;
        if (count <= 0) {
            return 0;
        }
    }
    const auto read =
        static_cast<int32_t>(platform::readFile(file, bytes + offset, static_cast<size_t>(count)));
    refreshHex(offset, read);
    return read;
}

int32_t DocumentBuffer::readNewStore(platform::File file, int32_t count) {
    count = std::max(count, 0);
    void* block = platform::allocateBlock(std::max<size_t>(static_cast<size_t>(count), 1));
    if (block == nullptr) {
        return -1;
    }
    const auto read =
        static_cast<int32_t>(platform::readFile(file, block, static_cast<size_t>(count)));
    if (read != count) {
        platform::freeBlock(block);
        return read;
    }
    platform::freeBlock(storeHandle);
    storeHandle = block;
    bytes = static_cast<uint8_t*>(block);
    capacity = count;
    cacheBase = validStart = validEnd = 0;
    return read;
}

int32_t DocumentBuffer::writeToFile(platform::File file, int32_t start, int32_t end) {
    const int32_t last = std::min(end, capacity);
    if (start < 0 || last <= start) {
        return 0;
    }
    return static_cast<int32_t>(
        platform::writeFile(file, bytes + start, static_cast<size_t>(last - start)));
}

int32_t DocumentBuffer::find(const uint8_t* pattern, int32_t patternLength, int32_t from,
                             int32_t end) const {
    end = std::min(end, capacity);
    from = std::max(from, 0);
    const int64_t last = static_cast<int64_t>(end) - patternLength;
    if (patternLength <= 0 || from > last) {
        return -1;
    }
    // The first match at or after from, as a left-to-right scan finds it.
    const uint8_t* candidate = bytes + from;
    const uint8_t* lastCandidate = bytes + last;
    const SearchPlan plan(pattern, static_cast<size_t>(patternLength));
#if defined(__SSE2__)
    const uint8_t* match = patternLength > 1 && lastCandidate - candidate >= 15
                               ? SixteenAtATime(pattern, plan).find(candidate, lastCandidate)
                               : findByRareByte(candidate, lastCandidate, pattern, plan);
#else
    const uint8_t* match = findByRareByte(candidate, lastCandidate, pattern, plan);
#endif
    return match == nullptr ? -1 : static_cast<int32_t>(match - bytes);
}
