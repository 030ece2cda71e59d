// The small set of window-system services the editor logic uses. Two implementations exist and
// one is chosen at link time: the real one over the Win32 interface (platform/win32) and the
// headless host the tests drive (platform/headless). Nothing here is a general toolkit: each
// function is what some part of the editor asks of the system, under the name of what it does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Opaque handles. In the win32 implementation they are the Win32 handles themselves.
struct WindowObject;
using Window = WindowObject*;
struct DrawObject;
using DrawContext = DrawObject*;
struct FontObject;
using Font = FontObject*;
struct FileObject;
using File = FileObject*;
struct DropObject;
using DropHandle = DropObject*;
struct AcceleratorObject;
using Accelerators = AcceleratorObject*;
struct InstanceObject;
using Instance = InstanceObject*;
// A movable block of global memory, the form in which data travels through the clipboard.
struct SharedObject;
using SharedBlock = SharedObject*;

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// ---- Memory ------------------------------------------------------------------------------
// One resizable block of bytes whose address may change when it is resized. Every function
// returns null when the memory cannot be had; a failed resize leaves the old block as it was.
void* allocateBlock(std::size_t bytes);
void* resizeBlock(void* block, std::size_t bytes);
void freeBlock(void* block);

// ---- Messages ----------------------------------------------------------------------------
intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void postMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Posts the quit message that ends the message loop with the given exit code.
void postQuit(int exitCode);

// The size change proposed to the main window (WM_WINDOWPOSCHANGING); the handler may change
// the width and height.
struct WindowPosChange {
    int32_t width;
    int32_t height;
    uint32_t flags; // swp:: flags
};

// The tracking limits asked for by WM_GETMINMAXINFO.
struct TrackingLimits {
    int32_t minWidth;
    int32_t minHeight;
    int32_t maxWidth; // maximum tracking size and maximised size
    int32_t maxHeight;
};

// ---- Windows -----------------------------------------------------------------------------
// Registers the window classes "Main" and "IEDIT".
bool registerWindowClasses();
// Creates the main window (class "Main") with the given title; the creation message reaches the
// main window procedure before this returns. Null on failure.
Window createMainWindow(const char* title);
// Creates a pane (class "IEDIT"), a bordered visible child of the main window.
Window createPane(int32_t x, int32_t y, int32_t width, int32_t height);
// Creates the hidden static text child of the main window used by the value inspector.
Window createInspector();
Accelerators loadAccelerators();
void acceptDroppedFiles(Window window);
void showWindow(Window window, int showCommand);
bool isMinimized(Window window);
// Moves and sizes a child window without changing its z-order.
void moveWindow(Window window, int32_t x, int32_t y, int32_t width, int32_t height);
void setWindowText(Window window, const char* text);
// The client height a window of the given outer size would have (the menu bar may wrap).
int32_t clientHeightForSize(Window window, int32_t width, int32_t height);
// The window's normal (restored) rectangle, also while it is maximised or minimised.
Rect normalWindowRect(Window window);
// Sets the normal rectangle and shows the window in its normal state.
void placeWindow(Window window, const Rect& normal);
int32_t systemMetric(int index);
// Lines to scroll per wheel notch (the system setting).
uint32_t wheelScrollLines();
void setFocus(Window window);
bool keyIsDown(int virtualKey);
// Moves a hidden child window to (x, y) without resizing it, puts it on top of its siblings and
// shows it without activating it. Panes never draw over a sibling above them.
void showPopupAt(Window window, int32_t x, int32_t y);
// The work area of the monitor nearest to a rectangle, in the same workspace coordinates as
// the window placement.
Rect workAreaNear(const Rect& rect);

// ---- Mouse capture and timers ----------------------------------------------------------------
// While captured, every mouse message goes to the window, in its client coordinates.
void setCapture(Window window);
void releaseCapture();
// Starts (or restarts) a timer whose ticks arrive as wm::timer messages of the window.
void startTimer(Window window, uint32_t id, uint32_t milliseconds);
void stopTimer(Window window, uint32_t id);

// ---- Fonts -------------------------------------------------------------------------------
struct FontMetrics {
    int32_t averageWidth;
    int32_t height;
    int32_t externalLeading;
    int32_t weight;
    uint8_t charSet;
    uint8_t pitchAndFamily;
};
struct FontRequest {
    int32_t height;
    int32_t weight;
    uint8_t charSet;
    uint8_t pitchAndFamily;
};
Font stockFixedFont();
Font createFont(const FontRequest& request);
FontMetrics measureFont(Window window, Font font);
// Sets the font a control draws its text with, without redrawing it.
void setWindowFont(Window window, Font font);

