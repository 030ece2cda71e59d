// The program's entry point: start-up, the message loop, and the release of the document once
// the loop has ended.
#include "app/editor_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/win32/win32_host.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
    state.instance = reinterpret_cast<platform::Instance>(instance);
    if (previous == nullptr && !platform::registerWindowClasses()) {
        return 0;
    }
    if (!createMainWindow(showCommand)) {
        return 0;
    }
    postCommandLineFile(win32::commandLineTail());
    const int exitCode = win32::runMessageLoop();
    releaseDocument();
    return exitCode;
}
