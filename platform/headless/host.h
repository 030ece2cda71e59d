// The headless host's own state, shared by its source files.
#pragma once

#include "platform/headless/headless.h"

#include <deque>
#include <memory>
#include <set>

struct platform::WindowObject {
    enum class Kind { main, pane, inspector } kind;
    std::string text;
    platform::Rect rect{}; // the main window's on the screen, a child's in the main window
    bool visible = false;
    headless::Grid grid; // panes only
    platform::Rect invalid{};
    bool hasInvalid = false;
    int textCalls = 0;
};

struct platform::FontObject {
    platform::FontMetrics metrics;
};

struct platform::DrawObject {
    platform::WindowObject* window = nullptr;
    headless::Grid* target = nullptr;
    bool painting = false; // inside a paint: drawing is clipped to the update rectangle
    platform::Rect clip{};
    bool cellMapping = false;
    int32_t cellWidth = 1;
    int32_t cellHeight = 1;
    uint32_t textColor = 0;
    uint32_t background = 0xFFFFFF;
};

struct platform::DropObject {
    std::vector<std::string> paths;
};

namespace headless {

struct QueuedMessage {
    platform::Window window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    int32_t character; // what translating this key-down produces, or -1
};

struct Host {
    Metrics metrics;
    std::vector<std::unique_ptr<platform::WindowObject>> windows;
    platform::Window main = nullptr;
    std::vector<platform::Window> panes;
    std::deque<QueuedMessage> queue;
    bool quit = false;
    int exitCode = 0;
    platform::Window focus = nullptr;
    std::set<int> keysDown;
    Caret caret;
    bool caretExists = false;
    ScrollBar scrollBar;
    bool minimized = false;
    platform::Rect normalRect{};
    std::deque<int> boxAnswers;
    std::vector<MessageBoxCall> boxes;
    std::deque<std::string> dialogAnswers;
    std::vector<FileDialogCall> dialogs;
    platform::FontObject stockFont{};
    std::vector<std::unique_ptr<platform::FontObject>> fonts;
    std::unique_ptr<platform::DropObject> drop;
    bool dropReleased = false;
};

Host& host();
// Delivers a message to a window's procedure, with the default processing where it asks for it.
intptr_t dispatch(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Paints a pane's invalid rectangle.
void paintInvalid(platform::Window window);
// Fits a pane's grid to its client size, keeping what overlaps.
void fitGrid(platform::Window window);
// Resets the memory and file fault injection.
void resetFaults();

} // namespace headless
