// The headless host: windows, the message queue and loop, focus, caret, scroll bar and input.
#include "platform/headless/host.h"

#include "app/editor_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/codes.h"
#include "platform/headless/resource_script.h"
#include "view/pane_paint.h"
#include "view/pane_window.h"

#include <algorithm>
#include <cctype>

namespace headless {

namespace {

Host* current = nullptr;

platform::Window newWindow(platform::WindowObject::Kind kind) {
    Host& h = host();
    h.windows.push_back(std::make_unique<platform::WindowObject>());
    platform::Window window = h.windows.back().get();
    window->kind = kind;
    return window;
}

int32_t menuRows(int32_t width) {
    return width < host().metrics.menuWrapWidth ? 2 : 1;
}

int32_t mainClientHeight(int32_t width, int32_t height) {
    const Metrics& m = host().metrics;
    return height - m.cyCaption - menuRows(width) * m.cyMenu - 2 * m.cyFrame;
}

int32_t mainClientWidth(int32_t width) {
    const Metrics& m = host().metrics;
    return width - 2 * m.cxFrame - m.cxVScroll;
}

uint32_t packedClientSize() {
    const platform::Rect& r = host().main->rect;
    const auto width = static_cast<uint32_t>(std::max(mainClientWidth(r.right - r.left), 0));
    const auto height =
        static_cast<uint32_t>(std::max(mainClientHeight(r.right - r.left, r.bottom - r.top), 0));
    return (width & 0xFFFF) | (height & 0xFFFF) << 16;
}

// The platform's size change of the main window: asks the window to snap the size, applies it
// and reports the change, which brings WM_SIZE through the default processing.
void applyMainRect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t flags,
                   bool snap = true) {
    Host& h = host();
    platform::WindowPosChange change{width, height, flags};
    if (snap) {
        dispatch(h.main, wm::windowPosChanging, 0, reinterpret_cast<intptr_t>(&change));
    }
    if ((flags & swp::noSize) != 0) {
        change.width = h.main->rect.right - h.main->rect.left;
        change.height = h.main->rect.bottom - h.main->rect.top;
    }
    h.main->rect = {left, top, left + change.width, top + change.height};
    if (!h.minimized) {
        h.normalRect = h.main->rect;
    }
    platform::WindowPosChange changed{change.width, change.height, flags};
    dispatch(h.main, wm::windowPosChanged, 0, reinterpret_cast<intptr_t>(&changed));
}

// What TranslateMessage makes of a key: the character it types, or -1.
int32_t keyCharacter(int key) {
    const Host& h = host();
    const bool control = h.keysDown.count(vk::control) != 0;
    const bool shift = h.keysDown.count(vk::shift) != 0;
    if (h.keysDown.count(vk::alt) != 0) {
        return -1;
    }
    if (key >= 'A' && key <= 'Z') {
        if (control) {
            return key - 'A' + 1;
        }
        return shift ? key : key + 32;
    }
    if (key >= '0' && key <= '9' && !control) {
        return key;
    }
    switch (key) {
    case vk::space:
        return ' ';
    case vk::tab:
        return 9;
    case vk::enter:
        return 13;
    case vk::escape:
        return 27;
    case vk::back:
        return 8;
    default:
        return -1;
    }
}

bool translateAccelerator(const QueuedMessage& message) {
    if (message.message != wm::keyDown && message.message != wm::sysKeyDown) {
        return false;
    }
    const Host& h = host();
    const bool control = h.keysDown.count(vk::control) != 0;
    const bool alt = h.keysDown.count(vk::alt) != 0;
    const bool shift = h.keysDown.count(vk::shift) != 0;
    for (const Accelerator& entry : resourceScript().accelerators) {
        if (entry.key == static_cast<int>(message.wParam) && entry.control == control &&
            entry.alt == alt && entry.shift == shift) {
            // While a window holds the mouse capture (a button is held in a pane), the key is
            // taken as the accelerator but no command is sent, as Wine's TranslateAccelerator
            // does: no command starts in the middle of a press.
            if (h.capture == nullptr) {
                dispatch(h.main, wm::command, 0x10000u | static_cast<uint32_t>(entry.command), 0);
            }
            return true;
        }
    }
    return false;
}

bool isInput(uint32_t message) {
    return (message >= wm::keyDown && message <= wm::sysCharacter) ||
           (message >= wm::mouseMove && message <= wm::mouseWheel);
}

// One turn of a modal loop (a message box's or a dialog's): no routing and no accelerators,
// and no input at all for the windows the box disabled (an owned box disables the main window
// and with it the panes).
void runModalMessage(const QueuedMessage& message) {
    const Host& h = host();
    if (isInput(message.message)) {
        const bool disabled = std::any_of(h.modalOwners.begin(), h.modalOwners.end(),
                                          [](platform::Window owner) { return owner != nullptr; });
        if (disabled) {
            return;
        }
    }
    if ((message.message == wm::keyDown || message.message == wm::sysKeyDown) &&
        message.character >= 0) {
        host().queue.push_back(
            {message.window, wm::character, static_cast<uintptr_t>(message.character), 0, -1});
    }
    dispatch(message.window, message.message, message.wParam, message.lParam);
}

// One turn of the program's message loop.
void runLoopMessage(QueuedMessage message) {
    if (!host().modalOwners.empty()) {
        runModalMessage(message);
        return;
    }
    if (!routeLoopMessage(message.window, message.message, message.wParam)) {
        return;
    }
    if (state.accelerators != nullptr && translateAccelerator(message)) {
        return;
    }
    if ((message.message == wm::keyDown || message.message == wm::sysKeyDown) &&
        message.character >= 0) {
        host().queue.push_back(
            {message.window, wm::character, static_cast<uintptr_t>(message.character), 0, -1});
    }
    dispatch(message.window, message.message, message.wParam, message.lParam);
}

void postKey(uint32_t message, int key) {
    Host& h = host();
    const int32_t character = message == wm::keyDown ? keyCharacter(key) : -1;
    const bool alt = h.keysDown.count(vk::alt) != 0 && key != vk::alt;
    uint32_t kind = message;
    if (alt) {
        kind = message == wm::keyDown ? wm::sysKeyDown : wm::sysKeyUp;
    }
    h.queue.push_back({h.focus, kind, static_cast<uintptr_t>(key), 0, character});
}

} // namespace

