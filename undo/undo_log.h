// The bounded log of recent changes: a ring of record slots, and one 64 KiB ring holding the
// bytes the changes overwrote. When either is full the oldest records are dropped silently.
// changeCount is the document's modified state: non-zero means unsaved changes.
#pragma once

#include <cstdint>

// The kind bits of a record.
namespace undoKind {
enum : uint8_t {
    pastEnd = 0x01,    // began at or ran past the end of the file: undo cuts the length back
    savedBytes = 0x02, // the overwritten bytes are saved in the data ring
    // The document ended in a half-typed byte that the change covered, as the last of its saved
    // bytes: undoing gives the length back its odd value.
    halfByte = 0x04,
    highDigit = 0x10, // the high digit of the byte at the position was written
    lowDigit = 0x20,  // the low digit was written (both digits: a whole byte)
    digitMask = 0xF0, // the digit bits
    // The bits merged when a one-byte change coalesces: a block change that ran past the end
    // and saved only the one byte that existed merges too, and its undo must still cut back.
    mergedBits = 0xF5,
};
} // namespace undoKind

struct UndoRecord {
    uint32_t dataStart; // data-ring offset of the saved bytes (dataHead when appended)
    uint32_t position;  // byte offset of the change in the document
    uint8_t kind;
    // Set only for a change that saved exactly the ring's size, whose count cannot be told
    // from the ring offsets (they meet).
    uint8_t fillsRing;
};

class UndoLog {
  public:
    static constexpr uint32_t ringSize = 65536;
    static constexpr uint32_t maxSlots = 5461;

    // Allocates room for requestedSlots records (at most maxSlots, at least one). When the
    // memory cannot be had the log keeps nothing: changes are still counted, never undone.
    explicit UndoLog(int32_t requestedSlots);
    ~UndoLog();
    UndoLog(const UndoLog&) = delete;
    UndoLog& operator=(const UndoLog&) = delete;

    // Logs a change of count bytes at position; with undoKind::savedBytes the count bytes at
    // source (about to be overwritten) are saved. False, with nothing logged, for more than
    // ringSize bytes.
    bool append(int32_t position, const uint8_t* source, int32_t count, uint8_t kind);
    // Removes the newest record: returns its position, its kind in kind and its saved bytes in
    // buffer, their number in size. -1 with size 0: the log is empty; -1 with a larger size:
    // the buffer is too small, call again with one of that size (the record stays).
    int32_t pop(uint8_t* buffer, int32_t& size, uint8_t& kind);
    // Empties the log; the caller sets changeCount.
    void clear();
    // Counts one more change. A counter below zero (undone past a save: the document can no
    // longer come back to the saved bytes, since there is no redo) stays there, so that later
    // changes never make it read 0, unmodified.
    void countChange();

    uint8_t* dataRing = nullptr;
    UndoRecord* recordRing = nullptr;
    uint32_t slotCount = 0;
    uint32_t dataHead = 0;
    int16_t oldestSlot = 0;
    int16_t nextSlot = 0;
    int16_t recordCount = 0;
    int32_t changeCount = 0;

  private:
    int16_t slotAfter(int16_t slot) const;
    void evictOverlapping(uint32_t count);
};
