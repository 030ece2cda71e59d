// The platform services over the Win32 interface. Handles pass through as the Win32 handles
// they are; every function only translates its call.
#include "platform/platform.h"

#include "app/editor_state.h"
#include "app/startup.h"
#include "dialogs/input_dialog.h"
#include "platform/codes.h"
#include "platform/win32/win32_host.h"

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

static_assert(wm::create == WM_CREATE && wm::destroy == WM_DESTROY && wm::size == WM_SIZE);
static_assert(wm::setFocus == WM_SETFOCUS && wm::killFocus == WM_KILLFOCUS);
static_assert(wm::paint == WM_PAINT && wm::close == WM_CLOSE && wm::quit == WM_QUIT);
static_assert(wm::eraseBackground == WM_ERASEBKGND && wm::settingChange == WM_SETTINGCHANGE);
static_assert(wm::getMinMaxInfo == WM_GETMINMAXINFO);
static_assert(wm::windowPosChanging == WM_WINDOWPOSCHANGING);
static_assert(wm::windowPosChanged == WM_WINDOWPOSCHANGED);
static_assert(wm::keyDown == WM_KEYDOWN && wm::keyUp == WM_KEYUP && wm::character == WM_CHAR);
static_assert(wm::sysKeyDown == WM_SYSKEYDOWN && wm::sysKeyUp == WM_SYSKEYUP);
static_assert(wm::command == WM_COMMAND && wm::timer == WM_TIMER && wm::vscroll == WM_VSCROLL);
static_assert(wm::mouseMove == WM_MOUSEMOVE && wm::leftButtonDown == WM_LBUTTONDOWN);
static_assert(wm::leftButtonUp == WM_LBUTTONUP && wm::leftButtonDoubleClick == WM_LBUTTONDBLCLK);
static_assert(wm::rightButtonDown == WM_RBUTTONDOWN && wm::rightButtonUp == WM_RBUTTONUP);
static_assert(wm::mouseWheel == WM_MOUSEWHEEL && wm::dropFiles == WM_DROPFILES);
static_assert(wm::cancelMode == WM_CANCELMODE && wm::captureChanged == WM_CAPTURECHANGED);
static_assert(wm::initDialog == WM_INITDIALOG && bn::clicked == BN_CLICKED && cf::text == CF_TEXT);
static_assert(vk::back == VK_BACK && vk::tab == VK_TAB && vk::shift == VK_SHIFT);
static_assert(vk::control == VK_CONTROL && vk::alt == VK_MENU && vk::escape == VK_ESCAPE);
static_assert(vk::pageUp == VK_PRIOR && vk::pageDown == VK_NEXT && vk::end == VK_END);
static_assert(vk::home == VK_HOME && vk::left == VK_LEFT && vk::up == VK_UP);
static_assert(vk::right == VK_RIGHT && vk::down == VK_DOWN && vk::insert == VK_INSERT);
static_assert(vk::del == VK_DELETE && vk::f1 == VK_F1 && vk::f3 == VK_F3);
static_assert(mb::ok == MB_OK && mb::yesNo == MB_YESNO && mb::iconError == MB_ICONERROR);
static_assert(mb::systemModal == MB_SYSTEMMODAL);
static_assert(mk::leftButton == MK_LBUTTON && mk::rightButton == MK_RBUTTON);
static_assert(answer::ok == IDOK && answer::yes == IDYES && answer::no == IDNO);
static_assert(sb::lineUp == SB_LINEUP && sb::lineDown == SB_LINEDOWN);
static_assert(sb::pageUp == SB_PAGEUP && sb::pageDown == SB_PAGEDOWN);
static_assert(sb::thumbPosition == SB_THUMBPOSITION && sb::thumbTrack == SB_THUMBTRACK);
static_assert(sm::cxVScroll == SM_CXVSCROLL && sm::cyCaption == SM_CYCAPTION);
static_assert(sm::cxBorder == SM_CXBORDER && sm::cyMenu == SM_CYMENU);
static_assert(sm::cxFrame == SM_CXFRAME && sm::cyFrame == SM_CYFRAME);
static_assert(sm::cxMaximized == SM_CXMAXIMIZED && sm::cyMaximized == SM_CYMAXIMIZED);
static_assert(sw::hide == SW_HIDE && sw::showNormal == SW_SHOWNORMAL);
static_assert(sw::showDefault == SW_SHOWDEFAULT && swp::noSize == SWP_NOSIZE);
static_assert(sizeKind::minimized == SIZE_MINIMIZED);
static_assert(ofn::overwritePrompt == OFN_OVERWRITEPROMPT && ofn::hideReadOnly == OFN_HIDEREADONLY);
static_assert(ofn::pathMustExist == OFN_PATHMUSTEXIST && ofn::fileMustExist == OFN_FILEMUSTEXIST);

