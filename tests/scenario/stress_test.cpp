// The editor under stress: every memory allocation of a working session failed in turn, and the
// worst inputs a user or the system can hand it. Nothing may crash, no save may report success
// for bytes it did not write, and every change must be undoable.
#include "scenario.h"

#include "app/commands.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

using Stress = Scenario;
using headless::dialog::click;
using headless::dialog::focus;
using headless::dialog::type;

namespace {

const Bytes original = sequence(300);

bool messageShown(const std::string& text) {
    for (const headless::MessageBoxCall& box : headless::messageBoxes()) {
        if (box.text == text) {
            return true;
        }
    }
    return false;
}

void expectInvariants() {
    ASSERT_GE(state.caret, 0);
    ASSERT_LE(state.caret, state.length);
    if (state.selection.start != state.selection.end) {
        ASSERT_LE(state.selection.start, state.selection.end);
        ASSERT_LE(state.selection.end, state.length / 2);
    }
    ASSERT_EQ(state.topCell % state.rowCells[0], 0);
}

// A working session: typing and a paste at the end, a copy, a fill and its undo, a search, a
// replace-all, an extension and its undo, and a save under a new name.
void session(const std::string& savedPath) {
    headless::press(vk::pageDown, {vk::control});
    headless::type("a5");
    headless::putOnClipboard(cf::text, {'H', 'E', 'L', 'L', 'O', 0});
    headless::press('V', {vk::control});
    for (int i = 0; i < 6; ++i) {
        headless::press(vk::left, {vk::shift});
    }
    headless::press('C', {vk::control});
    headless::answerDialog({type("7e"), click(1)});
    headless::press('F', {vk::alt});
    headless::command(cmd::undo);
    headless::answerDialog({type("0a0b"), click(1), click(2)});
    headless::press('F', {vk::control});
    headless::answerDialog({type("1415"), focus(202), type("ffff"), click(302), click(302)});
    headless::press('R', {vk::control});
    headless::answerDialog({type("40"), click(1)});
    headless::press('E', {vk::control});
    headless::command(cmd::undo);
    headless::command(cmd::undo);
    headless::chooseFiles({savedPath});
    headless::command(cmd::saveAs);
}

} // namespace

TEST_F(Stress, EveryAllocationOfASessionCanFail) {
    startWith(original);
    const int first = headless::allocationCount();
    session(path("dry.bin"));
    const int points = headless::allocationCount() - first;
    ASSERT_GE(points, 5); // the store's growth, the clipboard's two blocks, Undo's buffer...
    for (int point = 0; point < points; ++point) {
        for (const int rescue : {answer::yes, answer::no}) {
            SCOPED_TRACE("allocation " + std::to_string(point) +
                         (rescue == answer::yes ? ", rescue" : ""));
            const std::string saved = path("saved.bin");
            std::filesystem::remove(saved);
            std::filesystem::remove("KEZRescueFile");
            startWith(original);
            // The low-memory question is the only one asked here that offers Yes or No.
            headless::answerMessageBoxes(
                {rescue, rescue, rescue, rescue, rescue, rescue, rescue, rescue});
            headless::failAllocations(point, 1);
            session(saved);
            headless::failAllocations(0, 0);
            ASSERT_NO_FATAL_FAILURE(expectInvariants());
            if (headless::quitPosted()) {
                // The rescue file holds the document as it was.
                Bytes rescued;
                if (FILE* file = std::fopen("KEZRescueFile", "rb")) {
                    int c;
                    while ((c = std::fgetc(file)) != EOF) {
                        rescued.push_back(static_cast<uint8_t>(c));
                    }
                    std::fclose(file);
                }
                EXPECT_EQ(rescued, documentBytes());
                continue;
            }
            // A save that said nothing wrote the document exactly.
            if (fileExists("saved.bin") && !messageShown("File not saved") &&
                !messageShown("Can't access file")) {
                EXPECT_EQ(readFile("saved.bin"), documentBytes());
            }
            // Every change was recorded: undoing them all gives the file back.
            while (state.undoLog->recordCount > 0) {
                headless::command(cmd::undo);
            }
            EXPECT_EQ(documentBytes(), original);
            ASSERT_NO_FATAL_FAILURE(expectPanesMatchRepaint());
        }
    }
    std::filesystem::remove("KEZRescueFile");
}

