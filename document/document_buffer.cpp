#include "document/document_buffer.h"

#include "document/byte_search.h"
#include "document/hex_codec.h"
#include "files/errors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t initialCapacity = 0x8000;
constexpr int32_t initialCacheCapacity = 4096;
constexpr int64_t largestStore = 0x7FFF0000;

// What bytes and hexText point at while their block could not be had, so that they are never
// null; every access is bounded by a capacity of 0 then.
uint8_t noBytes[1];
char noHexText[2];

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
    const uint8_t* match =
        findBytes(bytes + from, bytes + last, pattern, static_cast<size_t>(patternLength));
    return match == nullptr ? -1 : static_cast<int32_t>(match - bytes);
}