namespace platform {

namespace {

HWND hwnd(Window window) {
    return reinterpret_cast<HWND>(window);
}
HDC hdc(DrawContext dc) {
    return reinterpret_cast<HDC>(dc);
}
HANDLE handle(File file) {
    return reinterpret_cast<HANDLE>(file);
}
HINSTANCE instance() {
    return state.instance != nullptr ? reinterpret_cast<HINSTANCE>(state.instance)
                                     : GetModuleHandleA(nullptr);
}

// UTF-8 text as UTF-16, for the wide calls: held in place when it is short, as every text the
// editor shows or opens is, else on the heap. Null when the text is not valid UTF-8 or the
// memory cannot be had.
class WideText {
  public:
    explicit WideText(const char* text) {
        const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
        if (units <= 0) {
            return;
        }
        wide = units <= static_cast<int>(sizeof local / sizeof local[0])
                   ? local
                   : static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, units * sizeof(wchar_t)));
        if (wide != nullptr &&
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, units) != units) {
            release();
        }
    }
    ~WideText() { release(); }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    const wchar_t* get() const { return wide; }

  private:
    void release() {
        if (wide != nullptr && wide != local) {
            HeapFree(GetProcessHeap(), 0, wide);
        }
        wide = nullptr;
    }
    wchar_t local[filePathSize];
    wchar_t* wide = nullptr;
};

// UTF-16 text as UTF-8 into a buffer of size bytes; false (the buffer empty) when it does not
// fit.
bool toUtf8(const wchar_t* wide, char* text, std::size_t size) {
    const int written =
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, static_cast<int>(size), nullptr, nullptr);
    if (written <= 0 && size > 0) {
        text[0] = '\0';
    }
    return written > 0;
}

File openWith(const char* path, DWORD access, DWORD disposition) {
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    const WideText name(path);
    if (name.get() == nullptr) {
        return nullptr;
    }
    // Shared for reading and writing, as the classic file calls open files: a file another
    // program holds open for writing (a growing log) can still be opened and saved.
    HANDLE file = CreateFileW(name.get(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<File>(file);
}

// Reads and writes move at most this much per system call.
constexpr std::size_t largestTransfer = 1u << 30;

} // namespace

// ---- Memory -------------------------------------------------------------------------------

void* allocateBlock(std::size_t bytes) {
    return GlobalAlloc(GMEM_FIXED, std::max<std::size_t>(bytes, 1));
}

void* resizeBlock(void* block, std::size_t bytes) {
    return GlobalReAlloc(block, std::max<std::size_t>(bytes, 1), GMEM_MOVEABLE);
}

void freeBlock(void* block) {
    if (block != nullptr) {
        GlobalFree(block);
    }
}

// ---- Messages and windows -----------------------------------------------------------------

intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageA(hwnd(window), message, wParam, lParam);
}

void postMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    PostMessageA(hwnd(window), message, wParam, lParam);
}

void postQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

Window createMainWindow(const char* title) {
    const DWORD style =
        WS_CLIPCHILDREN | WS_VSCROLL | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    // A Unicode window, so that its title can show a file name in any script.
    const WideText text(title);
    return reinterpret_cast<Window>(CreateWindowExW(0, L"Main", text.get(), style, 1, 1, 0, 0,
                                                    nullptr, nullptr, instance(), nullptr));
}

Window createPane(int32_t x, int32_t y, int32_t width, int32_t height) {
    return reinterpret_cast<Window>(
        // Clipped to what siblings above them leave visible: the value inspector's popup lies
        // over the panes, and their drawing must not cover it.
        CreateWindowExA(0, "IEDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS, x, y,
                        width, height, hwnd(state.mainWindow), nullptr, instance(), nullptr));
}

Window createInspector() {
    return reinterpret_cast<Window>(CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFTNOWORDWRAP,
                                                    0, 0, 1, 1, hwnd(state.mainWindow), nullptr,
                                                    instance(), nullptr));
}

