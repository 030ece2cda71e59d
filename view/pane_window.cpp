#include "view/pane_window.h"

#include "app/editor_state.h"
#include "edit/byte_entry.h"
#include "platform/codes.h"
#include "view/navigation.h"
#include "view/pane_paint.h"

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
        paneKeyUp(static_cast<int>(wParam));
        return byDefault();
    case wm::character:
        typeIntoPane(pane, static_cast<uint32_t>(wParam));
        return handled(0);
    default:
        return byDefault();
    }
}
