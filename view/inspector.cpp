#include "view/inspector.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/mouse.h"

#include <algorithm>
#include <cstdio>

void inspectorText(char* text, int size, bool signedValues, bool bits) {
    const int32_t offset = state.caret / 2;
    const auto* bytes = reinterpret_cast<const uint8_t*>(state.paintSource[1]) + offset;
    const auto room = static_cast<size_t>(size);
    if (bits) {
        char pattern[9];
        for (int i = 0; i < 8; ++i) {
            pattern[i] = (bytes[0] >> i & 1) != 0 ? '1' : '0'; // least significant bit first
        }
        pattern[8] = '\0';
        std::snprintf(text, room, "@ %d\r\n%%:%s", offset, pattern);
        return;
    }
    // Bytes past the end of the file are not read: fewer than 8 digits from the byte's first
    // digit to the end leave the 32-bit value out, fewer than 4 the 16-bit value as well.
    const int64_t left = int64_t{state.length} - 2 * int64_t{offset};
    const bool hasLong = left >= 8;
    const bool hasWord = left >= 4;
    const uint32_t word = hasWord ? bytes[0] | uint32_t{bytes[1]} << 8 : 0;
    const uint32_t value = hasLong ? word | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24 : 0;
    char wordText[16] = "   ";
    char longText[16] = "";
    if (signedValues) {
        if (hasWord) {
            std::snprintf(wordText, sizeof wordText, "%d", static_cast<int16_t>(word));
        }
        if (hasLong) {
            std::snprintf(longText, sizeof longText, "%d", static_cast<int32_t>(value));
        }
        std::snprintf(text, room, "@ %d\r\nb:%d\n\rs:%s\r\nl:%s", offset,
                      static_cast<int8_t>(bytes[0]), wordText, longText);
        return;
    }
    if (hasWord) {
        std::snprintf(wordText, sizeof wordText, "%u", word);
    }
    if (hasLong) {
        std::snprintf(longText, sizeof longText, "%u", value);
    }
    std::snprintf(text, room, "@ %d\r\nb:%u\n\rs:%s\r\nl:%s", offset, unsigned{bytes[0]}, wordText,
                  longText);
}

void showInspector(int32_t x, int32_t y, int pane) {
    const int32_t cell = cellAtPoint(x, y, pane);
    // Only a complete byte, either of its digits: not a half-typed last byte, nor the append
    // position.
    if (cell < 0 || cell / 2 >= state.length / 2) {
        return;
    }
    leaveCaretPlace(cell);
    state.caret = cell;
    if (pane != state.activePane) {
        platform::sendMessage(state.mainWindow, wm::character, vk::tab, 0);
    } else {
        moveCaret(0, pane, false);
    }
    state.paintSource[1] = reinterpret_cast<const char*>(state.document->bytes);
    state.paintBase = 0;
    char text[64];
    inspectorText(text, sizeof text, platform::keyIsDown(vk::control), state.shiftDown != 0);
    platform::setWindowText(state.inspectorWindow, text);

    // Placement in the main window's client area: one pixel below the row, at the byte's first
    // digit; above the row when there is no room below; right-aligned with the byte near the
    // right edge. The column is the cell's: a point right of the row's last cell (a strip the
    // width could not snap) stands for that cell.
    const int32_t column = std::min(x / state.charWidth, state.rowCells[pane] - 1);
    int32_t top = (y / state.lineHeight + 1) * state.lineHeight + 1;
    int32_t left = column * state.charWidth + 1;
    if (pane == 0) {
        if (cell % 2 != 0) {
            left -= state.charWidth;
        }
    } else {
        left += state.rowCells[0] * state.charWidth + state.borderWidth / 2 + state.paneGap;
    }
    if (top > state.clientSize[1] - state.inspectorHeight) {
        top -= state.inspectorHeight + state.lineHeight;
    }
    if (state.inspectorWidth > state.clientSize[0] - left) {
        left += (pane == 0 ? 2 : 1) * state.charWidth - state.inspectorWidth;
        if (left < 0) {
            left = pane == 0 ? state.clientSize[0] - state.inspectorWidth : 0;
        }
    }
    state.inspectorVisible = 1;
    // On top of the panes, which clip their drawing to what it leaves of them.
    platform::showPopupAt(state.inspectorWindow, left, top);
}

void showInspectorAtCaret() {
    const int pane = state.activePane;
    const int32_t x = ((state.caret / (pane + 1)) % state.rowCells[pane]) * state.charWidth;
    const int32_t y = ((state.caret - state.topCell) / state.rowCells[0]) * state.lineHeight;
    showInspector(x, y, pane);
}

void hideInspector() {
    platform::showWindow(state.inspectorWindow, sw::hide);
    state.inspectorVisible = 0;
}