Accelerators loadAccelerators() {
    return reinterpret_cast<Accelerators>(LoadAcceleratorsA(instance(), "ACC_1"));
}

void acceptDroppedFiles(Window window) {
    DragAcceptFiles(hwnd(window), TRUE);
}
void showWindow(Window window, int showCommand) {
    ShowWindow(hwnd(window), showCommand);
}
bool isMinimized(Window window) {
    return IsIconic(hwnd(window)) != FALSE;
}

void moveWindow(Window window, int32_t x, int32_t y, int32_t width, int32_t height) {
    SetWindowPos(hwnd(window), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void setWindowText(Window window, const char* text) {
    const WideText wide(text);
    if (wide.get() != nullptr) {
        SetWindowTextW(hwnd(window), wide.get());
    }
}

int32_t clientHeightForSize(Window window, int32_t width, int32_t height) {
    RECT rect{0, 0, width, height};
    SendMessageA(hwnd(window), WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rect));
    return rect.bottom - rect.top;
}

Rect normalWindowRect(Window window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd(window), &placement);
    const RECT& r = placement.rcNormalPosition;
    return {r.left, r.top, r.right, r.bottom};
}

void placeWindow(Window window, const Rect& normal) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = {normal.left, normal.top, normal.right, normal.bottom};
    SetWindowPlacement(hwnd(window), &placement);
}

int32_t systemMetric(int index) {
    return GetSystemMetrics(index);
}

uint32_t wheelScrollLines() {
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return lines;
}

