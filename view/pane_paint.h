// Painting of the two panes in cell coordinates: hex digits in alternating colour groups of
// four cells, characters in the text pane, selected cells in complemented colours, white past
// the end of the file.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// What a pane is asked to paint: the rows meeting [top, bottom) pixels.
struct PaintRequest {
    platform::DrawContext dc;
    int32_t top;
    int32_t bottom;
};

// Selects the pane font and the cell mapping into a device context.
void useCells(platform::DrawContext dc);
// Paints the cells [first, first + count) of a pane, counted from the page top.
void paintCells(platform::DrawContext dc, int pane, int32_t first, int32_t count);
// Redraws count (1 or 2) characters from the cell of a nibble index; the cell must be visible
// and the caller hides the caret.
void paintCell(int pane, int32_t nibble, int count, const char* characters);
// After the file lost its last cell: clips the selection and blanks the end cells.
void blankEndCells();
// Repaints a byte range in both panes, limited to the page.
void repaintBytes(int32_t first, int32_t count);
// Clips the selection to the file, then repaints a byte range.
void clipSelectionAndRepaint(int32_t first, int32_t count);
// Invalidates the whole of both panes, text pane first, erasing their background.
void invalidatePanes();
// WM_PAINT: repaints the whole rows of the update rectangle.
void paintRows(int pane, const PaintRequest& request);
