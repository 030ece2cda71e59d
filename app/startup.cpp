#include "app/startup.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "app/layout.h"
#include "platform/codes.h"

#include <cstring>
#include <string>

bool createMainWindow(int showCommand) {
    state.textColors[0] = 0x000000;
    state.textColors[1] = 0x0000FF;
    state.accelerators = platform::loadAccelerators();
    std::strcpy(state.titleText, state.programTitle);
    platform::Window window = platform::createMainWindow(state.titleText);
    if (window == nullptr) {
        return false;
    }
    state.mainWindow = window;
    layoutAtStartup();
    platform::acceptDroppedFiles(state.mainWindow);
    platform::showWindow(state.mainWindow, showCommand);
    return true;
}

void postCommandLineFile(const char* tail) {
    if (tail == nullptr || *tail == '\0') {
        return;
    }
    // The path must outlive this call: it is opened once the loop runs.
    static std::string path;
    if (*tail == '"') {
        const char* start = tail + 1;
        const char* quote = std::strchr(start, '"');
        path.assign(start,
                    quote != nullptr ? static_cast<size_t>(quote - start) : std::strlen(start));
    } else {
        path = tail;
    }
    platform::postMessage(state.mainWindow, wm::command, cmd::openPath,
                          reinterpret_cast<intptr_t>(path.c_str()));
}

char filterHexChar(char c) {
    if (c >= 'a' && c <= 'f') {
        return static_cast<char>(c - 'a' + 'A');
    }
    if (c >= '0' && c <= '9') {
        return c;
    }
    return 0;
}

bool routeLoopMessage(platform::Window& target, uint32_t message, uintptr_t& wParam) {
    if (message != wm::character) {
        return true;
    }
    if (wParam < 27) {
        target = state.mainWindow;
    } else if (state.activePane == 0) {
        const char filtered = filterHexChar(static_cast<char>(wParam & 0xFF));
        if (filtered == 0) {
            return false;
        }
        wParam = static_cast<uint8_t>(filtered);
    }
    return true;
}
