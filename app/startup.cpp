#include "app/startup.h"

#include "app/commands.h"
#include "app/editor_state.h"
#include "app/layout.h"
#include "platform/codes.h"

#include <algorithm>
#include <cstring>

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

const char* commandLineTail(const char* commandLine) {
    const auto* at = reinterpret_cast<const uint8_t*>(commandLine);
    if (*at == '"') {
        do {
            ++at;
        } while (*at != 0 && *at != '"');
        if (*at == '"') {
            ++at;
        }
    } else {
        // Compared as unsigned bytes: the bytes of a UTF-8 character are all above the blank.
        while (*at > ' ') {
            ++at;
        }
    }
    while (*at != 0 && *at <= ' ') {
        ++at;
    }
    return reinterpret_cast<const char*>(at);
}

void postCommandLineFile(const char* tail) {
    if (tail == nullptr || *tail == '\0') {
        return;
    }
    // The path must outlive this call: it is opened once the loop runs. A path too long for
    // the current-file path is cut after filePathSize bytes, which hold more than the 255 UTF-16
    // units a path may have (three bytes a unit at most, and a cut character counts as one), so
    // that opening it is refused rather than another, shorter path opened.
    static char path[filePathSize + 1];
    const char* start = tail;
    size_t length = std::strlen(tail);
    if (*tail == '"') {
        ++start;
        const char* quote = std::strchr(start, '"');
        length = quote != nullptr ? static_cast<size_t>(quote - start) : length - 1;
    }
    length = std::min<size_t>(length, filePathSize);
    std::memcpy(path, start, length);
    path[length] = '\0';
    platform::postMessage(state.mainWindow, wm::command, cmd::openPath,
                          reinterpret_cast<intptr_t>(path));
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
