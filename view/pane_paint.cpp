#include "view/pane_paint.h"

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "view/caret.h"

#include <algorithm>

namespace {

constexpr uint32_t complement = 0xFFFFFF;

void complementTextColors() {
    state.textColors[0] ^= complement;
    state.textColors[1] ^= complement;
}

// Draws cells [first, first + count) of the page, all before the file end and all in one
// selection state, from source, alternating the group colours: groups of four cells in the hex
// pane (a shorter last group when a row holds an odd number of bytes), one group per row in
// the text pane. One text call per group.
void paintRun(platform::DrawContext dc, int pane, const char* source, int32_t first,
              int32_t count) {
    const int32_t rowCells = state.rowCells[pane];
    const int32_t group = pane == 0 ? 4 : rowCells;
    int32_t index = (state.topCell - 2 * state.paintBase) / (pane + 1) + first;
    const int32_t end = index + count;
    int32_t column = first % rowCells;
    int32_t row = first / rowCells;
    int32_t length = group - column % group;
    int colour = column % (2 * group) >= group ? 1 : 0;
    int32_t unfinished = ((first + count) % rowCells) % group;
    const int32_t shortGroupColumn = rowCells - rowCells % group;
    while (index < end) {
        while (column < rowCells) {
            if (index >= end - unfinished) {
                if (unfinished == 0) {
                    return;
                }
                length = unfinished - column % group;
                unfinished = 0;
            } else if (column == shortGroupColumn) {
                length = rowCells - column;
            }
            platform::setTextColor(dc, state.textColors[colour]);
            platform::drawText(dc, column, row, source + index, length);
            column += length;
            index += length;
            colour = 1 - colour;
            length = group;
        }
        ++row;
        column = 0;
        colour = 0;
    }
}

} // namespace

void useCells(platform::DrawContext dc) {
    platform::useCellCoordinates(dc, state.textFont, state.charWidth, state.lineHeight);
}

void paintCells(platform::DrawContext dc, int pane, int32_t first, int32_t count) {
    useCells(dc);
    const int32_t rowCells = state.rowCells[pane];
    int32_t cells = std::min((state.length - state.topCell) / (pane + 1) - first, count);
    int32_t drawn = 0;
    if (cells > 0) {
        DocumentBuffer& document = *state.document;
        if (pane == 1) {
            state.paintSource[1] = reinterpret_cast<const char*>(document.bytes);
            state.paintBase = 0;
        } else {
            // Rounded up, so that a half-typed last byte is covered too.
            const int32_t firstByte = state.topCell / 2;
            const int32_t wanted = cells;
            document.ensureHex(firstByte, (first + cells + 1) / 2);
            if (document.validStart > firstByte) {
                cells = 0;
            } else {
                // Only when memory ran short does the window end before the request.
                const int64_t covered = 2 * int64_t{document.validEnd} - state.topCell - first;
                cells = static_cast<int32_t>(std::min<int64_t>(cells, covered));
            }
            if (cells < wanted) {
                // The cells the cache cannot describe are painted white for now...
                state.hexPaneShort = true;
            } else if (state.hexPaneShort) {
                // ...and repainted whole once it can again.
                state.hexPaneShort = false;
                platform::invalidate(state.panes[0], false);
            }
            state.paintSource[0] = document.hexText + 2 * static_cast<size_t>(document.validStart -
                                                                              document.cacheBase);
            state.paintBase = document.validStart;
        }
    }
    if (cells > 0) {
        const char* source = state.paintSource[pane];
        const int32_t step = pane == 0 ? 2 : 1;
        const int32_t top = state.topCell / (pane + 1);
        const int64_t beforeSelection = int64_t{step} * state.selection.start - top - first;
        const auto unselected = static_cast<int32_t>(std::min<int64_t>(cells, beforeSelection));
        if (unselected > 0) {
            paintRun(dc, pane, source, first, unselected);
            drawn = unselected;
        }
        if (drawn < cells) {
            const int64_t selectedEnd = int64_t{step} * state.selection.end - top - (first + drawn);
            const auto selected =
                static_cast<int32_t>(std::min<int64_t>(cells - drawn, selectedEnd));
            if (selected > 0) {
                const uint32_t background = platform::backgroundColor(dc);
                complementTextColors();
                platform::setBackgroundColor(dc, background ^ complement);
                paintRun(dc, pane, source, first + drawn, selected);
                complementTextColors();
                platform::setBackgroundColor(dc, background);
                drawn += selected;
            }
        }
        if (drawn < cells) {
            paintRun(dc, pane, source, first + drawn, cells - drawn);
            drawn = cells;
        }
    }
    if (drawn < count) {
        const int32_t blank = first + drawn;
        const int32_t last = first + count - 1;
        int32_t row = blank / rowCells;
        if (blank % rowCells != 0) {
            platform::fillWhite(dc, blank % rowCells, row, rowCells, row + 1);
            ++row;
        }
        if (row <= last / rowCells) {
            platform::fillWhite(dc, 0, row, rowCells, last / rowCells + 1);
        }
    }
}

