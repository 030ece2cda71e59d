// Files on Wine: the program started with a file another program holds open, edited with real
// keys, undone, saved, cut and saved under a new name; names in any script.
#include "program.h"

#include <shlobj.h>

#include <algorithm>

using Files = Program;

TEST_F(Files, TypingUndoSaveAndSaveAsReachTheFilesOnDisk) {
    std::vector<uint8_t> bytes(40);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    writeFile("edit.bin", bytes);
    // Another handle holds the file open for writing, as a program writing a log does.
    HANDLE held =
        CreateFileA(path("edit.bin").c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    startProgram(("\"" + path("edit.bin") + "\"").c_str());
    ASSERT_EQ(windowText(mainWindow()), "Edit:edit.bin ");
    typeKeys("a5");
    EXPECT_EQ(state.document->bytes[0], 0xA5);
    EXPECT_EQ(windowText(mainWindow()), "Edit:edit.bin 1");
    pressKeys({VK_CONTROL, 'Z'});
    EXPECT_EQ(state.document->bytes[0], 0x00);
    EXPECT_EQ(state.caret, 0);
    typeKeys("7e");
    pressKeys({VK_TAB});
    typeKeys("Hi");
    // Typing at the end of the file grows its store, which was exactly the file's size.
    pressKeys({VK_CONTROL, VK_NEXT});
    typeKeys("!");
    EXPECT_GT(state.document->capacity, 41);
    pressKeys({VK_CONTROL, 'S'});
    bytes[0] = 0x7E;
    bytes[1] = 'H';
    bytes[2] = 'i';
    bytes.push_back('!');
    EXPECT_EQ(readFile("edit.bin"), bytes);
    EXPECT_EQ(state.undoLog->changeCount, 0);

    // Cut before the '!' and saved over the longer file; then changed, and saved under a new name.
    pressKeys({VK_LEFT});
    pressKeys({VK_CONTROL, 'X'});
    pressKeys({VK_CONTROL, 'S'});
    typeKeys("z");
    asUser([&] {
        sendKeys({VK_MENU, 'S'});
        answerFileDialog("Save As", path("new.bin"));
    });
    EXPECT_EQ(GetFileSize(held, nullptr), 40u);
    CloseHandle(held);
    bytes.back() = 'z';
    EXPECT_EQ(readFile("new.bin"), bytes);
    EXPECT_EQ(windowText(mainWindow()), "Edit:new.bin ");
    EXPECT_TRUE(answeredBoxes().empty());
}

TEST_F(Files, NamesInAnyScriptOpenSaveAsAndDropByteExact) {
    // Cyrillic and CJK together: no ANSI code page holds both.
    const std::string name = u8"тест-文字.bin";
    writeFile(name, {1, 2, 3, 4});
    startProgram(("\"" + path(name) + "\"").c_str());
    ASSERT_EQ(windowTextW(mainWindow()), widen("Edit:" + name + " "));
    typeKeys("ab");
    asUser([&] {
        sendKeys({VK_MENU, 'S'});
        answerFileDialog("Save As", path(u8"копия-字.bin"));
    });
    EXPECT_EQ(readFile(u8"копия-字.bin"), std::vector<uint8_t>({0xAB, 2, 3, 4}));
    EXPECT_EQ(windowTextW(mainWindow()), widen(u8"Edit:копия-字.bin "));
    // Dropped as Explorer drops a file: DROPFILES followed by the wide path.
    const std::wstring first = widen(path(name));
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                               sizeof(DROPFILES) + (first.size() + 2) * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::copy(first.begin(), first.end(), reinterpret_cast<wchar_t*>(files + 1));
    GlobalUnlock(drop);
    PostMessageW(mainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    pump();
    EXPECT_EQ(windowTextW(mainWindow()), widen("Edit:" + name + " "));
    EXPECT_EQ(state.document->bytes[0], 0x01);
    EXPECT_TRUE(answeredBoxes().empty());
}
