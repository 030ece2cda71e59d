// The whole open file in one growable block (the store), and beside it a window of hex text (the
// hex cache) for one contiguous range of bytes, from which the hex pane paints.
//
// The buffer does not know the file's length (that is EditorState::length); capacity is only
// what the store can hold. Positions are byte offsets, except the nibble index of setCell.
#pragma once

#include "platform/platform.h"

#include <cstdint>

class DocumentBuffer {
  public:
    DocumentBuffer();
    ~DocumentBuffer();
    DocumentBuffer(const DocumentBuffer&) = delete;
    DocumentBuffer& operator=(const DocumentBuffer&) = delete;

    // Discards the contents and starts over with a store of newCapacity bytes. When the store
    // cannot be had, the capacity becomes 0 (an empty document that grows on the next write).
    void reset(int32_t newCapacity);
    // Enlarges the store to the next multiple of 64 KiB with at least 32 KiB to spare beyond
    // required; false (store unchanged) when the memory cannot be had.
    bool grow(int32_t required);
    // Enlarges the hex cache to describe more than count bytes.
    bool growCache(int32_t count);

    // Reads count bytes of the file into the store at offset; returns the number read.
    int32_t readFromFile(platform::File file, int32_t offset, int32_t count);
    // Reads count bytes of the file into a store of exactly that capacity, which replaces the
    // current one only when every byte was read: a file that cannot be read leaves the
    // contents as they were. Returns the number of bytes read, or -1 when the new store cannot
    // be had.
    int32_t readNewStore(platform::File file, int32_t count);
    // Writes the bytes [start, end) of the store, at most up to the capacity; returns the number
    // written.
    int32_t writeToFile(platform::File file, int32_t start, int32_t end);

    // Makes the hex text of bytes [start, start + count) current, moving or extending the valid
    // window. When the memory for it cannot be had, the window may end short of the request:
    // covers() tells.
    void ensureHex(int32_t start, int32_t count);
    // Re-encodes the cached part of bytes [start, start + count) after they changed.
    void refreshHex(int32_t start, int32_t count);
    // True when the hex text of bytes [start, end) is current.
    bool covers(int32_t start, int32_t end) const { return start >= validStart && end <= validEnd; }

    // Writes one whole byte (wholeByte) or one hex digit character at a nibble index; false
    // when the byte lies beyond the store.
    bool setCell(int32_t nibble, uint8_t value, bool wholeByte);
    // Copies count bytes between the store at offset and buffer; returns the number copied,
    // which is cut at the capacity (toStore: when the store cannot grow).
    int32_t transfer(int32_t offset, int32_t count, uint8_t* buffer, bool toStore);
    // The offset of the first occurrence of the pattern that starts at or after from and ends
    // at or before end, or -1.
    int32_t find(const uint8_t* pattern, int32_t patternLength, int32_t from, int32_t end) const;

    // The store: bytes stays valid until the next growth or reset.
    void* storeHandle = nullptr;
    int32_t capacity = 0;
    uint8_t* bytes = nullptr;
    // The hex cache: 2 x cacheCapacity characters; byte b (cached) has its digits at
    // hexText[2 x (b - cacheBase)].
    char* hexText = nullptr;
    int32_t cacheBase = 0;
    int32_t cacheCapacity = 0;
    // The valid window [validStart, validEnd).
    int32_t validStart = 0;
    int32_t validEnd = 0;

  private:
    void allocate();
    // Encodes bytes [start, end) into their cache slots.
    void encode(int32_t start, int32_t end);
};
