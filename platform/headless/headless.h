// The headless host: the platform the native tests run the editor on. Each pane is a grid of
// cells that records exactly what painting and inversion did; messages run through the same
// loop routing as on Windows; message boxes and file dialogs answer from a script; settings
// live in memory; memory allocation and file writes can be made to fail on demand.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace headless {

// One cell of a pane: the character drawn there (or none), its text and background colours.
struct Cell {
    int32_t character;
    uint32_t text;
    uint32_t background;
    bool operator==(const Cell& other) const {
        return character == other.character && text == other.text && background == other.background;
    }
};
constexpr int32_t unpainted = -2; // nothing was ever drawn there
constexpr int32_t filled = -1;    // filled with a brush, no character

struct Grid {
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<Cell> cells;
    const Cell& at(int32_t column, int32_t row) const {
        return cells[static_cast<size_t>(row * columns + column)];
    }
    Cell& at(int32_t column, int32_t row) {
        return cells[static_cast<size_t>(row * columns + column)];
    }
    // The characters of a row, '.' for cells without one.
    std::string text(int32_t row) const;
};

// How a cell looks: a blank character or a fill shows only its background.
Cell look(const Cell& cell);
// True when both grids look the same everywhere.
bool looksSame(const Grid& a, const Grid& b);

// The system's measurements. The defaults are those of the worked layout example: 8 x 12 pixel
// characters and a non-client height of 46.
struct Metrics {
    int32_t charWidth = 8;
    int32_t lineHeight = 12;
    int32_t cxBorder = 1;
    int32_t cyCaption = 19;
    int32_t cyMenu = 19;
    int32_t cxFrame = 4;
    int32_t cyFrame = 4;
    int32_t cxVScroll = 16;
    int32_t cxMaximized = 1032;
    int32_t cyMaximized = 776;
    uint32_t wheelLines = 3;
    // Windows narrower than this show the menu bar in two rows.
    int32_t menuWrapWidth = 0;
    // The work areas of the monitors, in workspace coordinates; none: one monitor whose work
    // area is the maximised size.
    std::vector<platform::Rect> monitors;
};

struct Point {
    int32_t x;
    int32_t y;
};

// A control of the dialog as the user sees it.
struct DialogControl {
    std::string text;
    bool visible = false;
    bool checked = false;
    bool uppercase = false;
    bool filtered = false;
    bool selected = false; // all of its text is selected: typing replaces it
    int limit = 0x7FFFFFFF;
    int32_t x = 0; // position in dialog units
    int32_t y = 0;
};

// A dialog as it was when it ended.
struct DialogRecord {
    std::map<int, DialogControl> controls;
    intptr_t result = 0;
    int32_t width = 0; // client size in dialog units
    int32_t height = 0;
};

// One step of the user's work in a dialog.
struct DialogStep {
    enum class Kind { type, click, focus, run } kind;
    std::string text;
    int id = 0;
    std::function<void()> action;
};
namespace dialog {
// Types characters into the control that has the focus, as the keyboard would.
DialogStep type(const std::string& text);
// Clicks a button (a check box changes its state first), or presses Enter (1) or Escape (2).
DialogStep click(int id);
DialogStep focus(int id);
// Something the user does outside the dialog while it is open (input to the windows beneath,
// timer ticks): it runs in the dialog's modal loop.
DialogStep run(std::function<void()> action);
// Clicks a button of the newest open dialog from outside its steps, as the user may while a
// box is open above it: nothing happens when that box disabled the dialog (it owns it).
void clickOpenDialog(int id);
} // namespace dialog

struct MessageBoxCall {
    platform::Window owner;
    std::string text;
    std::string caption;
    unsigned style;
    int answer;
};

struct FileDialogCall {
    bool save;
    std::string title;
    uint32_t flags;
    std::string folder; // where it started; empty: the system's choice
};

struct ScrollBar {
    int32_t maximum = 0;
    int32_t page = 0;
    int32_t position = 0;
    int32_t trackPosition = 0;
};

struct Caret {
    platform::Window owner = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int hidden = 0;
};

// ---- The host -----------------------------------------------------------------------------
// A fresh host and editor state, releasing what an earlier run left.
void reset(const Metrics& metrics = Metrics());
// Start-up as the program's entry point runs it, then the messages it posted.
bool start(const char* commandLine = "");
// Handles the queued messages, then the pending paints, until nothing is left (or the quit
// message has been posted).
void pump();
bool quitPosted();
// Releases the document and undo log, as the program does once its loop has ended.
void finish();

