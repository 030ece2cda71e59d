#include "edit/block_edits.h"

#include "app/editor_state.h"
#include "dialogs/input_dialog.h"
#include "document/document_buffer.h"
#include "document/hex_codec.h"
#include "files/errors.h"
#include "undo/change_recording.h"
#include "undo/undo_log.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <algorithm>
#include <cstring>

int32_t writeAtCaret(const uint8_t* source, int32_t count, bool record) {
    const int32_t first = state.caret / 2;
    if (count < 0 || !withinSizeLimit(int64_t{first} + count)) {
        return 0;
    }
    if (record && !recordChange(count)) {
        return 0;
    }
    // The transfer copies out of the caller's block, which never lies in the store.
    const int32_t written =
        state.document->transfer(first, count, const_cast<uint8_t*>(source), true);
    if (written != count) {
        reportLowMemory(true);
    }
    if (2 * int64_t{first} + 2 * int64_t{written} > state.length) {
        state.length = 2 * (first + written);
        updateScrollRange();
    }
    repaintBytes(first, written);
    return written;
}

int32_t fillRange(int32_t start, int32_t end, const uint8_t* pattern, int32_t length) {
    if (length <= 0 || start < 0 || end <= start) {
        return 0;
    }
    DocumentBuffer& document = *state.document;
    int32_t total = end - start;
    if (end > document.capacity && !document.grow(end)) {
        total = std::max(document.capacity - start, 0);
    }
    // The pattern is written once, then what has been written is copied after itself, doubling
    // each time: byte start + i receives pattern[i mod length] in a few large copies.
    uint8_t* out = document.bytes + start;
    int32_t done = std::min(total, length);
    std::memcpy(out, pattern, static_cast<size_t>(done));
    while (done < total) {
        const int32_t chunk = std::min(done, total - done);
        std::memcpy(out + done, out, static_cast<size_t>(chunk));
        done += chunk;
    }
    document.refreshHex(start, total);
    if (total != end - start) {
        reportLowMemory(true);
    }
    return total;
}

void cutFile() {
    // Every byte from the caret's on goes, a half-typed last byte included, so that Undo can
    // bring back exactly what was there.
    const int32_t existing = state.length / 2 + state.length % 2;
    const int32_t count = existing - state.caret / 2;
    if (!recordChange(count)) {
        return;
    }
    state.length = 2 * (state.caret / 2);
    clipSelectionAndRepaint(state.caret / 2, count);
    setCaret(state.caret);
    updateScrollRange();
}

void extendFile() {
    char text[32] = "";
    InputRequest request{
        {text, 9, filter::decimal | filter::toggle, emptyText}, "Hex", "Add bytes to file"};
    if ((askInput(&request) & 0xFF) == 0) {
        return;
    }
    const int32_t count = decimalValue(text);
    const int32_t first = state.length / 2;
    // A negative count, or one that takes the file past its size limit, changes nothing.
    if (count < 0) {
        showError(130);
        return;
    }
    if (!withinSizeLimit(int64_t{first} + count)) {
        return;
    }
    DocumentBuffer& document = *state.document;
    if (state.length % 2 != 0) {
        // The first zero byte overwrites a half-typed last byte: it is saved, so that Undo gives
        // back its digit and the odd length.
        state.undoLog->append(first, document.bytes + first, 1,
                              undoKind::pastEnd | undoKind::savedBytes | undoKind::halfByte |
                                  undoKind::highDigit | undoKind::lowDigit);
    } else {
        state.undoLog->append(first, nullptr, count > 2 ? 2 : count,
                              undoKind::pastEnd | undoKind::highDigit | undoKind::lowDigit);
    }
    static const uint8_t zeros[32] = {};
    const int32_t written = fillRange(first, first + count, zeros, 32);
    if (written > 0) {
        state.length = 2 * (first + written);
    }
    repaintBytes(first, written);
    updateScrollRange();
}

void fillSelection() {
    const ByteRange selection = state.selection;
    if (selection.start >= selection.end) {
        return;
    }
    char buffer[32] = "";
    const bool hex = state.activePane == 0;
    InputRequest request{
        {buffer, 32, static_cast<uint16_t>(hex ? filter::decimal | filter::hex : 0), emptyText},
        nullptr,
        "Fill selection with"};
    setCaret(2 * selection.start);
    if ((askInput(&request) & 0xFF) == 0) {
        return;
    }
    auto* pattern = reinterpret_cast<uint8_t*>(buffer);
    auto length = static_cast<int32_t>(std::strlen(buffer));
    if (hex) {
        int32_t digits = length;
        if (digits % 2 != 0 && digits <= 15) {
            // An odd pattern repeats nibble by nibble: ABC fills with AB CA BC ...
            std::memcpy(buffer + digits, buffer, static_cast<size_t>(digits));
            digits *= 2;
        }
        length = digits / 2;
        hexConvert(buffer, pattern, 0, static_cast<uint32_t>(length), false);
    }
    if (length == 0) {
        return; // an empty entry fills nothing: it counts as Cancel
    }
    const int32_t count = selection.end - selection.start;
    if (!recordChange(count)) {
        return;
    }
    fillRange(selection.start, selection.end, pattern, length);
    repaintBytes(selection.start, count);
    updateScrollRange();
}
