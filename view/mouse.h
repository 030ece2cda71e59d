// The left mouse button in the panes: a click places the caret (Shift+click extends the
// selection), a drag selects, and held above or below the rows the view scrolls by itself on a
// 50 ms timer, slowly near the pane and fast beyond.
#pragma once

#include <cstdint>

// The timer of the drag auto-scroll, on the main window.
constexpr uint32_t autoScrollTimer = 2;

// The cell under a point of a pane's client area: a nibble index, not clamped to the file.
int32_t cellAtPoint(int32_t x, int32_t y, int pane);
void mouseDown(int32_t x, int32_t y, int pane);
// A mouse move while the button is down.
void mouseDrag(int32_t x, int32_t y, int pane);
void autoScrollTick();
// The button came up; x is relative to the hex pane while a drag holds the capture.
void mouseUp(int32_t x);
// The system took the mouse away (another window got the capture, or a box appeared): a drag
// under way ends where it is, and the button no longer counts as held.
void cancelMouseModes();
