// The window procedure shared by both panes (class "IEDIT").
#pragma once

#include "app/outcome.h"
#include "platform/platform.h"

#include <cstdint>

// For wm::paint, lParam points to a PaintRequest.
Outcome paneWindowProc(platform::Window window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam);