Host& host() {
    return *current;
}

std::string Grid::text(int32_t row) const {
    std::string result;
    for (int32_t column = 0; column < columns; ++column) {
        const int32_t c = at(column, row).character;
        result += c >= 0 ? static_cast<char>(c) : '.';
    }
    return result;
}

Cell look(const Cell& cell) {
    if (cell.character == filled || cell.character == ' ') {
        return {filled, cell.background, cell.background};
    }
    return cell;
}

bool looksSame(const Grid& a, const Grid& b) {
    if (a.columns != b.columns || a.rows != b.rows) {
        return false;
    }
    for (size_t i = 0; i < a.cells.size(); ++i) {
        if (!(look(a.cells[i]) == look(b.cells[i]))) {
            return false;
        }
    }
    return true;
}

intptr_t dispatch(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Host& h = host();
    if (window == nullptr) {
        return 0;
    }
    switch (window->kind) {
    case platform::WindowObject::Kind::main: {
        const Outcome outcome = mainWindowProc(window, message, wParam, lParam);
        if (!outcome.useDefault) {
            return outcome.result;
        }
        if (message == wm::cancelMode && h.capture != nullptr) {
            platform::releaseCapture();
        }
        if (message == wm::windowPosChanged) {
            const auto* change = reinterpret_cast<const platform::WindowPosChange*>(lParam);
            if ((change->flags & swp::noSize) == 0) {
                dispatch(window, wm::size, h.minimized ? sizeKind::minimized : sizeKind::restored,
                         static_cast<intptr_t>(h.minimized ? 0 : packedClientSize()));
            }
        }
        return 0;
    }
    case platform::WindowObject::Kind::pane: {
        const Outcome outcome = paneWindowProc(window, message, wParam, lParam);
        if (!outcome.useDefault) {
            return outcome.result;
        }
        if (message == wm::mouseWheel) {
            // The default processing hands the wheel to the parent.
            return dispatch(h.main, message, wParam, lParam);
        }
        return 0;
    }
    default:
        return 0;
    }
}

