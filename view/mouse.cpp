#include "view/mouse.h"

#include "app/editor_state.h"
#include "app/layout.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/selection.h"

#include <algorithm>
#include <cstdint>

namespace {

// The bits of autoScrollMode.
enum : uint8_t {
    inZone = 0x01,
    upward = 0x02,
    downward = 0x04,
    fast = 0x08,
    alternate = 0x10,
};

// A selecting caret move to a nibble index, in steps of the pane; the caret is hidden around
// the drawing.
void selectTo(int32_t target, int pane) {
    const int64_t steps = (int64_t{target} - state.caret) / (pane + 1);
    state.selectionAnchor = state.caret;
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    moveCaret(static_cast<int32_t>(std::clamp<int64_t>(steps, INT32_MIN, INT32_MAX)), pane, true);
    platform::showCaret(active);
}

void stopAutoScroll() {
    platform::stopTimer(state.mainWindow, autoScrollTimer);
    state.autoScrollTicks = 0;
}

// The column under x during a captured drag (x relative to the hex pane): over the text pane a
// character stands for two hex cells.
int32_t dragColumn(int32_t x) {
    const int32_t hexWidth = state.rowCells[0] * state.charWidth;
    if (x > hexWidth + state.borderWidth) {
        // The text pane's column 0, where it really is. Over the gap between the panes the
        // pointer still counts as right of the hex cells.
        const int32_t textLeft = textPaneOffset();
        x = x >= textLeft ? 2 * (x - textLeft) : hexWidth + 1;
    }
    if (x > hexWidth) {
        return state.rowCells[0] - 1;
    }
    return x < 0 ? 0 : x / state.charWidth;
}

} // namespace

int32_t cellAtPoint(int32_t x, int32_t y, int pane) {
    const int64_t cell = int64_t{state.topCell} +
                         int64_t{y / state.lineHeight} * state.rowCells[0] +
                         int64_t{x / state.charWidth} * (pane + 1);
    return static_cast<int32_t>(std::clamp<int64_t>(cell, INT32_MIN / 2, INT32_MAX));
}

void mouseDown(int32_t x, int32_t y, int pane) {
    if (state.selection.end != 0) {
        state.savedSelection = state.selection;
    }
    selectTo(cellAtPoint(x, y, pane), 0);
    state.mouseSelecting = 1;
    if (pane != state.activePane) {
        platform::sendMessage(state.mainWindow, wm::character, vk::tab, 0);
    }
}

void mouseDrag(int32_t x, int32_t y, int pane) {
    const int32_t cell = cellAtPoint(x, y, pane);
    if (cell == state.caret) {
        return;
    }
    if (state.dragPane == 0) {
        platform::setCapture(state.panes[0]);
        state.dragPane = static_cast<int8_t>(pane + 1);
        platform::Window active = state.panes[state.activePane];
        platform::hideCaret(active);
        clearSelection();
        platform::showCaret(active);
        state.selection = {state.caret / 2, state.caret / 2};
        selectTo(cell, pane);
        return;
    }
    // Captured: the coordinates are the hex pane's, whichever pane the pointer is over.
    const int32_t column = dragColumn(x);
    const int32_t pageHeight = state.lineHeight * state.visibleRows;
    const auto keep = static_cast<uint8_t>(state.autoScrollMode & alternate);
    int32_t row = 0;
    int32_t beyond = 0; // the row one past the edge, in the direction of the zone
    if (y < 0) {
        state.autoScrollMode =
            keep | (y < -state.autoScrollMargin ? inZone | upward | fast : inZone | upward);
        beyond = -1;
    } else if (y > pageHeight) {
        state.autoScrollMode =
            keep | (y > pageHeight + state.autoScrollMargin ? inZone | downward | fast
                                                            : inZone | downward);
        row = state.visibleRows - 1;
        beyond = 1;
    } else {
        state.autoScrollMode = 0;
    }
    if ((state.autoScrollMode & inZone) != 0) {
        if (state.autoScrollTicks == 0) {
            platform::startTimer(state.mainWindow, autoScrollTimer, 50);
            row += beyond;
        } else if (column % 2 != 0) {
            // Moves on odd columns alternate between the edge row and the row past it.
            if ((state.autoScrollMode & alternate) == 0) {
                row += beyond;
                state.autoScrollMode |= alternate;
            }
        } else {
            state.autoScrollMode ^= alternate;
        }
    } else {
        stopAutoScroll();
        row = y / state.lineHeight;
    }
    const int64_t target = int64_t{state.topCell} + int64_t{row} * state.rowCells[0] + column;
    if (target == state.caret) {
        return;
    }
    selectTo(static_cast<int32_t>(std::clamp<int64_t>(target, INT32_MIN / 2, INT32_MAX)), pane);
}

void autoScrollTick() {
    // Ticks still queued after the drag ended or left the zones count for nothing.
    if (state.dragPane == 0 || (state.autoScrollMode & inZone) == 0) {
        return;
    }
    if ((state.autoScrollMode & fast) == 0 && state.autoScrollTicks != 5) {
        ++state.autoScrollTicks;
        return;
    }
    const int32_t row = state.rowCells[0];
    selectTo(state.caret + ((state.autoScrollMode & downward) != 0 ? row : -row), 0);
    state.autoScrollTicks = 1;
}

void mouseUp(int32_t x) {
    state.mouseSelecting = 0;
    const int dragPane = state.dragPane;
    if (dragPane == 0) {
        return;
    }
    stopAutoScroll();
    state.dragPane = 0; // before the release, which must not count as a lost capture
    platform::releaseCapture();
    const int pane = x > state.rowCells[0] * state.charWidth + state.borderWidth ? 1 : 0;
    // The focus goes to the pane under the pointer unless it has it already. That is the
    // active pane, which need not be the one the drag began in: a Tab may have switched panes
    // during the drag, and its first move may have come from the other pane.
    const bool switching = pane != state.activePane;
    state.activePane = static_cast<int8_t>(pane);
    if (switching) {
        platform::setFocus(state.panes[pane]);
    }
}

void cancelMouseModes() {
    state.mouseSelecting = 0;
    if (state.dragPane == 0) {
        return;
    }
    stopAutoScroll();
    state.dragPane = 0;
    platform::releaseCapture();
}
