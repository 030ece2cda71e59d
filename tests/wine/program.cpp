#include "program.h"

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/win32/win32_host.h"

#include <atomic>
#include <deque>
#include <thread>

namespace {

std::atomic<bool> userRunning{false}; // a user's script answers the dialogs
HWND helper = nullptr;
std::deque<int> scriptedAnswers;
std::vector<AnsweredBox> boxes;
HHOOK boxHook = nullptr;

// Answers every message box as it is activated outside a user's script: the scripted answer, or
// its first button.
LRESULT CALLBACK answerBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !userRunning) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[32] = "";
        GetClassNameA(box, className, sizeof className);
        if (std::string(className) == "#32770") {
            char text[1024] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            boxes.push_back({windowText(box), text});
            int answer = GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK;
            if (!scriptedAnswers.empty()) {
                answer = scriptedAnswers.front();
                scriptedAnswers.pop_front();
            }
            PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        }
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

// Evaluates, on the program's thread, the condition a user's script sends.
LRESULT CALLBACK helperProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        return (*reinterpret_cast<const std::function<bool()>*>(lParam))() ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void sendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_INSERT:
    case VK_DELETE:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    SendInput(1, &input, sizeof input);
}

} // namespace

void answerBoxes(std::initializer_list<int> answers) {
    scriptedAnswers.insert(scriptedAnswers.end(), answers);
}

const std::vector<AnsweredBox>& answeredBoxes() {
    return boxes;
}

std::string windowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::wstring windowTextW(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring widen(const std::string& text) {
    wchar_t wide[1024] = L"";
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 1024);
    return wide;
}

void sendKeys(std::initializer_list<WORD> keys) {
    for (const WORD key : keys) {
        sendKey(key, false);
    }
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
        sendKey(*it, true);
    }
}

void sendText(const std::string& text) {
    for (const char c : text) {
        const SHORT scan = VkKeyScanA(c);
        const auto key = static_cast<WORD>(scan & 0xFF);
        (scan & 0x100) != 0 ? sendKeys({VK_SHIFT, key}) : sendKeys({key});
    }
}

void sendMouse(POINT screen, DWORD buttons) {
    // Absolute positions are in 65536ths of the screen; rounded up, they land on the pixel.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    SendInput(1, &input, sizeof input);
}

void click(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    sendMouse(centre, MOUSEEVENTF_LEFTDOWN);
    sendMouse(centre, MOUSEEVENTF_LEFTUP);
}

bool waitUntil(const std::function<bool()>& condition, const std::string& what) {
    for (int i = 0; i < 500; ++i) {
        if (SendMessageA(helper, WM_APP, 0, reinterpret_cast<LPARAM>(&condition)) != 0) {
            return true;
        }
        Sleep(10);
    }
    ADD_FAILURE() << "gave up waiting for " << what;
    return false;
}

HWND waitForDialog(const char* caption) {
    HWND dialog = nullptr;
    waitUntil([&] { return windowText(dialog = GetActiveWindow()) == caption; }, caption);
    return dialog;
}

void answerFileDialog(const char* caption, const std::string& path) {
    const std::wstring wide = widen(path);
    const auto nameBox = [&] { // once the name box has the focus, the path is put in it
        char className[8] = "";
        GetClassNameA(GetFocus(), className, sizeof className);
        return windowText(GetActiveWindow()) == caption && lstrcmpiA(className, "Edit") == 0 &&
               SetWindowTextW(GetFocus(), wide.c_str()) != FALSE;
    };
    waitUntil(nameBox, std::string("the name box of ") + caption);
    sendKeys({VK_RETURN});
}

void Program::SetUp() {
    static const bool registered = [] {
        state.instance = reinterpret_cast<platform::Instance>(GetModuleHandleA(nullptr));
        helper = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
        SetWindowLongPtrA(helper, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(helperProcedure));
        return platform::registerWindowClasses();
    }();
    ASSERT_TRUE(registered);
    scriptedAnswers.clear();
    boxes.clear();
    boxHook = SetWindowsHookExA(WH_CBT, answerBoxHook, nullptr, GetCurrentThreadId());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\kez\\tarnvik");
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    folder = std::string(temp) + "tavedit-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder.c_str(), nullptr);
}

void Program::TearDown() {
    endProgram();
    UnhookWindowsHookEx(boxHook);
    WIN32_FIND_DATAW found;
    const std::wstring wideFolder = widen(folder);
    HANDLE search = FindFirstFileW((wideFolder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((wideFolder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(wideFolder.c_str());
}

void Program::startProgram(const char* commandLine) {
    resetEditorState();
    state.instance = reinterpret_cast<platform::Instance>(GetModuleHandleA(nullptr));
    quit = false;
    exitCode = -1;
    ASSERT_TRUE(createMainWindow(SW_SHOWNORMAL));
    SetForegroundWindow(mainWindow());
    postCommandLineFile(commandLine);
    pump();
}

bool Program::pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    for (;;) {
        if (!quit && !win32::runWaitingMessages(exitCode)) {
            quit = true;
        }
        const auto now = GetTickCount();
        if (quit || static_cast<LONG>(end - now) <= 0) {
            return !quit;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

void Program::endProgram() {
    if (state.mainWindow != nullptr && IsWindow(mainWindow())) {
        DestroyWindow(mainWindow());
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    releaseDocument();
    resetEditorState();
}

void Program::asUser(const std::function<void()>& script) {
    userRunning = true;
    std::thread user([&] {
        script();
        HWND left = nullptr;
        const auto noDialog = [&] { return (left = FindWindowA("#32770", nullptr)) == nullptr; };
        while (!waitUntil(noDialog, "no dialog left open")) {
            PostMessageA(left, WM_COMMAND, IDCANCEL, 0);
        }
        userRunning = false;
    });
    while (userRunning) {
        quit = !win32::runWaitingMessages(exitCode) || quit;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    user.join();
    pump(60);
}

POINT Program::cellPoint(int index, int32_t nibble) {
    const int32_t cell = nibble - state.topCell;
    POINT point{cell % state.rowCells[0] / (index + 1) * state.charWidth + state.charWidth / 2,
                cell / state.rowCells[0] * state.lineHeight + state.lineHeight / 2};
    ClientToScreen(pane(index), &point);
    return point;
}

// Wide calls: the tests' file names (UTF-8 here) are not all in the ANSI code page.
void Program::writeFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    HANDLE file = CreateFileW(widen(path(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<uint8_t> Program::readFile(const std::string& name) const {
    HANDLE file =
        CreateFileW(widen(path(name)).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<uint8_t> bytes(file != INVALID_HANDLE_VALUE ? GetFileSize(file, nullptr) : 0);
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}
