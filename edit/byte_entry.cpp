#include "edit/byte_entry.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "document/hex_codec.h"
#include "files/errors.h"
#include "platform/platform.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/pane_paint.h"

bool enterCell(int pane, int32_t position, uint32_t code, bool record) {
    DocumentBuffer& document = *state.document;
    const int32_t byte = position / 2;
    if (!withinSizeLimit(int64_t{byte} + 1)) {
        return false;
    }
    document.ensureHex(byte, 1);
    state.paintBase = document.validStart;
    state.paintSource[0] =
        document.hexText + 2 * static_cast<size_t>(document.validStart - document.cacheBase);
    state.paintSource[1] = reinterpret_cast<const char*>(document.bytes) + document.validStart;
    if (record) {
        // A whole byte overwrites whatever exists of its byte, a half-typed last byte included.
        const bool overwrite = pane == 1 ? 2 * byte < state.length : position < state.length;
        uint8_t kind = overwrite ? undoKind::savedBytes : undoKind::pastEnd;
        if (pane == 1) {
            kind |= undoKind::highDigit | undoKind::lowDigit;
            if (overwrite && 2 * byte + 1 == state.length) {
                kind |= undoKind::halfByte;
            }
        } else {
            kind |= (position & 1) != 0 ? undoKind::lowDigit : undoKind::highDigit;
        }
        state.undoLog->append(byte, overwrite ? document.bytes + byte : nullptr, 1, kind);
    }
    if (!document.setCell(position, static_cast<uint8_t>(code), pane == 1)) {
        reportLowMemory(true);
        return false;
    }
    // The cell's characters: from the hex cache as painting has them, or, when memory ran short
    // and the window could not take the byte, encoded here from the store.
    char local[2];
    const char* digits = local;
    const char* character = reinterpret_cast<const char*>(document.bytes) + byte;
    if (document.covers(byte, byte + 1)) {
        digits = state.paintSource[0] + 2 * (byte - state.paintBase);
        character = state.paintSource[1] + (byte - state.paintBase);
    } else {
        hexConvert(local, document.bytes + byte, 0, 1, true);
    }
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    if (pane == 0) {
        paintCell(0, position, 1, digits + (position & 1));
    } else {
        // A whole byte: both digits, from the byte's high digit even when the caret stands on
        // its low digit.
        paintCell(0, 2 * byte, 2, digits);
    }
    // The text pane shows a byte only once both its digits exist: not while the high digit of
    // the last, half-typed byte is typed (appended, or typed over).
    const bool halfByte = pane == 0 && position % 2 == 0 && position + 1 >= state.length;
    if (!halfByte) {
        paintCell(1, position, 1, character);
    }
    platform::showCaret(active);
    return true;
}

namespace {

// What a pane accepts as typed: the message loop routes control characters to the main window
// and lets only hex digits, upper-cased, reach the hex pane, but other modal loops (a message
// box without an owner) deliver characters unrouted, so the pane keeps the same promise itself.
bool acceptedCharacter(int pane, uint32_t& code) {
    code &= 0xFF;
    if (code < 27) {
        return false;
    }
    if (pane == 1) {
        return true;
    }
    if (code >= 'a' && code <= 'f') {
        code -= 'a' - 'A';
    }
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F');
}

} // namespace

void typeIntoPane(int pane, uint32_t code) {
    if (!acceptedCharacter(pane, code) || !enterCell(pane, state.caret, code, true)) {
        return;
    }
    // The text pane types whole bytes: from an odd caret (on the byte's low digit) it goes on
    // to the next byte's first digit, so that typing at the end never leaves a half byte the
    // user did not type.
    state.caret = pane == 0 ? state.caret + 1 : 2 * (state.caret / 2) + 2;
    if (state.caret >= state.length) {
        state.length = state.caret;
        updateScrollRange();
    }
    moveCaret(0, pane, false);
}

void eraseLastCell(int pane) {
    int32_t steps = 0;
    uint8_t kind = 0;
    int32_t byte = 0;
    if (state.caret % 2 != 0) {
        state.length -= 1;
        steps = -1;
        kind = 0x12;
        byte = state.caret / 2;
    } else {
        state.length -= 2;
        steps = pane == 0 ? -2 : -1;
        kind = pane == 0 ? 0x22 : 0x32;
        byte = state.caret / 2 - 1;
    }
    DocumentBuffer& document = *state.document;
    state.paintBase = 0;
    state.paintSource[1] = reinterpret_cast<const char*>(document.bytes);
    state.undoLog->append(byte, document.bytes + byte, 1, kind);
    blankEndCells();
    moveCaret(steps, pane, false);
    updateScrollRange();
}
