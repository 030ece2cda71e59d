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

// The first candidate in [candidate, lastCandidate] where the pattern's length bytes match, or
// null: memchr finds each place of the first byte, and the rest is compared only there. This is
// fast while the first byte is rare, and degrades where it is common (runs of zero bytes).
const uint8_t* findByFirstByte(const uint8_t* candidate, const uint8_t* lastCandidate,
                               const uint8_t* pattern, size_t length) {
    const uint8_t first = pattern[0];
    while (candidate <= lastCandidate) {
        candidate = static_cast<const uint8_t*>(
            std::memchr(candidate, first, static_cast<size_t>(lastCandidate - candidate) + 1));
        if (candidate == nullptr) {
            return nullptr;
        }
        if (std::memcmp(candidate + 1, pattern + 1, length - 1) == 0) {
            return candidate;
        }
        ++candidate;
    }
    return nullptr;
}

#if defined(__SSE2__)
// As findByFirstByte, for patterns of two bytes or more: sixteen candidates at a time are
// tested on both their first and their last byte, and only those matching both are compared in
// full. Requiring two bytes at a distance keeps the candidates rare even where one byte value
// dominates the data. The last bytes of sixteen candidates end 15 bytes after the last byte of
// the first one, so the blocks stop there and the remaining candidates are scanned one by one;
// no load reaches outside [candidate, lastCandidate + length).
const uint8_t* findByFirstAndLastBytes(const uint8_t* candidate, const uint8_t* lastCandidate,
                                       const uint8_t* pattern, size_t length) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(pattern[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(pattern[length - 1]));
    while (lastCandidate - candidate >= 15) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(candidate));
        const __m128i ends =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(candidate + length - 1));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
        // Bit i stands for candidate + i: the lowest set bits are the earliest candidates.
        while (mask != 0) {
            const uint8_t* match = candidate + __builtin_ctz(mask);
            if (std::memcmp(match, pattern, length) == 0) {
                return match;
            }
            mask &= mask - 1;
        }
        candidate += 16;
    }
    return findByFirstByte(candidate, lastCandidate, pattern, length);
}
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
    // The first match at or after from, as a left-to-right scan finds it. A single byte is
    // left to memchr, which is as fast as it gets.
    const uint8_t* candidate = bytes + from;
    const uint8_t* lastCandidate = bytes + last;
    const auto length = static_cast<size_t>(patternLength);
#if defined(__SSE2__)
    const uint8_t* match = length == 1
                               ? findByFirstByte(candidate, lastCandidate, pattern, length)
                               : findByFirstAndLastBytes(candidate, lastCandidate, pattern, length);
#else
    const uint8_t* match = findByFirstByte(candidate, lastCandidate, pattern, length);
#endif
    return match == nullptr ? -1 : static_cast<int32_t>(match - bytes);
}
