// Files on Wine: the program started with a file another program holds open, edited with real
// keys, undone, saved, cut and saved under a new name.
#include "program.h"

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