void setFocus(Window window) {
    SetFocus(hwnd(window));
}
bool keyIsDown(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

void showPopupAt(Window window, int32_t x, int32_t y) {
    SetWindowPos(hwnd(window), HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

Rect workAreaNear(const Rect& rect) {
    // Workspace coordinates are relative to the primary monitor's work area.
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const LONG dx = primary.rcWork.left;
    const LONG dy = primary.rcWork.top;
    const RECT screen{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    MONITORINFO nearest{};
    nearest.cbSize = sizeof nearest;
    GetMonitorInfoA(MonitorFromRect(&screen, MONITOR_DEFAULTTONEAREST), &nearest);
    const RECT& w = nearest.rcWork;
    return {w.left - dx, w.top - dy, w.right - dx, w.bottom - dy};
}

// ---- Mouse capture and timers ---------------------------------------------------------------

void setCapture(Window window) {
    SetCapture(hwnd(window));
}

void releaseCapture() {
    ReleaseCapture();
}

void startTimer(Window window, uint32_t id, uint32_t milliseconds) {
    SetTimer(hwnd(window), id, milliseconds, nullptr);
}

void stopTimer(Window window, uint32_t id) {
    KillTimer(hwnd(window), id);
}

// ---- Fonts --------------------------------------------------------------------------------

Font stockFixedFont() {
    // The stock font, never antialiased: Wine smooths it, and the grey edges of an inverted
    // glyph differ from those of the glyph drawn in the inverted colours, so a highlight would
    // change its look when repainted. (Windows' own stock font is a bitmap font.)
    static const HFONT font = [] {
        LOGFONTA description{};
        GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof description, &description);
        description.lfQuality = NONANTIALIASED_QUALITY;
        return CreateFontIndirectA(&description);
    }();
    return reinterpret_cast<Font>(font != nullptr ? font : GetStockObject(ANSI_FIXED_FONT));
}

Font createFont(const FontRequest& request) {
    LOGFONTA description{};
    description.lfHeight = request.height;
    description.lfWeight = request.weight;
    description.lfCharSet = request.charSet;
    description.lfPitchAndFamily = request.pitchAndFamily;
    return reinterpret_cast<Font>(CreateFontIndirectA(&description));
}

FontMetrics measureFont(Window window, Font font) {
    HDC dc = GetDC(hwnd(window));
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd(window), dc);
    return {metrics.tmAveCharWidth, metrics.tmHeight,  metrics.tmExternalLeading,
            metrics.tmWeight,       metrics.tmCharSet, metrics.tmPitchAndFamily};
}

void setWindowFont(Window window, Font font) {
    SendMessageA(hwnd(window), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// ---- Painting -----------------------------------------------------------------------------

DrawContext getDrawContext(Window window) {
    return reinterpret_cast<DrawContext>(GetDC(hwnd(window)));
}

void releaseDrawContext(Window window, DrawContext dc) {
    ReleaseDC(hwnd(window), hdc(dc));
}

void useCellCoordinates(DrawContext dc, Font font, int32_t cellWidth, int32_t cellHeight) {
    SelectObject(hdc(dc), reinterpret_cast<HGDIOBJ>(font));
    SetMapMode(hdc(dc), MM_ANISOTROPIC);
    SetWindowExtEx(hdc(dc), 1, 1, nullptr);
    SetViewportExtEx(hdc(dc), cellWidth, cellHeight, nullptr);
}

void setTextColor(DrawContext dc, uint32_t color) {
    SetTextColor(hdc(dc), color);
}
uint32_t backgroundColor(DrawContext dc) {
    return GetBkColor(hdc(dc));
}
void setBackgroundColor(DrawContext dc, uint32_t color) {
    SetBkColor(hdc(dc), color);
}

void drawText(DrawContext dc, int32_t column, int32_t row, const char* text, int32_t count) {
    // The cell mapping would scale the glyphs with it: the text is placed through the mapping
    // but drawn with the device's own units, so the fixed font keeps its size.
    HDC device = hdc(dc);
    SIZE cell{};
    GetViewportExtEx(device, &cell);
    POINT at{column, row};
    LPtoDP(device, &at, 1);
    SetMapMode(device, MM_TEXT);
    TextOutA(device, at.x, at.y, text, count);
    SetMapMode(device, MM_ANISOTROPIC);
    SetWindowExtEx(device, 1, 1, nullptr);
    SetViewportExtEx(device, cell.cx, cell.cy, nullptr);
}

void fillWhite(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const RECT rect{left, top, right, bottom};
    FillRect(hdc(dc), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void invertCells(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const RECT rect{left, top, right, bottom};
    InvertRect(hdc(dc), &rect);
}

void invalidate(Window window, bool erase) {
    InvalidateRect(hwnd(window), nullptr, erase);
}

void invalidateRect(Window window, const Rect& pixels, bool erase) {
    const RECT rect{pixels.left, pixels.top, pixels.right, pixels.bottom};
    InvalidateRect(hwnd(window), &rect, erase);
}

void updateWindow(Window window) {
    UpdateWindow(hwnd(window));
}
void scrollWindow(Window window, int32_t dy) {
    ScrollWindow(hwnd(window), 0, dy, nullptr, nullptr);
}

// ---- Caret and scroll bar -----------------------------------------------------------------

void createCaret(Window window, int32_t width, int32_t height) {
    CreateCaret(hwnd(window), nullptr, width, height);
}

void destroyCaret() {
    DestroyCaret();
}
void setCaretPosition(int32_t x, int32_t y) {
    SetCaretPos(x, y);
}
void hideCaret(Window window) {
    HideCaret(hwnd(window));
}
void showCaret(Window window) {
    ShowCaret(hwnd(window));
}

void setScrollBar(Window window, int32_t maximum, int32_t page, int32_t position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = static_cast<UINT>(page);
    info.nPos = position;
    SetScrollInfo(hwnd(window), SB_VERT, &info, TRUE);
}

void setScrollPosition(Window window, int32_t position) {
    SetScrollPos(hwnd(window), SB_VERT, position, TRUE);
}

int32_t scrollTrackPosition(Window window) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(hwnd(window), SB_VERT, &info);
    return info.nTrackPos;
}

// ---- Message boxes, resources, file dialogs -----------------------------------------------

int messageBox(Window owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(hwnd(owner), text, caption, style);
}

int loadString(int id, char* buffer, int bufferSize) {
    return LoadStringA(instance(), static_cast<UINT>(id), buffer, bufferSize);
}

bool loadNotice(const char** text, std::size_t* length) {
    HRSRC resource = FindResourceA(instance(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(256));
    HGLOBAL loaded = resource != nullptr ? LoadResource(instance(), resource) : nullptr;
    if (loaded == nullptr) {
        return false;
    }
    *text = static_cast<const char*>(LockResource(loaded));
    *length = SizeofResource(instance(), resource);
    FreeResource(loaded);
    return *text != nullptr;
}

bool chooseFile(char* path, std::size_t pathSize, bool save, const char* title, uint32_t flags,
                const char* folder) {
    // The wide dialog, so that any name the user picks or types comes back whole.
    wchar_t chosen[maxPathUnits + 1] = L"";
    const WideText caption(title);
    const WideText start(folder != nullptr ? folder : "");
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd(state.mainWindow);
    dialog.lpstrFilter = L"All Files(*.*)\0*.*\0Tavrin Files(*.TAV)\0*.tav\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = maxPathUnits + 1;
    dialog.lpstrTitle = caption.get();
    dialog.lpstrInitialDir =
        start.get() != nullptr && *start.get() != L'\0' ? start.get() : nullptr;
    dialog.Flags = flags;
    const BOOL picked = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return picked != FALSE && toUtf8(chosen, path, pathSize);
}

// ---- Files --------------------------------------------------------------------------------

File openFileForReading(const char* path) {
    return openWith(path, GENERIC_READ, OPEN_EXISTING);
}
File openFileForWriting(const char* path) {
    return openWith(path, GENERIC_WRITE, OPEN_EXISTING);
}
File createFile(const char* path) {
    return openWith(path, GENERIC_WRITE, CREATE_ALWAYS);
}

int64_t fileSize(File file) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle(file), &size) ? size.QuadPart : -1;
}

std::size_t readFile(File file, void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, largestTransfer));
        if (!ReadFile(handle(file), static_cast<char*>(buffer) + done, chunk, &read, nullptr) ||
            read == 0) {
            break;
        }
        done += read;
    }
    return done;
}

std::size_t writeFile(File file, const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, largestTransfer));
        if (!WriteFile(handle(file), static_cast<const char*>(buffer) + done, chunk, &written,
                       nullptr) ||
            written == 0) {
            break;
        }
        done += written;
    }
    return done;
}

