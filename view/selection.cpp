#include "view/selection.h"

#include "app/editor_state.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <algorithm>

namespace {

// Inverts the cells of bytes [first, end) of one pane: at most three rectangles, the rest of
// the first row, the whole rows between and the start of the last row.
void invertByteRange(platform::DrawContext dc, int32_t first, int32_t end, int pane) {
    if (first >= end) {
        return;
    }
    const int32_t perRow = state.rowCells[pane];
    const int32_t i = (2 * first - state.topCell) / (pane + 1);
    const int32_t j = (2 * end - state.topCell - 1) / (pane + 1);
    const int32_t firstRow = i / perRow;
    const int32_t lastRow = j / perRow;
    if (firstRow == lastRow) {
        platform::invertCells(dc, i % perRow, firstRow, j % perRow + 1, firstRow + 1);
        return;
    }
    platform::invertCells(dc, i % perRow, firstRow, perRow, firstRow + 1);
    if (lastRow > firstRow + 1) {
        platform::invertCells(dc, 0, firstRow + 1, perRow, lastRow);
    }
    platform::invertCells(dc, 0, lastRow, j % perRow + 1, lastRow + 1);
}

} // namespace

void extendSelection(int32_t caret, int32_t& low, int32_t& high) {
    const int32_t pageStart = low;
    const int32_t pageEnd = high;
    low = high = 0;
    const int32_t anchorByte = state.selectionAnchor / 2;
    const int32_t caretByte = caret / 2;
    if (anchorByte == caretByte) {
        return;
    }
    ByteRange& selection = state.selection;
    int32_t changedLow = 0;
    int32_t changedHigh = 0;
    if (selection.start == selection.end) {
        selection = {std::min(anchorByte, caretByte), std::max(anchorByte, caretByte)};
        changedLow = selection.start;
        changedHigh = selection.end;
    } else {
        // The edge nearer the anchor moves; ties go to the end.
        const bool nearEnd = int64_t{2} * anchorByte >= int64_t{selection.start} + selection.end;
        const ByteRange old = selection;
        if (nearEnd ? caretByte < old.start : caretByte > old.end) {
            // Past the far edge: the selection now runs from the caret to the old far edge.
            clearSelection();
            selection = nearEnd ? ByteRange{caretByte, old.start} : ByteRange{old.end, caretByte};
            changedLow = selection.start;
            changedHigh = selection.end;
        } else {
            int32_t& edge = nearEnd ? selection.end : selection.start;
            if (caretByte == edge) {
                return;
            }
            changedLow = std::min(caretByte, edge);
            changedHigh = std::max(caretByte, edge);
            edge = caretByte;
        }
    }
    const int32_t lo = std::max(pageStart, 2 * changedLow);
    const int32_t hi = std::min(pageEnd, 2 * changedHigh);
    if (hi > lo) {
        low = lo;
        high = hi;
    }
}

void redrawSelectionChange(int32_t low, int32_t high, bool willScroll) {
    if (low == 0 && high == 0) {
        return;
    }
    if (!willScroll) {
        invertBytesInPanes(low / 2, high / 2);
        return;
    }
    // Inverted pixels would move with the scroll: the band is repainted after it instead.
    const int32_t firstRow = (low - state.topCell) / state.rowCells[0];
    const int32_t lastRow = (high - state.topCell) / state.rowCells[0];
    const int32_t hexWidth = state.rowCells[0] * state.charWidth;
    for (int pane = 0; pane < 2; ++pane) {
        const platform::Rect band{0, state.lineHeight * firstRow,
                                  pane == 0 ? hexWidth : hexWidth / 2,
                                  state.lineHeight * (lastRow + 1)};
        platform::invalidateRect(state.panes[pane], band, false);
    }
}

void invertBytesInPanes(int32_t first, int32_t end) {
    for (int pane = 0; pane < 2; ++pane) {
        platform::DrawContext dc = platform::getDrawContext(state.panes[pane]);
        useCells(dc);
        invertByteRange(dc, first, end, pane);
        platform::releaseDrawContext(state.panes[pane], dc);
    }
}

void invertSelectionInPanes(int32_t first, int32_t end) {
    const ByteRange& selection = state.selection;
    for (int pane = 0; pane < 2; ++pane) {
        platform::DrawContext dc = platform::getDrawContext(state.panes[pane]);
        useCells(dc);
        if (selection.start < end && selection.end > first) {
            invertByteRange(dc, std::max(first, selection.start), std::min(end, selection.end),
                            pane);
        }
        platform::releaseDrawContext(state.panes[pane], dc);
    }
}

// The highlight is kept on everything the panes show, a partly visible bottom row included.
void clearSelection() {
    invertSelectionInPanes(state.topCell / 2, shownEnd() / 2);
    state.selection = {0, 0};
    state.selectionAnchor = state.caret;
}

void restoreSavedSelection() {
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    if (state.savedSelection.end != 0) {
        clearSelection();
        // The file may have become shorter since the selection was put aside (Undo, Cut File,
        // Backspace): what comes back is cut at its end, and nothing when it lay past it.
        const int32_t end = std::min(state.savedSelection.end, state.length / 2);
        if (state.savedSelection.start < end) {
            state.selection = {state.savedSelection.start, end};
        }
        state.savedSelection = {0, 0};
        invertSelectionInPanes(state.topCell / 2, shownEnd() / 2);
    }
    platform::showCaret(active);
}

void selectAll() {
    const int32_t pageFirst = state.topCell / 2;
    const int32_t visibleEnd = std::min(shownEnd() / 2, state.length / 2);
    state.savedSelection = state.selection;
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    // Only the visible bytes not highlighted yet are inverted.
    const int32_t before = std::min(state.selection.start, visibleEnd);
    if (pageFirst < before) {
        invertBytesInPanes(pageFirst, before);
    }
    const int32_t after = std::max(pageFirst, state.selection.end);
    if (after < visibleEnd) {
        invertBytesInPanes(after, visibleEnd);
    }
    platform::showCaret(active);
    state.selection = {0, state.length / 2};
}

void toggleSelection() {
    if (state.selection.end != 0) {
        state.savedSelection = state.selection;
        platform::Window active = state.panes[state.activePane];
        platform::hideCaret(active);
        clearSelection();
        platform::showCaret(active);
    } else {
        restoreSavedSelection();
    }
}

void doubleClickSelection() {
    state.savedSelection = state.selection;
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    clearSelection();
    platform::showCaret(active);
}
