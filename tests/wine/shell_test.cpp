// The program's main window on Wine: title, menu, accelerators, snapping with the real
// metrics, the saved rectangle and the exit code.
#include "program.h"

#include "app/layout.h"

using Shell = Program;

namespace {

struct Label {
    const char* text;
    UINT command; // 0: a submenu
};

void expectMenu(HMENU menu, std::initializer_list<Label> labels) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(labels.size()));
    int position = 0;
    for (const Label& label : labels) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, label.text);
        if (label.command != 0) {
            EXPECT_EQ(GetMenuItemID(menu, position), label.command) << label.text;
        } else {
            EXPECT_NE(GetSubMenu(menu, position), nullptr) << label.text;
        }
        ++position;
    }
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

} // namespace

TEST_F(Shell, TheMainWindowShowsTheProgramTitle) {
    startProgram();
    EXPECT_EQ(windowText(mainWindow()), "Tavrins Editor 0.3.1 ");
    char className[16] = "";
    GetClassNameA(mainWindow(), className, sizeof className);
    EXPECT_STREQ(className, "Main");
    GetClassNameA(pane(0), className, sizeof className);
    EXPECT_STREQ(className, "IEDIT");
    EXPECT_TRUE(IsWindowVisible(mainWindow()));
}

TEST_F(Shell, TheMenuLabelsReadBack) {
    startProgram();
    HMENU bar = GetMenu(mainWindow());
    expectMenu(bar, {{"&File", 0}, {"&Edit", 0}, {"&View", 0}});
    expectMenu(GetSubMenu(bar, 0), {{"&New \tc-N", 101},
                                    {"&Open\tc-O", 102},
                                    {"&Save\tc-S", 103},
                                    {"Save As\ta-S", 104},
                                    {"Save Selection\tc-a-S", 105},
                                    {"&Insert File\tc-I", 106},
                                    {"Quit\tc-Q", 18}});
    HMENU edit = GetSubMenu(bar, 1);
    expectMenu(edit, {{"&Undo\tc-Z", 201},
                      {"&Copy\tc-C", 206},
                      {"CopySpecial", 0},
                      {"&Paste\tc-P", 209},
                      {"&Cut File\tc-X", 210},
                      {"&Extend File\tc-E", 107},
                      {"Enter", 0},
                      {"&Replace\tc-R", 303},
                      {"&Fill\ta-F", 217}});
    expectMenu(GetSubMenu(edit, 2), {{"ASCII", 207}, {"Hex", 208}});
    expectMenu(GetSubMenu(edit, 6), {{"&Decimal\tc-D", 215}, {"&Bits\tc-B", 216}});
    expectMenu(GetSubMenu(bar, 2), {{"&Find\tc-F", 301},
                                    {"Find Next\tF3", 302},
                                    {"&Go To\tc-G", 304},
                                    {"License", 400},
                                    {"Color", 401},
                                    {"&Toggle Selection\tc-T", 221}});
}

TEST_F(Shell, KeysTypeDigitsAndTheTitleFollowsTheCaret) {
    startProgram();
    typeKeys("a5c");
    EXPECT_EQ(state.length, 3);
    EXPECT_EQ(state.document->bytes[0], 0xA5);
    EXPECT_EQ(windowText(mainWindow()), "Tavrins Editor 0.3.1 1");
    pressKeys({VK_LEFT});
    pressKeys({VK_LEFT});
    EXPECT_EQ(windowText(mainWindow()), "Tavrins Editor 0.3.1 0");
}

TEST_F(Shell, AnAcceleratorKeyBecomesItsCommand) {
    startProgram();
    typeKeys("1");
    // Ctrl+N is New: with a change it asks first, and No keeps the document.
    answerBoxes({IDNO});
    pressKeys({VK_CONTROL, 'N'});
    ASSERT_EQ(answeredBoxes().size(), 1u);
    EXPECT_EQ(answeredBoxes()[0].caption, "Message from KezEdit");
    EXPECT_EQ(answeredBoxes()[0].text, "File has been changed - Close it anyway?");
    EXPECT_EQ(state.length, 1);
    // Ctrl+C in a pane types nothing.
    pressKeys({VK_TAB});
    pressKeys({VK_CONTROL, 'C'});
    EXPECT_EQ(state.length, 1);
}

