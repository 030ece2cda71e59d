// Keyboard navigation in the panes, the focus and block caret, the scroll bar and the wheel.
#pragma once

#include "platform/platform.h"

#include <cstdint>

void paneKeyDown(int pane, int virtualKey);
void paneKeyUp(int virtualKey);
void paneGotFocus(platform::Window pane);
void paneLostFocus();
// The main window's scroll bar request; the caller then passes the message on to the default
// processing.
void scrollBarRequest(int code);
// The main window's wheel message; false when it goes to the default processing instead.
bool mouseWheel(uintptr_t wParam);
// Reads the wheel scroll setting into wheelStep.
void readWheelStep();
