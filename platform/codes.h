// Numeric codes shared by the editor logic and the window system: message numbers, virtual
// keys, message-box styles and answers, scroll-bar requests and system metric indexes. They keep
// the values the Win32 interface gives them, so the win32 layer can pass them through unchanged
// (it checks each one against <windows.h>). The names are namespaced and spelled differently
// from the Win32 macros so that this header can be included next to <windows.h>.
#pragma once

#include <cstdint>

namespace wm {
enum : uint32_t {
    create = 0x0001,
    destroy = 0x0002,
    size = 0x0005,
    setFocus = 0x0007,
    killFocus = 0x0008,
    paint = 0x000F,
    close = 0x0010,
    quit = 0x0012,
    eraseBackground = 0x0014,
    settingChange = 0x001A,
    cancelMode = 0x001F,
    getMinMaxInfo = 0x0024,
    windowPosChanging = 0x0046,
    windowPosChanged = 0x0047,
    keyDown = 0x0100,
    keyUp = 0x0101,
    character = 0x0102,
    sysKeyDown = 0x0104,
    sysKeyUp = 0x0105,
    sysCharacter = 0x0106,
    initDialog = 0x0110,
    command = 0x0111,
    timer = 0x0113,
    vscroll = 0x0115,
    mouseMove = 0x0200,
    leftButtonDown = 0x0201,
    leftButtonUp = 0x0202,
    leftButtonDoubleClick = 0x0203,
    rightButtonDown = 0x0204,
    rightButtonUp = 0x0205,
    mouseWheel = 0x020A,
    captureChanged = 0x0215,
    dropFiles = 0x0233,
    // Private messages the find dialog sends to the main window.
    findFromDialog = 0x8000,
    replaceOnce = 0x8001,
    replaceAll = 0x8002,
};
} // namespace wm

namespace vk {
enum : int {
    back = 0x08,
    tab = 0x09,
    enter = 0x0D,
    shift = 0x10,
    control = 0x11,
    alt = 0x12,
    escape = 0x1B,
    space = 0x20,
    pageUp = 0x21,
    pageDown = 0x22,
    end = 0x23,
    home = 0x24,
    left = 0x25,
    up = 0x26,
    right = 0x27,
    down = 0x28,
    insert = 0x2D,
    del = 0x2E,
    f1 = 0x70,
    f3 = 0x72,
};
} // namespace vk

namespace mb {
enum : unsigned {
    ok = 0x0000,
    yesNo = 0x0004,
    iconError = 0x0010,
    systemModal = 0x1000,
};
} // namespace mb

// Answers of a message box.
namespace answer {
enum : int {
    ok = 1,
    cancel = 2,
    yes = 6,
    no = 7,
};
} // namespace answer

namespace sb {
enum : int {
    lineUp = 0,
    lineDown = 1,
    pageUp = 2,
    pageDown = 3,
    thumbPosition = 4,
    thumbTrack = 5,
    top = 6,
    bottom = 7,
    endScroll = 8,
};
} // namespace sb

// System metric indexes.
namespace sm {
enum : int {
    cxVScroll = 2,
    cyCaption = 4,
    cxBorder = 5,
    cyMenu = 15,
    cxFrame = 32,
    cyFrame = 33,
    cxMaximized = 61,
    cyMaximized = 62,
};
} // namespace sm

// Notifications of a button, in the high word of wm::command.
namespace bn {
enum : uint32_t {
    clicked = 0,
};
} // namespace bn

// The buttons held during a mouse message, in its first parameter.
namespace mk {
enum : uintptr_t {
    leftButton = 0x0001,
    rightButton = 0x0002,
};
} // namespace mk

// Standard clipboard formats.
namespace cf {
enum : uint32_t {
    text = 1,
};
} // namespace cf

// Show commands.
namespace sw {
enum : int {
    hide = 0,
    showNormal = 1,
    minimize = 6,
    showDefault = 10,
};
} // namespace sw

// Flags of a window position change.
namespace swp {
enum : uint32_t {
    noSize = 0x0001,
};
} // namespace swp

// The kinds of WM_SIZE.
namespace sizeKind {
enum : uintptr_t {
    restored = 0,
    minimized = 1,
    maximized = 2,
};
} // namespace sizeKind

// Flags of the common file dialogs.
namespace ofn {
enum : uint32_t {
    overwritePrompt = 0x00000002,
    hideReadOnly = 0x00000004,
    pathMustExist = 0x00000800,
    fileMustExist = 0x00001000,
};
} // namespace ofn