void paintInvalid(platform::Window window) {
    if (window->invalid.empty()) {
        return;
    }
    platform::DrawObject dc;
    dc.window = window;
    dc.target = &window->grid;
    dc.painting = true;
    dc.clip = std::move(window->invalid);
    window->invalid.clear();
    // As on Win32, the paint is told the bounding box of the region and drawing is clipped to
    // the region itself.
    int32_t top = dc.clip.front().top;
    int32_t bottom = dc.clip.front().bottom;
    for (const platform::Rect& r : dc.clip) {
        top = std::min(top, r.top);
        bottom = std::max(bottom, r.bottom);
    }
    PaintRequest request{&dc, top, bottom};
    const Outcome outcome =
        paneWindowProc(window, wm::paint, 0, reinterpret_cast<intptr_t>(&request));
    (void)outcome;
}

void fitGrid(platform::Window window) {
    const Metrics& m = host().metrics;
    const int32_t columns = (clientWidth(window) + m.charWidth - 1) / m.charWidth;
    const int32_t rows = (clientHeight(window) + m.lineHeight - 1) / m.lineHeight;
    Grid fitted;
    fitted.columns = std::max(columns, 0);
    fitted.rows = std::max(rows, 0);
    fitted.cells.assign(static_cast<size_t>(fitted.columns) * static_cast<size_t>(fitted.rows),
                        Cell{unpainted, 0xFF00FF, 0xFF00FF});
    const Grid& old = window->grid;
    for (int32_t row = 0; row < std::min(old.rows, fitted.rows); ++row) {
        for (int32_t column = 0; column < std::min(old.columns, fitted.columns); ++column) {
            fitted.at(column, row) = old.at(column, row);
        }
    }
    window->grid = std::move(fitted);
}

// ---- The host -----------------------------------------------------------------------------

void reset(const Metrics& metrics) {
    if (current != nullptr) {
        releaseDocument();
        delete current;
    }
    current = new Host;
    current->metrics = metrics;
    current->stockFont.metrics = {metrics.charWidth, metrics.lineHeight, 0, 400, 0, 0x31};
    resetEditorState();
    resetFaults();
}

bool start(const char* commandLine) {
    if (!createMainWindow(sw::showDefault)) {
        return false;
    }
    postCommandLineFile(commandLine);
    pump();
    return true;
}

void pump() {
    Host& h = host();
    for (;;) {
        if (!h.queue.empty()) {
            const QueuedMessage message = h.queue.front();
            h.queue.pop_front();
            runLoopMessage(message);
            continue;
        }
        if (h.quit) {
            return;
        }
        bool painted = false;
        for (platform::Window pane : h.panes) {
            if (!pane->invalid.empty()) {
                paintInvalid(pane);
                painted = true;
            }
        }
        if (!painted) {
            return;
        }
    }
}

bool quitPosted() {
    return host().quit;
}

void finish() {
    releaseDocument();
}

// ---- Windows ------------------------------------------------------------------------------

platform::Window mainWindow() {
    return host().main;
}
platform::Window pane(int index) {
    return state.panes[index];
}
platform::Window focus() {
    return host().focus;
}
std::string title() {
    return host().main == nullptr ? std::string() : host().main->text;
}
const Grid& grid(int paneIndex) {
    return state.panes[paneIndex]->grid;
}

Grid repaintedGrid(int paneIndex) {
    platform::Window window = state.panes[paneIndex];
    Grid scratch = window->grid;
    std::fill(scratch.cells.begin(), scratch.cells.end(), Cell{unpainted, 0xFF00FF, 0xFF00FF});
    platform::DrawObject dc;
    dc.window = window;
    dc.target = &scratch;
    const int calls = window->textCalls;
    dc.ignorePopups = true;
    PaintRequest request{&dc, 0, clientHeight(window)};
    paneWindowProc(window, wm::paint, 0, reinterpret_cast<intptr_t>(&request));
    window->textCalls = calls;
    // What a popup covers cannot be seen; it is repainted when the popup goes.
    for (int32_t row = 0; row < scratch.rows; ++row) {
        for (int32_t column = 0; column < scratch.columns; ++column) {
            if (underPopup(paneIndex, column, row)) {
                scratch.at(column, row) = window->grid.at(column, row);
            }
        }
    }
    return scratch;
}

platform::Rect windowRect(platform::Window window) {
    return window->rect;
}

int32_t clientWidth(platform::Window window) {
    const int32_t width = window->rect.right - window->rect.left;
    if (window->kind == platform::WindowObject::Kind::main) {
        return mainClientWidth(width);
    }
    return window->kind == platform::WindowObject::Kind::pane
               ? std::max(width - 2 * host().metrics.cxBorder, 0)
               : width;
}

