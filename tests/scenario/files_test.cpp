// The file commands with real temporary files: open, save, save as, save selection, insert,
// dropped files, the title rules and the failures they report.
#include "scenario.h"

#include "app/commands.h"

#include <filesystem>
#include <fstream>

using Files = Scenario;

namespace {

constexpr uint32_t openFlags = ofn::fileMustExist | ofn::pathMustExist | ofn::hideReadOnly;
constexpr uint32_t saveFlags = ofn::pathMustExist | ofn::hideReadOnly | ofn::overwritePrompt;

void goToEnd() {
    headless::press(vk::pageDown, {vk::control});
}

} // namespace

TEST_F(Files, OpenAndSaveAsRoundTripsAreByteExact) {
    for (const Bytes& content : {Bytes(), sequence(37), sequence(256)}) {
        writeFile("in.bin", content);
        start();
        headless::chooseFiles({path("in.bin")});
        headless::command(cmd::open);
        ASSERT_EQ(documentBytes(), content);
        EXPECT_EQ(state.length, 2 * static_cast<int32_t>(content.size()));
        EXPECT_EQ(state.document->capacity, static_cast<int32_t>(content.size()));
        headless::chooseFiles({path("out.bin")});
        headless::command(cmd::saveAs);
        EXPECT_EQ(readFile("out.bin"), content);
        headless::finish();
    }
    EXPECT_EQ(headless::fileDialogs()[0].title, "Open");
    EXPECT_FALSE(headless::fileDialogs()[0].save);
    EXPECT_EQ(headless::fileDialogs()[0].flags, openFlags);
    EXPECT_EQ(headless::fileDialogs()[1].title, "Save As");
    EXPECT_TRUE(headless::fileDialogs()[1].save);
    EXPECT_EQ(headless::fileDialogs()[1].flags, saveFlags);
}

TEST_F(Files, TypingThenSaveWritesTheFileInPlace) {
    startWith(sequence(37));
    headless::type("ff");
    goToEnd();
    headless::type("1");
    headless::press('S', {vk::control});
    Bytes expected = sequence(37);
    expected[0] = 0xFF;
    // The half-typed last byte is not written.
    EXPECT_EQ(readFile("doc.bin"), expected);
    EXPECT_EQ(changeCount(), 0);
    EXPECT_TRUE(headless::fileDialogs().empty());
    // Closing now asks nothing.
    headless::closeWindow();
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(Files, SaveRightAfterOpenSaysFileNotSaved) {
    startWith(sequence(5));
    headless::command(cmd::save);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].text, "File not saved");
    EXPECT_EQ(headless::messageBoxes()[0].caption, "Message from KezEdit");
    EXPECT_EQ(headless::messageBoxes()[0].style, mb::ok);
}

TEST_F(Files, SaveAfterShorteningCutsTheFile) {
    startWith(sequence(10));
    goToEnd();
    headless::press(vk::tab);
    headless::type("xy");
    headless::command(cmd::save);
    ASSERT_EQ(readFile("doc.bin").size(), 12u);
    headless::command(cmd::undo);
    headless::command(cmd::undo);
    ASSERT_EQ(changeCount(), -2);
    headless::command(cmd::save);
    EXPECT_EQ(readFile("doc.bin"), sequence(10));
}

TEST_F(Files, SaveAsMovesTheDocumentToTheNewName) {
    startWith(sequence(4));
    headless::type("5");
    writeFile("new.bin", sequence(100)); // longer than what will be written
    headless::chooseFiles({path("new.bin")});
    headless::command(cmd::saveAs);
    EXPECT_EQ(readFile("new.bin"), Bytes({0x50, 1, 2, 3}));
    EXPECT_STREQ(state.filePath, path("new.bin").c_str());
    EXPECT_EQ(headless::title(), "Edit: "); // the path has no backslash
    headless::type("6");
    headless::command(cmd::save);
    EXPECT_EQ(headless::fileDialogs().size(), 1u);
    EXPECT_EQ(readFile("new.bin"), Bytes({0x56, 1, 2, 3}));
    EXPECT_EQ(readFile("doc.bin"), sequence(4));
}

