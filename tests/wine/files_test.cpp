// Files on Wine: the program started with a file, edited with real keys, undone and saved.
#include "program.h"

using Files = Program;

TEST_F(Files, TypingUndoAndSaveReachTheFileOnDisk) {
    std::vector<uint8_t> bytes(40);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    writeFile("edit.bin", bytes);
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
    EXPECT_TRUE(answeredBoxes().empty());
}
