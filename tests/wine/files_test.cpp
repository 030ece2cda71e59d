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

namespace {

std::vector<uint8_t> readWide(const std::wstring& path) {
    std::vector<uint8_t> bytes(64);
    DWORD read = 0;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// A shell drop of one file, as Explorer makes it: DROPFILES followed by the wide path.
HGLOBAL dropOf(const std::wstring& path) {
    const size_t size = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::copy(path.begin(), path.end(), reinterpret_cast<wchar_t*>(files + 1));
    GlobalUnlock(block);
    return block;
}

} // namespace

TEST_F(Files, NamesInAnyScriptOpenSaveAsAndDropByteExact) {
    // Cyrillic and CJK together: no ANSI code page holds both.
    const std::string name = u8"тест-文字.bin";
    const std::wstring first = widen(path(name));
    HANDLE file = CreateFileW(first.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "\x01\x02\x03\x04", 4, &written, nullptr);
    CloseHandle(file);
    startProgram(("\"" + path(name) + "\"").c_str());
    ASSERT_EQ(windowTextW(mainWindow()), widen("Edit:" + name + " "));
    typeKeys("ab");
    const std::wstring copy = widen(path(u8"копия-字.bin"));
    asUser([&] {
        sendKeys({VK_MENU, 'S'});
        answerFileDialog("Save As", copy);
    });
    EXPECT_EQ(readWide(copy), std::vector<uint8_t>({0xAB, 2, 3, 4}));
    EXPECT_EQ(windowTextW(mainWindow()), widen(u8"Edit:копия-字.bin "));
    PostMessageW(mainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(first)), 0);
    pump();
    EXPECT_EQ(windowTextW(mainWindow()), widen("Edit:" + name + " "));
    EXPECT_EQ(state.document->bytes[0], 0x01);
    EXPECT_TRUE(answeredBoxes().empty());
}