TEST_F(Stress, PathsTooLongForThePathBufferAreRefused) {
    // The longest path that fits opens; one character more, or far more, is refused whole.
    const std::string folder = directory + "/";
    for (const size_t length : {255u, 256u, 300u}) {
        SCOPED_TRACE(length);
        const std::string name(length - folder.size(), 'n');
        const std::string full = folder + name;
        ASSERT_EQ(full.size(), length);
        start();
        if (length == 255) {
            writeFile(name, sequence(3));
        }
        const std::string line = "\"" + full + "\"";
        headless::reset();
        ASSERT_TRUE(headless::start(line.c_str()));
        if (length == 255) {
            EXPECT_EQ(documentBytes(), sequence(3));
        } else {
            EXPECT_EQ(lastMessage(), "Can't access file");
            EXPECT_EQ(state.length, 0);
        }
    }
}

TEST_F(Stress, AFileThatShrinksWhileItIsReadChangesNothing) {
    startWith(sequence(50));
    headless::type("1");
    writeFile("other.bin", sequence(4000, 9));
    for (const int command : {cmd::open, cmd::insertFile}) {
        SCOPED_TRACE(command);
        headless::answerMessageBoxes({answer::yes}); // the question before Open drops changes
        headless::chooseFiles({path("other.bin")});
        headless::afterNextOpen([](const char* opened) { truncate(opened, 100); });
        headless::command(command);
        EXPECT_EQ(lastMessage(), "Can't access file");
        EXPECT_EQ(documentBytes()[0], 0x10);
        EXPECT_EQ(state.length, 100);
        EXPECT_EQ(changeCount(), 1);
        writeFile("other.bin", sequence(4000, 9));
    }
}

TEST_F(Stress, ASaveTheFileSystemRefusesLosesNothing) {
    startWith(sequence(20));
    headless::type("5");
    // A folder that is a file: nothing can be created in it.
    headless::chooseFiles({path("doc.bin/new.bin")});
    headless::command(cmd::saveAs);
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_EQ(changeCount(), 1);
    EXPECT_STREQ(state.filePath, path("doc.bin").c_str());
    EXPECT_EQ(readFile("doc.bin"), sequence(20));
}

TEST_F(Stress, TheWorstDialogEntriesChangeNothingOrCanBeUndone) {
    const std::string longest(40, '9');
    const std::vector<std::string> entries = {"",   "zZ!@#$%^&*()gG", longest, "-2147483649",
                                              "+-", "ffffffffffff"};
    const std::vector<std::pair<int, char>> commands = {
        {cmd::extendFile, 'E'}, {cmd::decimal, 'D'}, {cmd::bits, 'B'}, {cmd::goTo, 'G'},
        {cmd::color, 0},        {cmd::fill, 'F'},    {cmd::find, 'F'}, {cmd::replace, 'R'}};
    for (const auto& [command, key] : commands) {
        for (const std::string& entry : entries) {
            const bool hasHexBox = command == cmd::extendFile || command == cmd::goTo;
            for (int pass = 0; pass < (hasHexBox ? 2 : 1); ++pass) {
                const bool hex = pass == 1;
                SCOPED_TRACE(std::to_string(command) + " \"" + entry + "\"" + (hex ? " hex" : ""));
                startWith(sequence(64));
                headless::press(vk::right, {vk::shift});
                headless::press(vk::right, {vk::shift});
                headless::press(vk::right, {vk::shift});
                std::vector<headless::DialogStep> steps = {type(entry)};
                if (hex) {
                    steps.push_back(click(213));
                }
                steps.push_back(focus(202));
                steps.push_back(type(entry));
                steps.push_back(click(command == cmd::replace ? 302 : 1));
                steps.push_back(click(302));
                headless::answerDialog(steps);
                headless::answerMessageBoxes({answer::no, answer::no, answer::no});
                headless::command(command);
                ASSERT_NO_FATAL_FAILURE(expectInvariants());
                ASSERT_NO_FATAL_FAILURE(expectPanesMatchRepaint());
                while (state.undoLog->recordCount > 0) {
                    headless::command(cmd::undo);
                }
                EXPECT_EQ(documentBytes(), sequence(64));
            }
        }
    }
}