int32_t clientHeight(platform::Window window) {
    const int32_t width = window->rect.right - window->rect.left;
    const int32_t height = window->rect.bottom - window->rect.top;
    if (window->kind == platform::WindowObject::Kind::main) {
        return mainClientHeight(width, height);
    }
    return window->kind == platform::WindowObject::Kind::pane
               ? std::max(height - 2 * host().metrics.cxBorder, 0)
               : height;
}

bool isVisible(platform::Window window) {
    return window->visible;
}
const ScrollBar& scrollBar() {
    return host().scrollBar;
}
const Caret& caret() {
    return host().caret;
}
int textCalls(int paneIndex) {
    return state.panes[paneIndex]->textCalls;
}

void resetCounters() {
    for (platform::Window pane : host().panes) {
        pane->textCalls = 0;
    }
}

std::string windowText(platform::Window window) {
    return window->text;
}

bool underPopup(int paneIndex, int32_t column, int32_t row) {
    const Metrics& m = host().metrics;
    const platform::Rect pixels{column * m.charWidth, row * m.lineHeight,
                                (column + 1) * m.charWidth, (row + 1) * m.lineHeight};
    return popupOver(state.panes[paneIndex], pixels) != nullptr;
}

// ---- Input --------------------------------------------------------------------------------

void keyDown(int key) {
    postKey(wm::keyDown, key);
    host().keysDown.insert(key);
    pump();
}

void keyUp(int key) {
    host().keysDown.erase(key);
    postKey(wm::keyUp, key);
    pump();
}

void press(int key, std::initializer_list<int> modifiers) {
    Host& h = host();
    for (int modifier : modifiers) {
        h.keysDown.insert(modifier);
        postKey(wm::keyDown, modifier);
    }
    postKey(wm::keyDown, key);
    pump();
    postKey(wm::keyUp, key);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) {
        h.keysDown.erase(*it);
        postKey(wm::keyUp, *it);
    }
    pump();
}

void type(const std::string& text) {
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (std::islower(code) || std::isdigit(code) || c == ' ') {
            press(c == ' ' ? vk::space : std::toupper(code));
        } else if (std::isupper(code)) {
            press(code, {vk::shift});
        } else {
            character(code);
        }
    }
}

void character(uint8_t code) {
    host().queue.push_back({host().focus, wm::character, code, 0, -1});
    pump();
}

void command(int id, intptr_t lParam) {
    host().queue.push_back({host().main, wm::command, static_cast<uintptr_t>(id), lParam, -1});
    pump();
}

void resizeWindow(int32_t width, int32_t height) {
    Host& h = host();
    platform::TrackingLimits limits{};
    dispatch(h.main, wm::getMinMaxInfo, 0, reinterpret_cast<intptr_t>(&limits));
    width = std::max(width, limits.minWidth);
    height = std::max(height, limits.minHeight);
    if (limits.maxWidth > 0) {
        width = std::min(width, limits.maxWidth);
    }
    if (limits.maxHeight > 0) {
        height = std::min(height, limits.maxHeight);
    }
    applyMainRect(h.main->rect.left, h.main->rect.top, width, height, 0);
    pump();
}

void resizeWithoutSnapping(int32_t width, int32_t height) {
    Host& h = host();
    applyMainRect(h.main->rect.left, h.main->rect.top, width, height, 0, false);
    pump();
}

void minimizeWindow() {
    Host& h = host();
    h.minimized = true;
    dispatch(h.main, wm::size, sizeKind::minimized, 0);
    pump();
}

void restoreWindow() {
    Host& h = host();
    h.minimized = false;
    dispatch(h.main, wm::size, sizeKind::restored, static_cast<intptr_t>(packedClientSize()));
    pump();
}

void moveWindow(int32_t left, int32_t top) {
    applyMainRect(left, top, 0, 0, swp::noSize);
    pump();
}

void scroll(int code, int32_t trackPosition) {
    host().scrollBar.trackPosition = trackPosition;
    dispatch(host().main, wm::vscroll, static_cast<uintptr_t>(code), 0);
    pump();
}

void wheel(int delta) {
    const auto packed = static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16;
    dispatch(host().focus != nullptr ? host().focus : host().main, wm::mouseWheel, packed, 0);
    pump();
}

void changeWheelSetting(uint32_t lines) {
    host().metrics.wheelLines = lines;
    dispatch(host().main, wm::settingChange, 0, 0);
    pump();
}

