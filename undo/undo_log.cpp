#include "undo/undo_log.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstring>

UndoLog::UndoLog(int32_t requestedSlots) {
    const auto request = static_cast<uint32_t>(requestedSlots);
    const uint32_t slots = std::clamp<uint32_t>(request, 1, maxSlots);
    dataRing = static_cast<uint8_t*>(platform::allocateBlock(ringSize));
    recordRing = static_cast<UndoRecord*>(platform::allocateBlock(slots * sizeof(UndoRecord)));
    if (dataRing != nullptr && recordRing != nullptr) {
        slotCount = slots;
    }
}

UndoLog::~UndoLog() {
    platform::freeBlock(dataRing);
    platform::freeBlock(recordRing);
}

int16_t UndoLog::slotAfter(int16_t slot) const {
    return static_cast<int16_t>(static_cast<uint32_t>(slot) + 1 == slotCount ? 0 : slot + 1);
}

// Drops, oldest first, every record whose saved bytes begin in the count bytes from dataHead
// on (with every record older than it), so that writing them overruns nothing still held.
void UndoLog::evictOverlapping(uint32_t count) {
    int16_t slot = oldestSlot;
    int16_t remaining = recordCount;
    while (remaining > 0) {
        const UndoRecord& record = recordRing[slot];
        slot = slotAfter(slot);
        --remaining;
        if ((record.kind & undoKind::savedBytes) == 0) {
            continue;
        }
        const uint32_t distance = (record.dataStart - dataHead) & (ringSize - 1);
        if (distance >= count) {
            return;
        }
        oldestSlot = slot;
        recordCount = remaining;
    }
}

bool UndoLog::append(int32_t position, const uint8_t* source, int32_t count, uint8_t kind) {
    if (count > static_cast<int32_t>(ringSize)) {
        return false;
    }
    if (slotCount == 0) {
        // Nothing can be kept, but the document is changed all the same.
        countChange();
        return false;
    }
    // A one-byte change merges only into a record made since the document was last saved
    // (changeCount 0 is the saved state): merged into an older one, it would not be counted and
    // the document would read as unmodified.
    if (count == 1 && recordCount > 0 && changeCount != 0) {
        UndoRecord& newest = recordRing[nextSlot == 0 ? slotCount - 1 : nextSlot - 1];
        if (static_cast<int32_t>(newest.position) == position &&
            ((newest.kind ^ kind) & undoKind::savedBytes) == 0 &&
            (newest.kind & undoKind::lowDigit) == 0) {
            newest.kind = static_cast<uint8_t>(newest.kind | (kind & undoKind::mergedBits));
            return true;
        }
    }
    uint32_t newHead = dataHead;
    const auto saved = static_cast<uint32_t>(std::max(count, 0));
    if ((kind & undoKind::savedBytes) != 0) {
        newHead = (dataHead + saved) & (ringSize - 1);
        evictOverlapping(saved);
        if (saved > 0) {
            const uint32_t firstPart = std::min(saved, ringSize - dataHead);
            std::memcpy(dataRing + dataHead, source, firstPart);
            std::memcpy(dataRing, source + firstPart, saved - firstPart);
        }
    }
    UndoRecord& record = recordRing[nextSlot];
    record.dataStart = dataHead;
    record.position = static_cast<uint32_t>(position);
    record.kind = kind;
    record.fillsRing = (kind & undoKind::savedBytes) != 0 && saved == ringSize;
    dataHead = newHead;
    if (static_cast<uint32_t>(recordCount) == slotCount) {
        oldestSlot = slotAfter(oldestSlot);
    } else {
        ++recordCount;
    }
    nextSlot = slotAfter(nextSlot);
    countChange();
    return true;
}

int32_t UndoLog::pop(uint8_t* buffer, int32_t& size, uint8_t& kind) {
    if (recordCount == 0) {
        size = 0;
        return -1;
    }
    const auto slot = static_cast<int16_t>(nextSlot == 0 ? slotCount - 1 : nextSlot - 1);
    const UndoRecord& record = recordRing[slot];
    if ((record.kind & undoKind::savedBytes) != 0) {
        const uint32_t count =
            record.fillsRing ? ringSize : (dataHead - record.dataStart) & (ringSize - 1);
        if (static_cast<uint32_t>(std::max(size, 0)) < count) {
            size = static_cast<int32_t>(count);
            return -1;
        }
        if (count > 0) {
            const uint32_t firstPart = std::min(count, ringSize - record.dataStart);
            std::memcpy(buffer, dataRing + record.dataStart, firstPart);
            std::memcpy(buffer + firstPart, dataRing, count - firstPart);
        }
        size = static_cast<int32_t>(count);
        dataHead = record.dataStart;
    } else {
        size = 0;
    }
    --recordCount;
    --changeCount;
    nextSlot = slot;
    kind = record.kind;
    return static_cast<int32_t>(record.position);
}

void UndoLog::countChange() {
    if (changeCount >= 0) {
        ++changeCount;
    }
}

void UndoLog::clear() {
    dataHead = 0;
    oldestSlot = 0;
    nextSlot = 0;
    recordCount = 0;
}
