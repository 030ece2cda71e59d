#include "view/caret.h"

#include "app/editor_state.h"
#include "platform/codes.h"
#include "platform/platform.h"
#include "undo/undo_log.h"
#include "view/inspector.h"
#include "view/mouse.h"
#include "view/selection.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

int32_t cappedSum(int32_t a, int64_t b) {
    return static_cast<int32_t>(std::min<int64_t>(a + b, INT32_MAX));
}

} // namespace

void leaveCaretPlace(int32_t target) {
    if (target != state.caret) {
        state.findResumeCaret = -1;
    }
}

int32_t pageEnd() {
    return cappedSum(state.topCell, state.pageCells);
}

int32_t shownEnd() {
    // The panes are as high as the main window's client area, less their borders.
    const int32_t paneHeight = state.clientSize[1] - state.borderWidth;
    const int32_t lineHeight = std::max(state.lineHeight, 1);
    const int32_t rows = std::max((paneHeight + lineHeight - 1) / lineHeight, state.visibleRows);
    return cappedSum(state.topCell, int64_t{rows} * state.rowCells[0]);
}

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
    // The selection follows a selecting move (Shift or the mouse held), before any scroll.
    if (extend && (state.shiftDown != 0 || state.mouseSelecting != 0) && target != state.caret) {
        int32_t low = state.topCell;
        int32_t high = shownEnd();
        extendSelection(target, low, high);
        state.savedSelection = {0, 0};
        redrawSelectionChange(low, high, rowsToScroll != 0);
    }
    if (rowsToScroll != 0) {
        scrollToRow(state.topCell / rowCells + rowsToScroll);
        platform::updateWindow(state.panes[0]);
        platform::updateWindow(state.panes[1]);
    }
    leaveCaretPlace(target);
    state.caret = target;
    placeCaret(true);
}

void setCaret(int32_t nibble) {
    const int32_t target = std::min(nibble, state.length);
    leaveCaretPlace(target);
    state.caret = target;
    if (target >= pageEnd() || target < state.topCell) {
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
        hideInspector();
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
    state.totalRows = state.length / rowCells;
    // A file that became shorter can leave the top row past the highest one the scroll range
    // allows; the view comes back so that a later scroll never moves against the request.
    const int32_t highestTop = std::max(state.totalRows - state.visibleRows + 1, 0);
    if (state.topCell / rowCells > highestTop) {
        scrollToRow(highestTop);
    }
    platform::setScrollBar(state.mainWindow, state.length / rowCells, state.visibleRows,
                           state.topCell / rowCells);
}

void resetView() {
    // A new document ends whatever the mouse was doing in the old one (a drop, or an open posted
    // by another program, can come while a button is held): the drag and its timer, the
    // inspector's hold, and the popup with the old document's values.
    cancelMouseModes();
    if (state.inspectorVisible != 0) {
        hideInspector();
    }
    state.caret = 0;
    state.topCell = 0;
    placeCaret(true);
    state.selection = {0, 0};
    state.savedSelection = {0, 0};
    updateScrollRange();
    state.undoLog->clear();
    state.undoLog->changeCount = 0;
    state.findResumeCaret = -1; // a place in the document gone
}

void switchPane() {
    state.activePane = static_cast<int8_t>(1 - state.activePane);
    // Rounded before the focus places the caret, so that it is drawn where it really is.
    state.caret = 2 * (state.caret / 2);
    platform::setFocus(state.panes[state.activePane]);
}