void dropFiles(const std::vector<std::string>& paths) {
    Host& h = host();
    h.drop = std::make_unique<platform::DropObject>();
    h.drop->paths = paths;
    h.dropReleased = false;
    h.queue.push_back({h.main, wm::dropFiles, reinterpret_cast<uintptr_t>(h.drop.get()), 0, -1});
    pump();
}

bool dropReleased() {
    return host().dropReleased;
}

void activate() {
    Host& h = host();
    if (h.focus != nullptr && h.focus != h.main) {
        dispatch(h.focus, wm::killFocus, 0, 0);
    }
    h.focus = h.main;
    dispatch(h.main, wm::setFocus, 0, 0);
    pump();
}

void closeWindow() {
    host().queue.push_back({host().main, wm::close, 0, 0, -1});
    pump();
}

// ---- Mouse and timers -----------------------------------------------------------------------

namespace {

void postMouse(uint32_t message, Point at) {
    Host& h = host();
    platform::Window target = h.capture;
    if (target == nullptr) {
        for (platform::Window pane : h.panes) {
            const platform::Rect& r = pane->rect;
            if (at.x >= r.left && at.x < r.right && at.y >= r.top && at.y < r.bottom) {
                target = pane;
            }
        }
    }
    if (target == nullptr) {
        return; // the main window's own client area takes no mouse input
    }
    const Point origin = clientOrigin(target);
    const auto x = static_cast<uint16_t>(at.x - origin.x);
    const auto y = static_cast<uint16_t>(at.y - origin.y);
    const uintptr_t buttons = (h.leftHeld ? uintptr_t{mk::leftButton} : 0) |
                              (h.rightHeld ? uintptr_t{mk::rightButton} : 0);
    h.queue.push_back({target, message, buttons, static_cast<intptr_t>(x | uint32_t{y} << 16), -1});
    pump();
}

} // namespace

Point clientOrigin(platform::Window window) {
    const int32_t border =
        window->kind == platform::WindowObject::Kind::pane ? host().metrics.cxBorder : 0;
    return {window->rect.left + border, window->rect.top + border};
}

platform::Window popupOver(platform::Window pane, const platform::Rect& pixels) {
    if (pane->kind != platform::WindowObject::Kind::pane) {
        return nullptr;
    }
    const Point origin = clientOrigin(pane);
    for (const auto& window : host().windows) {
        const platform::Rect& r = window->rect;
        if (window->kind == platform::WindowObject::Kind::inspector && window->visible &&
            pixels.left + origin.x < r.right && r.left < pixels.right + origin.x &&
            pixels.top + origin.y < r.bottom && r.top < pixels.bottom + origin.y) {
            return window.get();
        }
    }
    return nullptr;
}

void uncoverPanes(platform::Window popup) {
    if (!popup->visible) {
        return;
    }
    for (platform::Window pane : host().panes) {
        const Point origin = clientOrigin(pane);
        const platform::Rect& r = popup->rect;
        platform::invalidateRect(
            pane, {r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y},
            false);
    }
}

Point cellPoint(int paneIndex, int32_t column, int32_t row) {
    const Point origin = clientOrigin(state.panes[paneIndex]);
    const Metrics& m = host().metrics;
    return {origin.x + column * m.charWidth + m.charWidth / 2,
            origin.y + row * m.lineHeight + m.lineHeight / 2};
}

void mouseDown(Point at) {
    host().leftHeld = true;
    postMouse(wm::leftButtonDown, at);
}
void mouseMove(Point at) {
    postMouse(wm::mouseMove, at);
}
void mouseUp(Point at) {
    host().leftHeld = false;
    postMouse(wm::leftButtonUp, at);
}
void doubleClick(Point at) {
    mouseDown(at);
    mouseUp(at);
    host().leftHeld = true;
    postMouse(wm::leftButtonDoubleClick, at);
    mouseUp(at);
}
void rightDown(Point at) {
    host().rightHeld = true;
    postMouse(wm::rightButtonDown, at);
}
void rightUp(Point at) {
    host().rightHeld = false;
    postMouse(wm::rightButtonUp, at);
}

platform::Window capture() {
    return host().capture;
}

bool timerRunning(uint32_t id) {
    return host().timers.count(id) != 0;
}

void tick(int count) {
    for (int i = 0; i < count; ++i) {
        Host& h = host();
        for (const uint32_t id : h.timers) {
            h.queue.push_back({h.main, wm::timer, id, 0, -1});
        }
        pump();
    }
}

