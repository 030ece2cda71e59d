#include "view/caret.h"

#include "app/editor_state.h"
#include "platform/codes.h"
#include "platform/platform.h"
#include "undo/undo_log.h"

#include <algorithm>
#include <cstdio>

void moveCaret(int32_t steps, int pane, bool extend) {
    const int64_t wanted =
        static_cast<int64_t>(state.caret) + static_cast<int64_t>(steps) * (pane + 1);
    const auto target = static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, state.length));
    const int32_t rowCells = state.rowCells[0];
    const int32_t rowOffset = target / rowCells - state.topCell / rowCells;
    int32_t rowsToScroll = 0;
    if (rowOffset >= state.visibleRows) {
        rowsToScroll = rowOffset - state.visibleRows + 1;
    } else if (rowOffset < 0) {
        rowsToScroll = rowOffset;
    }
    // The selection follows the move here, before any scroll, once the selection model exists
    // (Shift or a mouse drag held, and a real move).
    (void)extend;
    if (rowsToScroll != 0) {
        scrollToRow(state.topCell / rowCells + rowsToScroll);
        platform::updateWindow(state.panes[0]);
        platform::updateWindow(state.panes[1]);
    }
    state.caret = target;
    placeCaret(true);
}

void setCaret(int32_t nibble) {
    const int32_t target = std::min(nibble, state.length);
    state.caret = target;
    if (target >= state.topCell + state.pageCells || target < state.topCell) {
        scrollToRow(target / state.rowCells[0]);
    }
    placeCaret(true);
}

int32_t scrollToRow(int32_t row) {
    row = std::max(std::min(row, state.totalRows - state.visibleRows + 1), 0);
    int32_t delta = state.topCell / state.rowCells[0] - row;
    if (delta == 0) {
        return row;
    }
    if (state.inspectorVisible != 0) {
        platform::showWindow(state.inspectorWindow, sw::hide);
        state.inspectorVisible = 0;
    }
    // A move of a page or more redraws everything; bounding it keeps the pixel distance in range.
    delta = std::clamp(delta, -(state.visibleRows + 1), state.visibleRows + 1);
    platform::scrollWindow(state.panes[1], delta * state.lineHeight);
    platform::scrollWindow(state.panes[0], delta * state.lineHeight);
    state.topCell = row * state.rowCells[0];
    platform::setScrollPosition(state.mainWindow, row);
    return row;
}

void placeCaret(bool updateTitle) {
    const int pane = state.activePane;
    platform::setCaretPosition(
        ((state.caret / (pane + 1)) % state.rowCells[pane]) * state.charWidth,
        ((state.caret - state.topCell) / state.rowCells[0]) * state.lineHeight);
    if (updateTitle) {
        const int prefix = state.titlePrefixLength;
        std::snprintf(state.titleText + prefix,
                      sizeof state.titleText - static_cast<size_t>(prefix), "%d", state.caret / 2);
        platform::setWindowText(state.mainWindow, state.titleText);
    }
}

void updateScrollRange() {
    if (state.fitsOnePage != 0 || state.length >= state.pageCells) {
        state.fitsOnePage = 0;
    } else {
        state.fitsOnePage = 1;
        scrollToRow(0);
    }
    const int32_t rowCells = state.rowCells[0];
    platform::setScrollBar(state.mainWindow, state.length / rowCells, state.visibleRows,
                           state.topCell / rowCells);
    state.totalRows = state.length / rowCells;
}

void resetView() {
    state.caret = 0;
    state.topCell = 0;
    placeCaret(true);
    state.selection = {0, 0};
    state.savedSelection = {0, 0};
    updateScrollRange();
    state.undoLog->clear();
    state.undoLog->changeCount = 0;
}

void switchPane() {
    state.activePane = static_cast<int8_t>(1 - state.activePane);
    platform::setFocus(state.panes[state.activePane]);
    state.caret = 2 * (state.caret / 2);
}