bool endFileHere(File file) {
    return SetEndOfFile(handle(file)) != FALSE;
}

void closeFile(File file) {
    if (file != nullptr) {
        CloseHandle(handle(file));
    }
}

// ---- Dropped files, settings, clipboard -----------------------------------------------------

bool firstDroppedPath(DropHandle drop, char* buffer, std::size_t bufferSize) {
    HDROP files = reinterpret_cast<HDROP>(drop);
    const UINT length = DragQueryFileW(files, 0, nullptr, 0);
    if (length == 0 || length > maxPathUnits) {
        return false;
    }
    wchar_t path[maxPathUnits + 1];
    return DragQueryFileW(files, 0, path, maxPathUnits + 1) == length &&
           toUtf8(path, buffer, bufferSize);
}

void releaseDrop(DropHandle drop) {
    DragFinish(reinterpret_cast<HDROP>(drop));
}

std::size_t readSetting(const char* key, const char* value, void* data, std::size_t size) {
    HKEY opened = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, key, &opened) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD length = static_cast<DWORD>(size);
    const LONG result =
        RegQueryValueExA(opened, value, nullptr, nullptr, static_cast<BYTE*>(data), &length);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? length : 0;
}

void writeSetting(const char* key, const char* value, const void* data, std::size_t size) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(opened, value, 0, REG_BINARY, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(size));
    RegCloseKey(opened);
}

uint32_t registerClipboardFormat(const char* name) {
    return RegisterClipboardFormatA(name);
}

SharedBlock allocateShared(std::size_t bytes) {
    return reinterpret_cast<SharedBlock>(
        GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, std::max<std::size_t>(bytes, 1)));
}

void* lockShared(SharedBlock block) {
    return GlobalLock(reinterpret_cast<HGLOBAL>(block));
}

void unlockShared(SharedBlock block) {
    GlobalUnlock(reinterpret_cast<HGLOBAL>(block));
}

std::size_t sharedSize(SharedBlock block) {
    return GlobalSize(reinterpret_cast<HGLOBAL>(block));
}