void paintCell(int pane, int32_t nibble, int count, const char* characters) {
    const int32_t cell = (nibble - state.topCell) / (pane + 1);
    const int32_t row = cell / state.rowCells[pane];
    const int32_t column = cell % state.rowCells[pane];
    const int colour = pane == 0 && column % 8 >= 4 ? 1 : 0;
    platform::DrawContext dc = platform::getDrawContext(state.panes[pane]);
    useCells(dc);
    const int32_t byte = nibble / 2;
    const bool selected = state.selection.start <= byte && byte < state.selection.end;
    if (selected) {
        complementTextColors();
        platform::setBackgroundColor(dc, platform::backgroundColor(dc) ^ complement);
    }
    platform::setTextColor(dc, state.textColors[colour]);
    platform::drawText(dc, column, row, characters, count);
    if (selected) {
        complementTextColors();
    }
    platform::releaseDrawContext(state.panes[pane], dc);
}

void blankEndCells() {
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    const int32_t end = state.length / 2;
    if (state.selection.start >= end) {
        state.selection = {0, 0};
    } else if (state.selection.end >= end) {
        state.selection.end = end;
    }
    paintCell(0, state.length, 2, "  ");
    paintCell(1, state.length, 1, " ");
    platform::showCaret(active);
}

void repaintBytes(int32_t first, int32_t count) {
    // Everything shown is repainted, a partly visible bottom row included.
    const int64_t shownCells = int64_t{shownEnd()} - state.topCell;
    int64_t offset = 2 * int64_t{first} - state.topCell;
    int64_t bytes = count;
    if (offset > shownCells) {
        return;
    }
    if (offset < 0) {
        bytes += offset / 2;
        if (bytes <= 0) {
            return;
        }
        offset = 0;
    }
    const auto cells = static_cast<int32_t>(std::min<int64_t>(2 * bytes, shownCells - offset));
    const auto start = static_cast<int32_t>(offset);
    platform::Window active = state.panes[state.activePane];
    platform::hideCaret(active);
    for (int pane = 0; pane < 2; ++pane) {
        platform::DrawContext dc = platform::getDrawContext(state.panes[pane]);
        paintCells(dc, pane, start / (pane + 1), cells / (pane + 1));
        platform::releaseDrawContext(state.panes[pane], dc);
    }
    platform::showCaret(active);
}

void clipSelectionAndRepaint(int32_t first, int32_t count) {
    const int32_t end = state.length / 2;
    if (state.selection.end > end) {
        if (state.selection.start > end) {
            state.selection = {0, 0};
        } else {
            state.selection.end = end;
        }
    }
    repaintBytes(first, count);
}

void invalidatePanes() {
    platform::invalidate(state.panes[1], true);
    platform::invalidate(state.panes[0], true);
}

void paintRows(int pane, const PaintRequest& request) {
    const int32_t firstRow = request.top / state.lineHeight;
    const int32_t lastRow = (request.bottom - 1) / state.lineHeight;
    const int32_t rowCells = state.rowCells[pane];
    paintCells(request.dc, pane, firstRow * rowCells, (lastRow - firstRow + 1) * rowCells);
    // A window size that could not be snapped leaves a pane up to two columns wider than its
    // rows; that strip is painted white too, never left showing what was there before.
    platform::fillWhite(request.dc, rowCells, firstRow, rowCells + 2, lastRow + 1);
}
