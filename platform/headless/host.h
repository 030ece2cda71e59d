// The headless host's own state, shared by its source files.
#pragma once

#include "platform/headless/headless.h"

#include <deque>
#include <memory>
#include <set>

struct platform::WindowObject {
    enum class Kind { main, pane, inspector, dialog } kind;
    std::string text;
    platform::Rect rect{}; // the main window's on the screen, a child's in the main window
    bool visible = false;
    headless::Grid grid; // panes only
    // The update region: the union of these rectangles, in client pixels.
    std::vector<platform::Rect> invalid;
    int textCalls = 0;
    // A dialog.
    platform::DialogProcedure procedure = nullptr;
    std::map<int, headless::DialogControl> controls;
    int focusControl = 0;
    bool ended = false;
    intptr_t result = 0;
    int32_t dialogWidth = 0;
    int32_t dialogHeight = 0;
};

struct platform::FontObject {
    platform::FontMetrics metrics;
};

struct platform::DrawObject {
    platform::WindowObject* window = nullptr;
    headless::Grid* target = nullptr;
    bool painting = false;     // inside a paint: drawing is clipped to the update region
    bool ignorePopups = false; // a repaint from scratch, as if no popup covered the pane
    std::vector<platform::Rect> clip;
    bool cellMapping = false;
    int32_t cellWidth = 1;
    int32_t cellHeight = 1;
    uint32_t textColor = 0;
    uint32_t background = 0xFFFFFF;
};

struct platform::DropObject {
    std::vector<std::string> paths;
};

struct platform::SharedObject {
    // Exactly size bytes, so that a read past the block is caught.
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
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
    // Mouse and timers.
    platform::Window capture = nullptr;
    bool leftHeld = false;
    bool rightHeld = false;
    std::set<uint32_t> timers;
    // Modal loops: the owner of each open box or dialog (null for an ownerless box).
    std::vector<platform::Window> modalOwners;
    std::deque<std::function<void()>> modalActions;
    std::deque<std::vector<DialogStep>> dialogScripts;
    std::vector<DialogRecord> dialogRecords;
    // The clipboard.
    std::map<uint32_t, std::unique_ptr<platform::SharedObject>> clipboard;
    bool clipboardHeld = false;
    bool clipboardOpen = false;
};

Host& host();
// Delivers a message to a window's procedure, with the default processing where it asks for it.
intptr_t dispatch(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The client origin of a child window in the main window's client area.
Point clientOrigin(platform::Window window);
// The visible popup, on top of the panes, that covers these pixels of a pane's client area, or
// null: the pane's drawing is clipped there, as a window that clips its siblings is.
platform::Window popupOver(platform::Window pane, const platform::Rect& pixels);
// A popup that hides or moves uncovers the panes beneath it: that part of them becomes invalid.
void uncoverPanes(platform::Window popup);
// Paints a pane's invalid region.
void paintInvalid(platform::Window window);
// Fits a pane's grid to its client size, keeping what overlaps.
void fitGrid(platform::Window window);
// Resets the memory and file fault injection.
void resetFaults();
// Whether a memory allocation fails now (fault injection).
bool allocationFails();
// Runs a modal loop around a box or dialog owned by owner: the system cancels the mouse modes
// of the active window, then what the test asked to happen meanwhile runs, with the queued
// messages delivered as that loop delivers them.
void enterModal(platform::Window owner);
void leaveModal();

} // namespace headless