TEST_F(Files, SavingANewDocumentAsksForAName) {
    start();
    headless::type("12");
    headless::chooseFiles({path("fresh.bin")});
    headless::command(cmd::save);
    ASSERT_EQ(headless::fileDialogs().size(), 1u);
    EXPECT_EQ(headless::fileDialogs()[0].title, "Save");
    EXPECT_EQ(readFile("fresh.bin"), Bytes({0x12}));
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(Files, SaveSelectionWritesExactlyTheSelectedBytes) {
    startWith(sequence(50));
    headless::type("a");
    state.selection = {10, 20};
    headless::chooseFiles({path("part.bin")});
    headless::command(cmd::saveSelection);
    EXPECT_EQ(headless::fileDialogs().back().title, "Save Selection");
    EXPECT_EQ(readFile("part.bin"), sequence(10, 10));
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
    EXPECT_EQ(changeCount(), 1);
    state.selection = {0, 0};
    headless::command(cmd::saveSelection);
    EXPECT_EQ(lastMessage(), "File not saved");
}

TEST_F(Files, CancelledDialogsChangeNothing) {
    startWith(sequence(8));
    headless::type("7");
    headless::chooseFiles({""});
    headless::command(cmd::saveAs);
    headless::answerMessageBoxes({answer::yes});
    headless::chooseFiles({""});
    headless::command(cmd::open);
    EXPECT_EQ(documentBytes()[0], 0x70);
    EXPECT_EQ(changeCount(), 1);
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
}

TEST_F(Files, AFileThatCannotBeCreatedIsReported) {
    startWith(sequence(8));
    headless::type("7");
    const std::string title = headless::title();
    headless::chooseFiles({path("no-such-folder/x.bin")});
    headless::command(cmd::saveAs);
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_EQ(headless::title(), title);
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
    EXPECT_EQ(changeCount(), 1);
}

TEST_F(Files, AShortWriteIsNotASave) {
    startWith(sequence(1000));
    headless::type("9");
    headless::limitWrites(100); // the disk is full after 100 bytes
    headless::command(cmd::save);
    EXPECT_EQ(lastMessage(), "File not saved");
    EXPECT_EQ(changeCount(), 1);
    EXPECT_EQ(documentBytes()[0], 0x90);
    // Once there is room again, saving works.
    headless::limitWrites(-1);
    headless::command(cmd::save);
    EXPECT_EQ(changeCount(), 0);
    Bytes expected = sequence(1000);
    expected[0] = 0x90;
    EXPECT_EQ(readFile("doc.bin"), expected);
}

TEST_F(Files, OpenAfterChangesAsksAndNoKeepsTheHistory) {
    startWith(sequence(8));
    headless::type("e");
    writeFile("other.bin", Bytes({9}));
    headless::answerMessageBoxes({answer::no});
    headless::chooseFiles({path("other.bin")});
    headless::command(cmd::open);
    EXPECT_EQ(lastMessage(), "File has been changed - Close it anyway?");
    EXPECT_TRUE(headless::fileDialogs().empty());
    EXPECT_EQ(documentBytes()[0], 0xE0);
    headless::command(cmd::undo);
    EXPECT_EQ(documentBytes()[0], 0x00);
}

TEST_F(Files, InsertFileOverwritesFromTheCaretAndGrowsTheDocument) {
    startWith(sequence(20));
    writeFile("ins.bin", Bytes(5, 0xAA));
    headless::type("1"); // a change: Insert File still asks nothing
    headless::press(vk::right);
    for (int i = 0; i < 8; ++i) {
        headless::press(vk::right);
    }
    ASSERT_EQ(state.caret, 10);
    headless::chooseFiles({path("ins.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(headless::fileDialogs().back().title, "Insert");
    EXPECT_EQ(headless::fileDialogs().back().flags, openFlags);
    Bytes expected = sequence(20);
    expected[0] = 0x10;
    std::fill(expected.begin() + 5, expected.begin() + 10, 0xAA);
    EXPECT_EQ(documentBytes(), expected);
    EXPECT_EQ(state.caret, 10);
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
    EXPECT_TRUE(headless::messageBoxes().empty());
    expectPanesMatchRepaint();
    // Near the end the document grows to the caret's byte plus the file's size.
    writeFile("long.bin", Bytes(30, 0xBB));
    headless::press(vk::pageDown, {vk::control});
    headless::press(vk::left);
    headless::press(vk::left);
    headless::chooseFiles({path("long.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(state.length, 2 * (19 + 30));
    expectPanesMatchRepaint();
    // At the end it appends.
    headless::press(vk::pageDown, {vk::control});
    headless::chooseFiles({path("ins.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(state.length, 2 * (49 + 5));
    EXPECT_EQ(documentBytes().back(), 0xAA);
    expectPanesMatchRepaint();
}

TEST_F(Files, TheTitleShowsTheNameAfterTheLastBackslash) {
    writeFile("sub\\dump.bin", sequence(40));
    headless::reset();
    const std::string line = path("sub\\dump.bin");
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(headless::title(), "Edit:dump.bin ");
    EXPECT_EQ(state.titlePrefixLength, 14);
    for (int i = 0; i < 32; ++i) {
        headless::press(vk::right);
    }
    EXPECT_EQ(headless::title(), "Edit:dump.bin 16");
    // A long name is cut to 49 characters.
    const std::string name(60, 'n');
    writeFile("x\\" + name, Bytes({1}));
    headless::chooseFiles({path("x\\" + name)});
    headless::command(cmd::open);
    EXPECT_EQ(headless::title(), "Edit:" + name.substr(0, 49) + " ");
    goToEnd();
    EXPECT_EQ(headless::title(), "Edit:" + name.substr(0, 49) + " 1");
}

TEST_F(Files, ADropOpensTheFirstFileOnly) {
    startWith(sequence(4));
    writeFile("one.bin", Bytes({1}));
    writeFile("two.bin", Bytes({2, 2}));
    writeFile("three.bin", Bytes({3, 3, 3}));
    headless::dropFiles({path("one.bin"), path("two.bin"), path("three.bin")});
    EXPECT_EQ(documentBytes(), Bytes({1}));
    EXPECT_STREQ(state.filePath, path("one.bin").c_str());
    EXPECT_TRUE(headless::dropReleased());
    // With changes it asks; No opens nothing, and the drop is released all the same.
    headless::type("5");
    headless::answerMessageBoxes({answer::no});
    headless::dropFiles({path("two.bin")});
    EXPECT_EQ(documentBytes(), Bytes({0x51}));
    EXPECT_TRUE(headless::dropReleased());
    // A dropped path too long for the current-file path is refused.
    headless::command(cmd::undo);
    headless::dropFiles({directory + "/" + std::string(300, 'y')});
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_EQ(documentBytes(), Bytes({1}));
}

TEST_F(Files, AFileBeyondTheSizeLimitIsRefused) {
    startWith(sequence(4));
    const std::string huge = path("huge.bin");
    writeFile("huge.bin", {});
    std::filesystem::resize_file(huge, 0x40000000); // sparse: takes no room
    headless::chooseFiles({huge});
    headless::command(cmd::open);
    EXPECT_EQ(lastMessage(), "Maximum filesize exceeded");
    EXPECT_EQ(documentBytes(), sequence(4));
    // Inserting at byte 1 a file that would end past the limit is refused too.
    std::filesystem::resize_file(huge, 0x3FFFFFFF);
    headless::press(vk::right);
    headless::press(vk::right);
    headless::chooseFiles({huge});
    headless::command(cmd::insertFile);
    EXPECT_EQ(lastMessage(), "Maximum filesize exceeded");
    EXPECT_EQ(documentBytes(), sequence(4));
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(Files, AFileTooBigForMemoryLeavesTheDocumentAsItWas) {
    startWith(sequence(4));
    writeFile("big.bin", sequence(5000));
    headless::chooseFiles({path("big.bin")});
    headless::failAllocations(0, -1);
    headless::command(cmd::open);
    headless::failAllocations(0, 0);
    EXPECT_EQ(lastMessage(), "Low Memory!\n\rAction could not be completed!");
    EXPECT_EQ(documentBytes(), sequence(4));
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
    EXPECT_EQ(changeCount(), 0);
    // The editor goes on working.
    headless::type("42");
    EXPECT_EQ(documentBytes(), Bytes({0x42, 1, 2, 3}));
    expectPanesMatchRepaint();
}

TEST_F(Files, NamesInAnyScriptOpenSaveAndShowWhole) {
    const std::string name = u8"тест-文字-😀.bin";
    writeFile(u8"папка\\" + name, sequence(6));
    headless::reset();
    ASSERT_TRUE(headless::start(("\"" + path(u8"папка\\" + name) + "\"").c_str()));
    EXPECT_EQ(headless::title(), "Edit:" + name + " ");
    headless::type("ab");
    headless::press('S', {vk::control});
    EXPECT_EQ(readFile(u8"папка\\" + name), Bytes({0xAB, 1, 2, 3, 4, 5}));
    headless::chooseFiles({path(u8"x\\копия.bin")});
    headless::command(cmd::saveAs);
    EXPECT_EQ(readFile(u8"x\\копия.bin"), Bytes({0xAB, 1, 2, 3, 4, 5}));
    EXPECT_EQ(headless::title(), u8"Edit:копия.bin ");
    headless::dropFiles({path(u8"папка\\" + name)});
    EXPECT_EQ(headless::title(), "Edit:" + name + " ");

    // The title's name is cut after 49 characters, never inside one.
    std::string cyrillic;
    for (int i = 0; i < 48; ++i) {
        cyrillic += u8"ж";
    }
    writeFile("y\\" + cyrillic + u8"😀ЖЖЖ", Bytes({1}));
    headless::chooseFiles({path("y\\" + cyrillic + u8"😀ЖЖЖ")});
    headless::command(cmd::open);
    EXPECT_EQ(headless::title(), "Edit:" + cyrillic + u8"😀 ");
}

TEST_F(Files, APathOfMoreThan255Utf16UnitsIsRefused) {
    // Paths of three-byte characters in folders short enough for the file system.
    auto pathOfUnits = [this](int64_t units) {
        std::string result = directory + "/";
        units -= static_cast<int64_t>(result.size());
        for (; units > 81; units -= 81) {
            for (int i = 0; i < 80; ++i) {
                result += u8"文";
            }
            std::filesystem::create_directory(result);
            result += "/";
        }
        for (; units > 0; --units) {
            result += u8"字";
        }
        std::ofstream(result) << "ok";
        return result;
    };
    for (const int64_t units : {255, 256}) {
        const std::string longPath = pathOfUnits(units);
        headless::reset();
        ASSERT_TRUE(headless::start(("\"" + longPath + "\"").c_str()));
        EXPECT_EQ(documentBytes(), units == 255 ? Bytes({'o', 'k'}) : Bytes()) << units;
        EXPECT_EQ(lastMessage(), units == 255 ? "" : "Can't access file");
        headless::dropFiles({longPath});
        EXPECT_EQ(state.filePath, units == 255 ? longPath : std::string()) << units;
        headless::finish();
    }
}

TEST_F(Files, FileDialogsStartBesideTheCurrentFile) {
    start(); // a new document: the system's choice
    headless::command(cmd::open);
    writeFile("a\\b.bin", sequence(4));
    headless::chooseFiles({path("a\\b.bin")});
    headless::command(cmd::open);
    headless::press(vk::right);
    headless::press(vk::right, {vk::shift});
    for (const int command : {cmd::open, cmd::saveAs, cmd::saveSelection, cmd::insertFile}) {
        headless::command(command);
    }
    const auto& dialogs = headless::fileDialogs();
    ASSERT_EQ(dialogs.size(), 6u);
    EXPECT_EQ(dialogs[0].folder, "");
    for (size_t i = 2; i < dialogs.size(); ++i) {
        EXPECT_EQ(dialogs[i].folder, path("a")) << dialogs[i].title; // up to the last backslash
    }
}