// ---- Modal loops ----------------------------------------------------------------------------

void duringNextModal(std::function<void()> action) {
    host().modalActions.push_back(std::move(action));
}

void enterModal(platform::Window owner) {
    Host& h = host();
    // Showing a box cancels the mouse modes of the active window (its capture among them).
    dispatch(h.main, wm::cancelMode, 0, 0);
    h.modalOwners.push_back(owner);
    if (!h.modalActions.empty()) {
        const std::function<void()> action = std::move(h.modalActions.front());
        h.modalActions.pop_front();
        action();
    }
    pump();
}

void leaveModal() {
    host().modalOwners.pop_back();
}

} // namespace headless

// ---- Platform services: windows and messages --------------------------------------------

namespace platform {

using headless::host;
using Kind = WindowObject::Kind;

intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return headless::dispatch(window, message, wParam, lParam);
}

void postMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    host().queue.push_back({window, message, wParam, lParam, -1});
}

void postQuit(int exitCode) {
    host().quit = true;
    host().exitCode = exitCode;
}

bool registerWindowClasses() {
    return true;
}

Window createMainWindow(const char* title) {
    auto& h = host();
    Window window = headless::newWindow(Kind::main);
    window->text = title;
    window->rect = {1, 1, 1, 1};
    h.main = window;
    if (headless::dispatch(window, wm::create, 0, 0) == -1) {
        h.main = nullptr;
        return nullptr;
    }
    return window;
}

Window createPane(int32_t x, int32_t y, int32_t width, int32_t height) {
    Window window = headless::newWindow(Kind::pane);
    window->rect = {x, y, x + width, y + height};
    window->visible = true;
    host().panes.push_back(window);
    headless::fitGrid(window);
    invalidate(window, true);
    return window;
}

Window createInspector() {
    Window window = headless::newWindow(Kind::inspector);
    window->rect = {0, 0, 1, 1};
    return window;
}

Accelerators loadAccelerators() {
    return reinterpret_cast<Accelerators>(
        const_cast<headless::ResourceScript*>(&headless::resourceScript()));
}

void acceptDroppedFiles(Window) {}

void showWindow(Window window, int showCommand) {
    if (showCommand == sw::hide) {
        headless::uncoverPanes(window);
    }
    window->visible = showCommand != sw::hide;
    if (window == host().main && window->visible && host().focus == nullptr) {
        host().focus = window;
        headless::dispatch(window, wm::setFocus, 0, 0);
    }
}

bool isMinimized(Window window) {
    return window == host().main && host().minimized;
}

void moveWindow(Window window, int32_t x, int32_t y, int32_t width, int32_t height) {
    const Rect old = window->rect;
    window->rect = {x, y, x + width, y + height};
    if (window->kind != Kind::pane) {
        return;
    }
    headless::fitGrid(window);
    // The update region never reaches past the window.
    std::vector<Rect> invalid = std::move(window->invalid);
    window->invalid.clear();
    for (const Rect& r : invalid) {
        invalidateRect(window, r, false);
    }
    const int32_t oldWidth = old.right - old.left;
    const int32_t oldHeight = old.bottom - old.top;
    if (width != oldWidth) {
        // The pane class redraws on horizontal size changes.
        invalidate(window, true);
    } else if (height > oldHeight) {
        invalidateRect(window, {0, oldHeight - 2 * host().metrics.cxBorder, width, height}, true);
    }
}

void setWindowText(Window window, const char* text) {
    window->text = text;
}

int32_t clientHeightForSize(Window, int32_t width, int32_t height) {
    return headless::mainClientHeight(width, height);
}

Rect normalWindowRect(Window) {
    return host().normalRect;
}

void placeWindow(Window window, const Rect& normal) {
    host().minimized = false;
    window->visible = true;
    headless::applyMainRect(normal.left, normal.top, normal.right - normal.left,
                            normal.bottom - normal.top, 0);
    if (host().focus == nullptr) {
        host().focus = window;
        headless::dispatch(window, wm::setFocus, 0, 0);
    }
}

