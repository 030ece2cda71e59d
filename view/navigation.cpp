#include "view/navigation.h"

#include "app/editor_state.h"
#include "edit/byte_entry.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/inspector.h"

namespace {

// The steps a navigation key moves the caret by in the pane; false for other keys.
bool navigationSteps(int pane, int virtualKey, int32_t& steps) {
    const int32_t rowCells = state.rowCells[0];
    const int32_t column = state.caret % rowCells;
    switch (virtualKey) {
    case vk::left:
        steps = -1;
        return true;
    case vk::right:
        steps = 1;
        return true;
    case vk::up:
        steps = -state.rowCells[pane];
        return true;
    case vk::down:
        steps = state.rowCells[pane];
        return true;
    case vk::home:
        steps = -(column / (pane + 1));
        return true;
    case vk::end:
        steps = (rowCells - column) / (pane + 1) - 1;
        return true;
    case vk::pageUp:
        steps = (rowCells - state.pageCells) / (pane + 1);
        return true;
    case vk::pageDown:
        steps = (state.pageCells - rowCells) / (pane + 1);
        return true;
    default:
        return false;
    }
}

} // namespace

void paneKeyDown(int pane, int virtualKey) {
    const bool control = platform::keyIsDown(vk::control);
    if (control && virtualKey == vk::pageUp) {
        setCaret(0);
        return;
    }
    if (control && virtualKey == vk::pageDown) {
        setCaret(state.length);
        return;
    }
    int32_t steps = 0;
    if (navigationSteps(pane, virtualKey, steps)) {
        state.selectionAnchor = state.caret;
        platform::Window active = state.panes[state.activePane];
        platform::hideCaret(active);
        moveCaret(steps, pane, true);
        platform::showCaret(active);
        return;
    }
    switch (virtualKey) {
    case vk::shift:
        state.shiftDown = 1;
        break;
    case vk::back:
        if (state.caret == state.length && state.caret != 0) {
            eraseLastCell(pane);
        }
        break;
    case vk::f1:
        // Once per press: the key's repeats leave the shown popup alone.
        if (state.inspectorVisible == 0) {
            showInspectorAtCaret();
        }
        break;
    default:
        break;
    }
}

void paneKeyUp(int virtualKey) {
    if (virtualKey == vk::shift) {
        state.shiftDown = 0;
    }
}

void paneGotFocus(platform::Window pane) {
    if (state.inspectorVisible != 0) {
        hideInspector();
    }
    platform::createCaret(pane, state.charWidth, state.lineHeight);
    placeCaret(false);
    platform::showCaret(pane);
}

void paneLostFocus() {
    // F1's release goes to the window that has the focus then: the popup it shows goes now.
    if (state.inspectorVisible != 0) {
        hideInspector();
    }
    platform::destroyCaret();
}

void scrollBarRequest(int code) {
    const int32_t row = state.topCell / state.rowCells[0];
    int32_t target = 0;
    switch (code) {
    case sb::lineUp:
        target = row - 1;
        break;
    case sb::lineDown:
        target = row + 1;
        break;
    case sb::pageUp:
        target = row - state.visibleRows + 1;
        break;
    case sb::pageDown:
        target = row + state.visibleRows - 1;
        break;
    case sb::thumbPosition:
        target = platform::scrollTrackPosition(state.mainWindow);
        break;
    default:
        return;
    }
    scrollToRow(target);
    if (state.caret < state.topCell) {
        setCaret(state.topCell);
    } else if (state.caret >= pageEnd()) {
        setCaret(pageEnd() - 1);
    }
}

bool mouseWheel(uintptr_t wParam) {
    if (state.wheelStep == 0) {
        return false;
    }
    int32_t delta = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
    while (delta >= state.wheelStep) {
        platform::sendMessage(state.mainWindow, wm::vscroll, sb::lineUp, 0);
        delta -= state.wheelStep;
    }
    while (delta <= -state.wheelStep) {
        platform::sendMessage(state.mainWindow, wm::vscroll, sb::lineDown, 0);
        delta += state.wheelStep;
    }
    return true;
}

void readWheelStep() {
    const uint32_t lines = platform::wheelScrollLines();
    state.wheelStep = static_cast<int16_t>(lines != 0 ? 120u / lines : 0);
}
