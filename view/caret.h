// The caret, shared by both panes, and the view: moving the caret, scrolling by rows, the
// scroll range, the caret offset in the title, and the pane switch.
#pragma once

#include <cstdint>

// Moves the caret by steps cells of the pane (1 nibble in the hex pane, 2 in the text pane),
// clamped to [0, length], scrolls by the fewest rows that bring it onto the page, places it
// and refreshes the title. extend lets the selection follow while Shift or the mouse is held.
void moveCaret(int32_t steps, int pane, bool extend);
// Sets the caret to a nibble index (clamped to length); off the page, its row becomes the top
// row as far as the scroll range allows.
void setCaret(int32_t nibble);
// The caret is about to go to target: once it leaves the place where the find dialog put it,
// Find Next no longer takes a match starting there, even when the caret comes back. moveCaret and
// setCaret call it, and so does the right button, which sets the caret itself: every way back
// to a place goes through one of them.
void leaveCaretPlace(int32_t target);
// Makes the row (clamped to the scroll range) the top row of both panes; returns the row used.
int32_t scrollToRow(int32_t row);
// Puts the system caret on the caret's cell; updateTitle also writes the offset in the title.
void placeCaret(bool updateTitle);
// Recomputes totalRows and the scroll bar after length, the row width or the row count changed.
void updateScrollRange();
// Caret, view, selection and undo log back to their start state (New, Open).
void resetView();
// Tab: the other pane becomes the active one and takes the focus; the caret goes to the high
// digit of its byte.
void switchPane();
// The nibble index just after the page (whole rows), computed wide: near the largest document
// the sum would not fit 32 bits, and a value past every position serves the same.
int32_t pageEnd();
// The nibble index just after everything the panes show, a partly visible bottom row included.
int32_t shownEnd();
