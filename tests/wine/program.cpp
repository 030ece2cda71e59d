#include "program.h"

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/win32/win32_host.h"

#include <deque>
#include <fstream>

namespace {

std::deque<int> scriptedAnswers;
std::vector<AnsweredBox> boxes;
HHOOK boxHook = nullptr;

// Answers every message box as it is activated: the scripted answer, or its first button.
LRESULT CALLBACK answerBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
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

void Program::SetUp() {
    static const bool registered = [] {
        state.instance = reinterpret_cast<platform::Instance>(GetModuleHandleA(nullptr));
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
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileA(path(found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
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

void Program::pressKeys(std::initializer_list<WORD> keys) {
    for (const WORD key : keys) {
        sendKey(key, false);
    }
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
        sendKey(*it, true);
    }
    pump(60);
}

void Program::typeKeys(const std::string& text) {
    for (const char c : text) {
        const SHORT scan = VkKeyScanA(c);
        const auto key = static_cast<WORD>(scan & 0xFF);
        if ((scan & 0x100) != 0) {
            pressKeys({VK_SHIFT, key});
        } else {
            pressKeys({key});
        }
    }
}

void Program::writeFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream file(path(name), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Program::readFile(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}