int32_t systemMetric(int index) {
    const headless::Metrics& m = host().metrics;
    switch (index) {
    case sm::cxVScroll:
        return m.cxVScroll;
    case sm::cyCaption:
        return m.cyCaption;
    case sm::cxBorder:
        return m.cxBorder;
    case sm::cyMenu:
        return m.cyMenu;
    case sm::cxFrame:
        return m.cxFrame;
    case sm::cyFrame:
        return m.cyFrame;
    case sm::cxMaximized:
        return m.cxMaximized;
    case sm::cyMaximized:
        return m.cyMaximized;
    default:
        return 0;
    }
}

uint32_t wheelScrollLines() {
    return host().metrics.wheelLines;
}

void setFocus(Window window) {
    auto& h = host();
    if (h.focus == window) {
        return;
    }
    Window old = h.focus;
    h.focus = window;
    if (old != nullptr) {
        headless::dispatch(old, wm::killFocus, 0, 0);
    }
    if (window != nullptr) {
        headless::dispatch(window, wm::setFocus, 0, 0);
    }
}

bool keyIsDown(int virtualKey) {
    return host().keysDown.count(virtualKey) != 0;
}

void showPopupAt(Window window, int32_t x, int32_t y) {
    headless::uncoverPanes(window); // from where it was, when it moves while shown
    const int32_t width = window->rect.right - window->rect.left;
    const int32_t height = window->rect.bottom - window->rect.top;
    window->rect = {x, y, x + width, y + height};
    window->visible = true;
}

Rect workAreaNear(const Rect& rect) {
    const headless::Metrics& m = host().metrics;
    if (m.monitors.empty()) {
        return {0, 0, m.cxMaximized, m.cyMaximized};
    }
    // The monitor that shares the most area with the rectangle, else the nearest one.
    auto overlap = [&](const Rect& r) {
        const int64_t w = std::min(r.right, rect.right) - std::max(r.left, rect.left);
        const int64_t h = std::min(r.bottom, rect.bottom) - std::max(r.top, rect.top);
        return w > 0 && h > 0 ? w * h : 0;
    };
    auto distance = [&](const Rect& r) {
        const int64_t dx = std::max<int64_t>({r.left - rect.right, rect.left - r.right, 0});
        const int64_t dy = std::max<int64_t>({r.top - rect.bottom, rect.top - r.bottom, 0});
        return dx * dx + dy * dy;
    };
    const Rect* best = &m.monitors.front();
    for (const Rect& r : m.monitors) {
        const int64_t a = overlap(r);
        const int64_t b = overlap(*best);
        if (a > b || (a == 0 && b == 0 && distance(r) < distance(*best))) {
            best = &r;
        }
    }
    return *best;
}

void setCapture(Window window) {
    auto& h = host();
    Window old = h.capture;
    h.capture = window;
    if (old != nullptr && old != window) {
        headless::dispatch(old, wm::captureChanged, 0, 0);
    }
}

void releaseCapture() {
    auto& h = host();
    Window old = h.capture;
    h.capture = nullptr;
    if (old != nullptr) {
        headless::dispatch(old, wm::captureChanged, 0, 0);
    }
}

void startTimer(Window, uint32_t id, uint32_t) {
    host().timers.insert(id);
}

void stopTimer(Window, uint32_t id) {
    host().timers.erase(id);
}

// ---- Caret and scroll bar -------------------------------------------------------------------

void createCaret(Window window, int32_t width, int32_t height) {
    auto& h = host();
    h.caret = {window, 0, 0, width, height, 1};
    h.caretExists = true;
}

void destroyCaret() {
    host().caret = {};
    host().caretExists = false;
}

void setCaretPosition(int32_t x, int32_t y) {
    host().caret.x = x;
    host().caret.y = y;
}

void hideCaret(Window window) {
    if (host().caretExists && host().caret.owner == window) {
        ++host().caret.hidden;
    }
}

void showCaret(Window window) {
    if (host().caretExists && host().caret.owner == window && host().caret.hidden > 0) {
        --host().caret.hidden;
    }
}

void setScrollBar(Window, int32_t maximum, int32_t page, int32_t position) {
    auto& bar = host().scrollBar;
    bar.maximum = maximum;
    bar.page = page;
    bar.position = std::clamp(position, 0, std::max(maximum - page + 1, 0));
}

void setScrollPosition(Window, int32_t position) {
    auto& bar = host().scrollBar;
    bar.position = std::clamp(position, 0, std::max(bar.maximum - bar.page + 1, 0));
}

int32_t scrollTrackPosition(Window) {
    return host().scrollBar.trackPosition;
}

} // namespace platform
