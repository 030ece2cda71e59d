// The window classes and procedures of the Windows program. The procedures only translate: a
// message becomes a call of the editor's handlers, with the few Win32 structures converted.
#include "platform/platform.h"

#include "app/editor_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/win32/win32_host.h"
#include "view/pane_paint.h"
#include "view/pane_window.h"

#include <windows.h>

namespace {

platform::Window window(HWND handle) {
    return reinterpret_cast<platform::Window>(handle);
}

LRESULT result(const Outcome& outcome, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return outcome.useDefault ? DefWindowProcA(handle, message, wParam, lParam) : outcome.result;
}

// The main window is a Unicode window (its title shows file names in any script); the panes are
// ANSI windows, whose characters are the bytes they type.
LRESULT mainResult(const Outcome& outcome, HWND handle, UINT message, WPARAM wParam,
                   LPARAM lParam) {
    return outcome.useDefault ? DefWindowProcW(handle, message, wParam, lParam) : outcome.result;
}

LRESULT CALLBACK mainProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
        auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
        platform::WindowPosChange change{position->cx, position->cy, position->flags};
        const Outcome outcome =
            mainWindowProc(window(handle), message, wParam, reinterpret_cast<intptr_t>(&change));
        if (message == WM_WINDOWPOSCHANGING) {
            position->cx = change.width;
            position->cy = change.height;
        }
        return mainResult(outcome, handle, message, wParam, lParam);
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        platform::TrackingLimits limits{info->ptMinTrackSize.x, info->ptMinTrackSize.y,
                                        info->ptMaxTrackSize.x, info->ptMaxTrackSize.y};
        const Outcome outcome =
            mainWindowProc(window(handle), message, wParam, reinterpret_cast<intptr_t>(&limits));
        if (!outcome.useDefault) {
            info->ptMinTrackSize = {limits.minWidth, limits.minHeight};
            info->ptMaxTrackSize = {limits.maxWidth, limits.maxHeight};
            info->ptMaxSize = {limits.maxWidth, limits.maxHeight};
        }
        return mainResult(outcome, handle, message, wParam, lParam);
    }
    default:
        return mainResult(mainWindowProc(window(handle), message, wParam, lParam), handle, message,
                          wParam, lParam);
    }
}

LRESULT CALLBACK paneProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(handle, &paint);
        PaintRequest request{reinterpret_cast<platform::DrawContext>(dc), paint.rcPaint.top,
                             paint.rcPaint.bottom};
        paneWindowProc(window(handle), WM_PAINT, 0, reinterpret_cast<intptr_t>(&request));
        EndPaint(handle, &paint);
        return 0;
    }
    return result(paneWindowProc(window(handle), message, wParam, lParam), handle, message, wParam,
                  lParam);
}

// One turn of the loop: the editor's routing, then the accelerators, then translation.
void runLoopMessage(MSG& message) {
    platform::Window target = window(message.hwnd);
    uintptr_t wParam = message.wParam;
    if (!routeLoopMessage(target, message.message, wParam)) {
        return;
    }
    message.hwnd = reinterpret_cast<HWND>(target);
    message.wParam = wParam;
    if (TranslateAcceleratorA(reinterpret_cast<HWND>(state.mainWindow),
                              reinterpret_cast<HACCEL>(state.accelerators), &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

} // namespace

bool platform::registerWindowClasses() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(state.instance);
    WNDCLASSW mainClass{};
    mainClass.lpfnWndProc = mainProcedure;
    mainClass.hInstance = instance;
    mainClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(11));
    mainClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    mainClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    mainClass.lpszMenuName = MAKEINTRESOURCEW(21);
    mainClass.lpszClassName = L"Main";
    if (RegisterClassW(&mainClass) == 0) {
        return false;
    }
    WNDCLASSA paneClass{};
    paneClass.style = CS_HREDRAW | CS_DBLCLKS;
    paneClass.lpfnWndProc = paneProcedure;
    paneClass.hInstance = instance;
    paneClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)); // IDC_IBEAM
    paneClass.lpszClassName = "IEDIT";
    return RegisterClassA(&paneClass) != 0;
}

int win32::runMessageLoop() {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        runLoopMessage(message);
    }
    return static_cast<int>(message.wParam);
}

bool win32::runWaitingMessages(int& exitCode) {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
            return false;
        }
        runLoopMessage(message);
    }
    return true;
}
