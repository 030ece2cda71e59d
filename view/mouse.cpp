#include "view/mouse.h"

#include "app/editor_state.h"
#include "app/layout.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/inspector.h"
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
    state.autoScrollRunning = 0;
}

// The column under x while the capture holds (x relative to the hex pane). Over the text pane a
// character stands for its byte's high digit; over the gap between the panes the pointer counts
// as right of the hex cells.
int32_t dragColumn(int32_t x) {
    const int32_t hexWidth = state.rowCells[0] * state.charWidth;
    if (x > hexWidth + state.borderWidth) {
        const int32_t textLeft = textPaneOffset();
        if (x < textLeft) {
            return state.rowCells[0] - 1;
        }
        return 2 * std::min((x - textLeft) / state.charWidth, state.rowCells[1] - 1);
    }
    if (x > hexWidth) {
        return state.rowCells[0] - 1;
    }
    return x < 0 ? 0 : x / state.charWidth;
}

// Ends the button's modes: the drag, its timer and the inspector's hold.
void endMouseModes() {
    state.mouseSelecting = 0;
    if (state.dragPane != 0) {
        stopAutoScroll();
        state.dragPane = 0;
    }
    if (state.inspectorCapture != 0) {
        state.inspectorCapture = 0;
        hideInspector();
    }
}

// A pane's client area (its window inside the border) in the main window's client area.
platform::Rect clientOf(int pane) {
    const platform::Rect r = paneRect(pane);
    const int32_t border = state.borderWidth / 2;
    return {r.left + border, r.top + border, r.right - border, r.bottom - border};
}

} // namespace

int paneUnderPoint(int32_t& x, int32_t& y, int from) {
    const platform::Rect origin = clientOf(from);
    const int32_t mainX = x + origin.left;
    const int32_t mainY = y + origin.top;
    for (int pane = 0; pane < 2; ++pane) {
        const platform::Rect r = paneRect(pane);
        if (mainX >= r.left && mainX < r.right && mainY >= r.top && mainY < r.bottom) {
            x = mainX - clientOf(pane).left;
            y = mainY - clientOf(pane).top;
            return pane;
        }
    }
    return -1;
}

int32_t cellAtPoint(int32_t x, int32_t y, int pane) {
    // A point right of the last column (a pane wider than its rows) is on the row's last cell.
    const int32_t column = std::min(x / state.charWidth, state.rowCells[pane] - 1);
    const int64_t cell = int64_t{state.topCell} +
                         int64_t{y / state.lineHeight} * state.rowCells[0] +
                         int64_t{column} * (pane + 1);
    return static_cast<int32_t>(std::clamp<int64_t>(cell, INT32_MIN / 2, INT32_MAX));
}

void mouseDown(int32_t x, int32_t y, int pane) {
    if (state.inspectorCapture != 0) {
        // The right button's capture brought the press here, wherever the pointer is: the
        // inspector's hold ends, and the press is one on the pane under the pointer, or on
        // nothing of the editor's.
        releaseInspector();
        pane = paneUnderPoint(x, y, pane);
        if (pane < 0) {
            return;
        }
    }
    if (state.selection.end != 0) {
        state.savedSelection = state.selection;
    }
    selectTo(cellAtPoint(x, y, pane), 0);
    // The capture is taken at the press, so that the release comes back wherever the pointer is
    // then; it belongs to the left button from now on, even while the right one is held.
    state.inspectorCapture = 0;
    platform::setCapture(state.panes[0]);
    state.mouseSelecting = 1;
    if (pane != state.activePane) {
        platform::sendMessage(state.mainWindow, wm::character, vk::tab, 0);
    }
}