// ---- Painting ----------------------------------------------------------------------------
// Drawing is done in cell units: column and row of a grid of cellWidth x cellHeight pixels.
DrawContext getDrawContext(Window window);
void releaseDrawContext(Window window, DrawContext dc);
// Selects the font and maps logical point (column, row) to pixel (column x cellWidth,
// row x cellHeight).
void useCellCoordinates(DrawContext dc, Font font, int32_t cellWidth, int32_t cellHeight);
void setTextColor(DrawContext dc, uint32_t color);
uint32_t backgroundColor(DrawContext dc);
void setBackgroundColor(DrawContext dc, uint32_t color);
// Draws count characters opaquely, one per cell, from the given cell on.
void drawText(DrawContext dc, int32_t column, int32_t row, const char* text, int32_t count);
// Fills the cells [left, right) x [top, bottom) with the stock white brush.
void fillWhite(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Inverts every pixel of the cells [left, right) x [top, bottom).
void invertCells(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
void invalidate(Window window, bool erase);
// Invalidates a rectangle given in pixels.
void invalidateRect(Window window, const Rect& pixels, bool erase);
// Paints what is invalid now, synchronously.
void updateWindow(Window window);
// Moves the window's contents (and its invalid region) by dy pixels; the uncovered strip
// becomes invalid.
void scrollWindow(Window window, int32_t dy);

// ---- Caret -------------------------------------------------------------------------------
void createCaret(Window window, int32_t width, int32_t height);
void destroyCaret();
void setCaretPosition(int32_t x, int32_t y);
void hideCaret(Window window);
void showCaret(Window window);

// ---- Vertical scroll bar of a window -----------------------------------------------------
// Range 0 ... maximum, page size and position; the bar is disabled, not hidden, when there is
// nothing to scroll.
void setScrollBar(Window window, int32_t maximum, int32_t page, int32_t position);
void setScrollPosition(Window window, int32_t position);
// Where the user left the thumb.
int32_t scrollTrackPosition(Window window);

// ---- Message boxes, resources, file dialogs -----------------------------------------------
int messageBox(Window owner, const char* text, const char* caption, unsigned style);
// Loads string id of the string table into buffer (terminated); returns its length, 0 when
// there is no such string.
int loadString(int id, char* buffer, int bufferSize);
// The notice text (resource type 256, id 1) and its length; it has no terminator.
bool loadNotice(const char** text, std::size_t* length);
// Runs the common Open (save false) or Save dialog, starting in folder (the system's choice when
// it is empty); path receives the chosen path. The dialog takes paths of at most 255 UTF-16
// units.
bool chooseFile(char* path, std::size_t pathSize, bool save, const char* title, uint32_t flags,
                const char* folder);

// ---- Files -------------------------------------------------------------------------------
// Every path here is UTF-8 text, whatever the system's code page, so that a name in any script
// reaches the file; so is the main window's title.
File openFileForReading(const char* path);
File openFileForWriting(const char* path); // an existing file, not emptied
File createFile(const char* path);         // created, or emptied when it exists
// The size in bytes, or -1 when it cannot be told.
int64_t fileSize(File file);
std::size_t readFile(File file, void* buffer, std::size_t count);
std::size_t writeFile(File file, const void* buffer, std::size_t count);
// Ends the file at the current position, cutting whatever a longer file held after it.
bool endFileHere(File file);
void closeFile(File file);

// ---- Dropped files -----------------------------------------------------------------------
// The first dropped path into buffer; false when there is none, or it is longer than 255 UTF-16
// units, or it does not fit.
bool firstDroppedPath(DropHandle drop, char* buffer, std::size_t bufferSize);
void releaseDrop(DropHandle drop);

// ---- Clipboard ---------------------------------------------------------------------------
uint32_t registerClipboardFormat(const char* name);
// Movable blocks for the clipboard; null when the memory cannot be had.
SharedBlock allocateShared(std::size_t bytes);
void* lockShared(SharedBlock block);
void unlockShared(SharedBlock block);
// The allocated size of the block, which may exceed what was asked for.
std::size_t sharedSize(SharedBlock block);
void freeShared(SharedBlock block);
// False when another program holds the clipboard.
bool openClipboard(Window owner);
void emptyClipboard();
// Hands the block to the clipboard; false (the block stays the caller's) when it refuses.
bool setClipboardData(uint32_t format, SharedBlock block);
// The clipboard's block of the format (still the clipboard's), or null.
SharedBlock clipboardData(uint32_t format);
bool clipboardHasFormat(uint32_t format);
void closeClipboard();

// ---- The one-line dialog (template 1) ------------------------------------------------------
// A dialog procedure receives wm::initDialog (lParam: the parameter given to runDialog) and
// wm::command (low word: the control, high word: the notification); it returns nonzero for
// the messages it handled, like a Win32 dialog procedure.
using DialogProcedure = intptr_t (*)(Window dialog, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);
// Runs dialog template 1 modally, owned by the main window; returns what endDialog was given,
// or -1 when the dialog could not be created.
intptr_t runDialog(DialogProcedure procedure, void* parameter);
void endDialog(Window dialog, intptr_t result);
void setControlText(Window dialog, int id, const char* text);
// Copies the control's text into buffer (terminated, cut to size - 1); returns its length.
int controlText(Window dialog, int id, char* buffer, int size);
// Shows the control without activating it, or hides it.
void showControl(Window dialog, int id, bool show);
bool isChecked(Window dialog, int id);
void setChecked(Window dialog, int id, bool checked);
void focusControl(Window dialog, int id);
// Moves a control to (x, y) in dialog units, keeping its size.
void moveControl(Window dialog, int id, int32_t x, int32_t y);
// Sizes the dialog, without moving it, so that its client area is width x height dialog units.
void resizeDialog(Window dialog, int32_t width, int32_t height);
// Edit boxes: upper-case mode, the longest text, and selecting all of it.
void setEditUppercase(Window dialog, int id);
void limitEditText(Window dialog, int id, int characters);
void selectAllEditText(Window dialog, int id);
// Puts the editor's character filter in front of edit box id, keeping the box's own window
// procedure in savedEditProcs[index]: each typed character is offered to editFilterPasses
// first and reaches the box only when it passes.
void filterEditBox(Window dialog, int id, int index);

// ---- Settings ----------------------------------------------------------------------------
// Opens (creating it when missing) the key under the current user's settings and reads a binary
// value of at most size bytes; returns the number of bytes read, 0 when there is none.
std::size_t readSetting(const char* key, const char* value, void* data, std::size_t size);
void writeSetting(const char* key, const char* value, const void* data, std::size_t size);

} // namespace platform
