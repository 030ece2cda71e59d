// The left mouse button in the panes: a click places the caret (Shift+click extends the
// selection), a drag selects, and held above or below the rows the view scrolls by itself on a
// 50 ms timer, slowly near the pane and fast beyond.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// The timer of the drag auto-scroll, on the main window.
constexpr uint32_t autoScrollTimer = 2;

// The cell under a point of a pane's client area: a nibble index, not clamped to the file; a
// point right of the row's last column counts as on that column.
int32_t cellAtPoint(int32_t x, int32_t y, int pane);
// The pane whose window is under a point given in pane from's client pixels, with the point
// moved into that pane's client pixels; -1 when it is over neither.
int paneUnderPoint(int32_t& x, int32_t& y, int from);
// The left button went down in a pane: the caret moves there and the mouse is captured until
// the release. While the right button holds the capture for the inspector, the press ends that
// hold and counts where the pointer is.
void mouseDown(int32_t x, int32_t y, int pane);
// A mouse move while the button is down, in the hex pane's coordinates (the capture's).
void mouseDrag(int32_t x, int32_t y);
void autoScrollTick();
// The button came up; x is relative to the hex pane, which holds the capture. While the right
// button still holds the inspector's popup, the capture stays for it.
void mouseUp(int32_t x, bool rightHeld);
// The system cancelled the mouse modes (a box appeared): a drag under way ends where it is,
// the button no longer counts as held, and the capture is given back.
void cancelMouseModes();
// Another window took the capture: the same, without giving back what is no longer held.
void mouseCaptureLost();
// The right button went down in a pane: the value inspector for the cell under the pointer
// (under the left button's capture, the pane under the pointer, or none outside the panes).
void showInspectorAtPointer(int32_t x, int32_t y, int pane);
// The right button showed the value inspector in this pane: the pane holds the capture until
// the button comes up, wherever that happens.
void holdForInspector(platform::Window pane);
// The right button came up: the popup goes, and so does the capture it held.
void releaseInspector();
