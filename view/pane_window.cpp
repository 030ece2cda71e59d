#include "view/pane_window.h"

#include "app/editor_state.h"
#include "edit/byte_entry.h"
#include "platform/codes.h"
#include "view/inspector.h"
#include "view/mouse.h"
#include "view/navigation.h"
#include "view/pane_paint.h"
#include "view/selection.h"

namespace {

// The pointer's position in a mouse message: signed 16-bit client coordinates.
int32_t pointX(intptr_t lParam) {
    return static_cast<int16_t>(lParam & 0xFFFF);
}
int32_t pointY(intptr_t lParam) {
    return static_cast<int16_t>((lParam >> 16) & 0xFFFF);
}

} // namespace

Outcome paneWindowProc(platform::Window window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam) {
    if (message == wm::destroy) {
        platform::postQuit(0);
        return handled(0);
    }
    if (state.closing || state.document == nullptr) {
        return byDefault();
    }
    const int pane = window == state.panes[0] ? 0 : 1;
    switch (message) {
    case wm::paint:
        paintRows(pane, *reinterpret_cast<const PaintRequest*>(lParam));
        return handled(0);
    case wm::eraseBackground:
        return handled(1);
    case wm::setFocus:
        paneGotFocus(window);
        return handled(0);
    case wm::killFocus:
        paneLostFocus();
        return handled(0);
    case wm::keyDown:
        paneKeyDown(pane, static_cast<int>(wParam));
        return handled(0);
    case wm::keyUp:
        if (wParam == vk::f1) {
            hideInspector();
            return handled(0);
        }
        paneKeyUp(static_cast<int>(wParam));
        return byDefault();
    case wm::character:
        typeIntoPane(pane, static_cast<uint32_t>(wParam));
        return handled(0);
    case wm::mouseMove:
        if (state.mouseSelecting == 0) {
            return byDefault();
        }
        if ((wParam & mk::leftButton) == 0) {
            // The button came up where its release was not seen: the selecting ends here, and
            // a move without the button never selects.
            cancelMouseModes();
            return byDefault();
        }
        mouseDrag(pointX(lParam), pointY(lParam));
        return handled(0);
    case wm::leftButtonDown:
        mouseDown(pointX(lParam), pointY(lParam), pane);
        return handled(0);
    case wm::leftButtonUp:
        mouseUp(pointX(lParam), (wParam & mk::rightButton) != 0);
        return byDefault();
    case wm::leftButtonDoubleClick:
        doubleClickSelection();
        return handled(0);
    case wm::rightButtonDown:
        showInspectorAtPointer(pointX(lParam), pointY(lParam), pane);
        holdForInspector(window);
        return handled(0);
    case wm::rightButtonUp:
        releaseInspector();
        return handled(0);
    case wm::captureChanged:
        // Another window took the mouse while a button held it here: what the button was doing
        // ends there.
        if (state.mouseSelecting != 0 || state.inspectorCapture != 0) {
            mouseCaptureLost();
        }
        return handled(0);
    default:
        return byDefault();
    }
}