void mouseDrag(int32_t x, int32_t y) {
    // The coordinates are the hex pane's, whichever pane the pointer is over.
    const int32_t column = dragColumn(x);
    const int32_t pageHeight = state.lineHeight * state.visibleRows;
    uint8_t mode = 0;
    int32_t row = 0;
    int32_t beyond = 0; // the row one past the edge, in the direction of the zone
    if (y < 0) {
        mode = y < -state.autoScrollMargin ? inZone | upward | fast : inZone | upward;
        beyond = -1;
    } else if (y > pageHeight) {
        mode =
            y > pageHeight + state.autoScrollMargin ? inZone | downward | fast : inZone | downward;
        row = state.visibleRows - 1;
        beyond = 1;
    } else {
        row = y / state.lineHeight;
    }
    // Entering a zone moves one row past the edge at once; while the pointer stays in the zones,
    // moves keep to the edge row and only the timer scrolls, at the zone's pace.
    const bool entering = mode != 0 && state.autoScrollRunning == 0;
    if (entering) {
        row += beyond;
    }
    const int64_t target = int64_t{state.topCell} + int64_t{row} * state.rowCells[0] + column;
    if (state.dragPane == 0) {
        if (target == state.caret) {
            return; // still on the pressed cell: no drag yet
        }
        state.dragPane = static_cast<int8_t>(state.activePane + 1);
        platform::Window active = state.panes[state.activePane];
        platform::hideCaret(active);
        clearSelection();
        platform::showCaret(active);
        state.selection = {state.caret / 2, state.caret / 2};
    }
    state.autoScrollMode = mode;
    if (entering) {
        platform::startTimer(state.mainWindow, autoScrollTimer, 50);
        state.autoScrollRunning = 1;
    } else if (mode == 0) {
        stopAutoScroll();
    }
    if (target != state.caret) {
        selectTo(static_cast<int32_t>(std::clamp<int64_t>(target, INT32_MIN / 2, INT32_MAX)), 0);
    }
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

void mouseUp(int32_t x, bool rightHeld) {
    if (state.mouseSelecting == 0) {
        return; // a release without a press seen here, or after the system cancelled it
    }
    const bool dragged = state.dragPane != 0;
    endMouseModes(); // before the release, which must not count as a lost capture
    if (rightHeld && state.inspectorVisible != 0) {
        // The right button still holds the popup: the capture stays, now for it, so that its
        // release is seen wherever it happens.
        state.inspectorCapture = 1;
    } else {
        platform::releaseCapture();
    }
    if (!dragged) {
        return;
    }
    // The pane under the pointer: the text pane from its own left edge on; the strip right of
    // the hex pane's rows (where the width could not snap) and the gap belong to the hex pane.
    const int pane = x + clientOf(0).left >= paneRect(1).left ? 1 : 0;
    // The focus goes to the pane under the pointer unless it has it already. That is the
    // active pane, which need not be the one the drag began in: a Tab may have switched panes
    // during the drag.
    const bool switching = pane != state.activePane;
    state.activePane = static_cast<int8_t>(pane);
    if (switching) {
        platform::setFocus(state.panes[pane]);
    }
}

void cancelMouseModes() {
    const bool held = state.mouseSelecting != 0 || state.inspectorCapture != 0;
    endMouseModes();
    if (held) {
        platform::releaseCapture();
    }
}

void mouseCaptureLost() {
    endMouseModes();
}

void showInspectorAtPointer(int32_t x, int32_t y, int pane) {
    if (state.mouseSelecting != 0) {
        // The left button's capture brings the press to the hex pane wherever the pointer is:
        // it is a press on the pane under the pointer, or on nothing of the editor's.
        pane = paneUnderPoint(x, y, pane);
        if (pane < 0) {
            return;
        }
    }
    showInspector(x, y, pane);
}

void holdForInspector(platform::Window pane) {
    // While the left button holds the capture, its release ends the hold as well.
    if (state.inspectorVisible != 0 && state.mouseSelecting == 0) {
        platform::setCapture(pane);
        state.inspectorCapture = 1;
    }
}

void releaseInspector() {
    hideInspector();
    if (state.inspectorCapture != 0) {
        state.inspectorCapture = 0;
        platform::releaseCapture();
    }
}
