// The selection: one byte range shared by both panes, extended by Shift moves and the mouse,
// replaced by Select All, put aside and brought back by Toggle Selection. Its highlight is kept
// by inverting the cells whose state changes, which looks exactly like painting them selected.
#pragma once

#include <cstdint>

// Applies a caret move from selectionAnchor to the nibble index caret to the selection. On
// entry low and high hold the page bounds; on return the nibble range whose selection state
// changed, clipped to the page, or 0, 0 when nothing visible changed.
void extendSelection(int32_t caret, int32_t& low, int32_t& high);
// The redraw of a changed range (nibble indexes) during a caret move: invalidated rows when the
// move will scroll, inverted cells otherwise.
void redrawSelectionChange(int32_t low, int32_t high, bool willScroll);
// Inverts the cells of bytes [first, end), which must lie on the page, in both panes.
void invertBytesInPanes(int32_t first, int32_t end);
// Inverts, in both panes, the part of the selection that lies in bytes [first, end).
void invertSelectionInPanes(int32_t first, int32_t end);
// Removes the highlight from the page; the selection becomes 0, 0 and the anchor the caret.
void clearSelection();
// Makes the saved selection the selection again and highlights it.
void restoreSavedSelection();
void selectAll();
void toggleSelection();
// A double click: the selection is put aside and cleared.
void doubleClickSelection();
