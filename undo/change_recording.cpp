#include "undo/change_recording.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "files/errors.h"
#include "platform/codes.h"
#include "platform/platform.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <algorithm>

bool recordChange(int32_t count) {
    UndoLog& log = *state.undoLog;
    const int32_t position = state.caret / 2;
    // The bytes that exist, a half-typed last byte among them: its typed digit must come back
    // on Undo like any other byte the change overwrites.
    const int32_t existing = state.length / 2 + state.length % 2;
    if (position >= existing) {
        // Nothing existed there: nothing to save, and no question whatever the size.
        log.append(position, nullptr, count > 65536 ? 2 : count, 0x31);
        return true;
    }
    uint8_t kind = 0x32;
    int64_t saved = count;
    if (state.caret + 2 * int64_t{count} > state.length) {
        kind = 0x33;
        saved = existing - position;
    }
    if (state.length % 2 != 0 && int64_t{position} + count >= existing) {
        kind |= undoKind::halfByte;
    }
    if (saved > 65536) {
        // The change is dropped on No, and when the program began to close during the question.
        if (platform::messageBox(state.mainWindow, "This step cannot be undone - continue?",
                                 messageCaption, mb::yesNo) != answer::yes ||
            state.closing) {
            return false;
        }
        log.clear();
        log.countChange();
        return true;
    }
    log.append(position, state.document->bytes + position, static_cast<int32_t>(saved), kind);
    return true;
}

void undoLastChange() {
    UndoLog& log = *state.undoLog;
    uint8_t oneByte = 0;
    uint8_t* buffer = &oneByte;
    void* block = nullptr;
    int32_t size = 1;
    uint8_t kind = 0;
    int32_t position = log.pop(buffer, size, kind);
    if (position == -1) {
        if (size == 0) {
            return;
        }
        block = platform::allocateBlock(static_cast<size_t>(size));
        if (block == nullptr) {
            reportLowMemory(false);
            return;
        }
        buffer = static_cast<uint8_t*>(block);
        position = log.pop(buffer, size, kind);
        if (position == -1) {
            platform::freeBlock(block);
            return;
        }
    }
    const int32_t end = position + size;
    int32_t cutOff = 0;
    if ((kind & undoKind::halfByte) != 0) {
        // The change covered the half-typed last byte: the length is odd again.
        cutOff = std::max((state.length + 1) / 2 - end, 0);
        state.length = 2 * end - 1;
        updateScrollRange();
    } else if ((kind & undoKind::pastEnd) != 0) {
        cutOff = std::max((state.length + 1) / 2 - end, 0);
        state.length = 2 * end + ((kind & undoKind::highDigit) != 0 ? 0 : 1);
        updateScrollRange();
    } else if (end > state.length / 2) {
        state.length = 2 * end - ((kind & undoKind::lowDigit) != 0 ? 0 : 1);
        updateScrollRange();
    }
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    if (size > 0) {
        state.document->transfer(position, size, buffer, true);
    }
    clipSelectionAndRepaint(position, size + cutOff);
    setCaret(2 * position);
    platform::freeBlock(block);
    platform::showCaret(active);
}