TEST_F(Shell, TheWindowSnapsToWholeBytesAndRows) {
    startProgram();
    const int32_t byteWidth = 3 * state.charWidth;
    for (const auto& [width, height] : {std::pair{500, 400}, {731, 455}, {333, 617}, {130, 150}}) {
        SetWindowPos(mainWindow(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        pump(50);
        const RECT rect = windowRect(mainWindow());
        const int32_t w = rect.right - rect.left;
        const int32_t h = rect.bottom - rect.top;
        EXPECT_EQ((w - state.chromeWidth) % byteWidth, 0) << width;
        EXPECT_EQ((h - state.chromeHeight) % state.lineHeight, 0) << height;
        RECT client{};
        GetClientRect(mainWindow(), &client);
        EXPECT_EQ(state.rowCells[1], (w - state.chromeWidth) / byteWidth);
        EXPECT_EQ(state.rowCells[1],
                  (client.right - 2 * state.borderWidth - state.paneGap) / byteWidth);
        EXPECT_EQ(state.visibleRows, (client.bottom - state.borderWidth) / state.lineHeight);
        EXPECT_GE(state.rowCells[1], 2);
        EXPECT_GE(state.visibleRows, 2);
        // The hex pane's cells fill it exactly.
        RECT hex{};
        GetClientRect(pane(0), &hex);
        EXPECT_EQ(hex.right, state.rowCells[0] * state.charWidth);
    }
}

TEST_F(Shell, TheRectangleIsSavedAtCloseAndRestoredAtTheNextStart) {
    startProgram();
    SetWindowPos(mainWindow(), nullptr, 37, 29, 420, 333, SWP_NOZORDER);
    pump(50);
    const RECT placed = windowRect(mainWindow());
    SendMessageA(mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(pump());
    EXPECT_EQ(exitCode, 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\kez\\tarnvik", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    int32_t saved[4] = {};
    DWORD type = 0;
    DWORD size = sizeof saved;
    ASSERT_EQ(
        RegQueryValueExA(key, "WinPos", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 16u);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(mainWindow(), &placement);
    EXPECT_EQ(saved[0], placement.rcNormalPosition.left);
    EXPECT_EQ(saved[1], placement.rcNormalPosition.top);
    EXPECT_EQ(saved[2], placement.rcNormalPosition.right);
    EXPECT_EQ(saved[3], placement.rcNormalPosition.bottom);
    endProgram();

    startProgram();
    const RECT restored = windowRect(mainWindow());
    EXPECT_EQ(restored.right - restored.left, placed.right - placed.left);
    EXPECT_EQ(restored.bottom - restored.top, placed.bottom - placed.top);
    GetWindowPlacement(mainWindow(), &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, saved[0]);
    EXPECT_EQ(placement.rcNormalPosition.top, saved[1]);
}

TEST_F(Shell, QuitEndsTheLoopWithExitCodeZero) {
    startProgram();
    pressKeys({VK_CONTROL, 'Q'});
    EXPECT_TRUE(quit);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(answeredBoxes().empty());
}

TEST_F(Shell, TheProgramItselfStartsWithAFileAndExitsWithZero) {
    writeFile("started.bin", {1, 2, 3, 4, 5});
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string program = self;
    program = program.substr(0, program.rfind('\\')) + "\\tavedit.exe";
    std::string commandLine = "\"" + program + "\" \"" + path("started.bin") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    HWND window = nullptr;
    for (int i = 0; i < 100 && window == nullptr; ++i) {
        Sleep(100);
        window = FindWindowA("Main", "Edit:started.bin ");
    }
    EXPECT_NE(window, nullptr);
    if (window != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