// ---- Windows ------------------------------------------------------------------------------
platform::Window mainWindow();
platform::Window pane(int index);
platform::Window focus();
std::string title();
const Grid& grid(int pane);
// What a full repaint of the pane from scratch draws.
Grid repaintedGrid(int pane);
// The window's rectangle: the main window's on the screen, a pane's in the main window.
platform::Rect windowRect(platform::Window window);
int32_t clientWidth(platform::Window window);
int32_t clientHeight(platform::Window window);
bool isVisible(platform::Window window);
const ScrollBar& scrollBar();
const Caret& caret();
// Text output calls made on the pane since the last resetCounters.
int textCalls(int pane);
void resetCounters();
std::string windowText(platform::Window window);
// True when a visible popup covers the pane's cell: the pane does not draw there.
bool underPopup(int pane, int32_t column, int32_t row);

// ---- Input --------------------------------------------------------------------------------
// A key pressed and released with the modifier keys held, through the message loop.
void press(int virtualKey, std::initializer_list<int> modifiers = {});
void keyDown(int virtualKey);
void keyUp(int virtualKey);
// Types text with the keys that produce it.
void type(const std::string& text);
// A character message for the focused window, through the loop (characters no key produces).
void character(uint8_t code);
void command(int id, intptr_t lParam = 0);
// The user drags the window's frame to this size (the tracking limits apply).
void resizeWindow(int32_t width, int32_t height);
// The system imposes a size without letting the window snap it (as a maximised window on some
// screens may get): the panes can then end in a partly visible row.
void resizeWithoutSnapping(int32_t width, int32_t height);
void minimizeWindow();
void restoreWindow();
void moveWindow(int32_t left, int32_t top);
void scroll(int code, int32_t trackPosition = 0);
void wheel(int delta);
void changeWheelSetting(uint32_t lines);
void dropFiles(const std::vector<std::string>& paths);
bool dropReleased();
// The main window gets the focus (the program is activated again).
void activate();
void closeWindow();

// ---- Mouse and timers -----------------------------------------------------------------------
// Points are in the main window's client area; the window under the point receives the
// message, or the window that holds the capture, in its own client coordinates. Each message
// carries the buttons held, as Win32's do; a release outside every pane reaches the editor only
// through the capture.
Point cellPoint(int pane, int32_t column, int32_t row); // the middle of a pane's cell
void mouseDown(Point at);
void mouseMove(Point at);
void mouseUp(Point at);
// A click and a second click that the system reports as a double click.
void doubleClick(Point at);
void rightDown(Point at);
void rightUp(Point at);
platform::Window capture();
bool timerRunning(uint32_t id);
// One tick of every running timer, through the message loop.
void tick(int count = 1);

// ---- Scripted answers ---------------------------------------------------------------------
// Something the user does while the next message box, file dialog or dialog is open, before
// answering it: it runs in that box's modal loop, which delivers input without the program's
// routing and accelerators, and none at all to windows the box disables (its owner's).
void duringNextModal(std::function<void()> action);
// The steps of the user in the next dialogs (one list per dialog). A dialog still open when
// its steps run out is cancelled with Escape; a dialog without steps is cancelled at once.
void answerDialog(std::vector<DialogStep> steps);
std::vector<DialogRecord>& dialogsShown();
// Answers for the next message boxes; unscripted boxes are answered with their first button.
void answerMessageBoxes(std::initializer_list<int> answers);
std::vector<MessageBoxCall>& messageBoxes();
// Paths the next file dialogs return; an empty path cancels. Unscripted dialogs are cancelled.
void chooseFiles(std::initializer_list<std::string> paths);
std::vector<FileDialogCall>& fileDialogs();

// ---- Settings, memory and files -------------------------------------------------------------
// The stored settings, by "key\value". They outlive a reset, as the registry outlives a run.
std::map<std::string, std::vector<uint8_t>>& settings();
void clearSettings();
// The next `after` allocations succeed, then `count` fail (count < 0: all of them).
void failAllocations(int after, int count = 1);
// Every file write from now on stores at most this many more bytes in all (< 0: no limit).
void limitWrites(int64_t bytes);
// The number of memory allocations asked for so far (each one a point that can be made to fail).
int allocationCount();
// Runs once the next file opened for reading has been measured, right before the first read
// from it (the file can change meanwhile, as another program may change it).
void afterNextOpen(std::function<void(const char* path)> action);

// ---- The clipboard, as other programs see it ------------------------------------------------
// Places a block as another program would; size is the block's allocated size, which may be
// larger than the data (the rest is zero) or, for a lying count, anything.
void putOnClipboard(uint32_t format, const std::vector<uint8_t>& data, size_t size = 0);
void clearClipboard();
// While held, the clipboard cannot be opened.
void holdClipboard(bool held);
bool clipboardHas(uint32_t format);
// The data of the clipboard's block of the format (empty when there is none).
std::vector<uint8_t> clipboardData(uint32_t format);

} // namespace headless