void freeShared(SharedBlock block) {
    GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

bool openClipboard(Window owner) {
    return OpenClipboard(hwnd(owner)) != FALSE;
}

void emptyClipboard() {
    EmptyClipboard();
}

bool setClipboardData(uint32_t format, SharedBlock block) {
    return SetClipboardData(format, reinterpret_cast<HANDLE>(block)) != nullptr;
}

SharedBlock clipboardData(uint32_t format) {
    return reinterpret_cast<SharedBlock>(GetClipboardData(format));
}

bool clipboardHasFormat(uint32_t format) {
    return IsClipboardFormatAvailable(format) != FALSE;
}

void closeClipboard() {
    CloseClipboard();
}

// ---- The one-line dialog ------------------------------------------------------------------

namespace {

struct DialogStart {
    DialogProcedure procedure;
    void* parameter;
};

// The dialog procedure of every dialog: the editor's procedure is kept in the dialog's user
// data from WM_INITDIALOG on.
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(start->procedure));
        return start->procedure(reinterpret_cast<Window>(dialog), message, wParam,
                                reinterpret_cast<intptr_t>(start->parameter));
    }
    auto procedure = reinterpret_cast<DialogProcedure>(GetWindowLongPtrA(dialog, DWLP_USER));
    return procedure != nullptr
               ? procedure(reinterpret_cast<Window>(dialog), message, wParam, lParam)
               : FALSE;
}

// The filter in front of an edit box: characters it refuses never reach the box.
LRESULT CALLBACK editFilterProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && !editFilterPasses(static_cast<uint8_t>(wParam))) {
        return 0;
    }
    const int index = GetDlgCtrlID(box) == 201 ? 0 : 1;
    return CallWindowProcA(reinterpret_cast<WNDPROC>(state.savedEditProcs[index]), box, message,
                           wParam, lParam);
}

HWND item(Window dialog, int id) {
    return GetDlgItem(hwnd(dialog), id);
}

} // namespace

intptr_t runDialog(DialogProcedure procedure, void* parameter) {
    DialogStart start{procedure, parameter};
    return DialogBoxParamA(instance(), MAKEINTRESOURCEA(1), hwnd(state.mainWindow), dialogProcedure,
                           reinterpret_cast<LPARAM>(&start));
}

void endDialog(Window dialog, intptr_t result) {
    EndDialog(hwnd(dialog), result);
}

void setControlText(Window dialog, int id, const char* text) {
    SetDlgItemTextA(hwnd(dialog), id, text);
}

int controlText(Window dialog, int id, char* buffer, int size) {
    return static_cast<int>(GetDlgItemTextA(hwnd(dialog), id, buffer, size));
}

void showControl(Window dialog, int id, bool show) {
    ShowWindow(item(dialog, id), show ? SW_SHOWNA : SW_HIDE);
}

bool isChecked(Window dialog, int id) {
    return IsDlgButtonChecked(hwnd(dialog), id) == BST_CHECKED;
}

void setChecked(Window dialog, int id, bool checked) {
    CheckDlgButton(hwnd(dialog), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void focusControl(Window dialog, int id) {
    SetFocus(item(dialog, id));
}

void moveControl(Window dialog, int id, int32_t x, int32_t y) {
    RECT at{x, y, x, y};
    MapDialogRect(hwnd(dialog), &at);
    SetWindowPos(item(dialog, id), nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void resizeDialog(Window dialog, int32_t width, int32_t height) {
    RECT size{0, 0, width, height};
    MapDialogRect(hwnd(dialog), &size);
    const int frame = GetSystemMetrics(SM_CYFRAME);
    SetWindowPos(hwnd(dialog), nullptr, 0, 0, size.right + 2 * frame,
                 size.bottom + 2 * frame + GetSystemMetrics(SM_CYCAPTION),
                 SWP_NOMOVE | SWP_NOZORDER);
}

void setEditUppercase(Window dialog, int id) {
    HWND box = item(dialog, id);
    SetWindowLongPtrA(box, GWL_STYLE, GetWindowLongPtrA(box, GWL_STYLE) | ES_UPPERCASE);
}

void limitEditText(Window dialog, int id, int characters) {
    SendMessageA(item(dialog, id), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void selectAllEditText(Window dialog, int id) {
    SendMessageA(item(dialog, id), EM_SETSEL, 0, -1);
}

void filterEditBox(Window dialog, int id, int index) {
    state.savedEditProcs[index] = reinterpret_cast<void*>(SetWindowLongPtrA(
        item(dialog, id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editFilterProc)));
}

} // namespace platform

const char* win32::commandLineTail() {
    // The runtime's tail would come in the ANSI code page, which lacks most scripts: the wide
    // command line is converted instead, into a block kept for the life of the process.
    const wchar_t* line = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    auto* text = size > 0 ? static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size)) : nullptr;
    if (text == nullptr || !platform::toUtf8(line, text, static_cast<std::size_t>(size))) {
        return "";
    }
    return ::commandLineTail(text);
}
