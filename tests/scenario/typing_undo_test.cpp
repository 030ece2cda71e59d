// Typing in both panes, Backspace at the end, and Undo of every kind of change.
#include "scenario.h"

#include "app/commands.h"

using TypingAndUndo = Scenario;

namespace {

const UndoRecord& newest() {
    const UndoLog& log = *state.undoLog;
    return log.recordRing[log.nextSlot == 0 ? log.slotCount - 1 : log.nextSlot - 1];
}

int records() {
    return state.undoLog->recordCount;
}

void goToEnd() {
    headless::press(vk::pageDown, {vk::control});
}

void undo() {
    headless::command(cmd::undo);
}

} // namespace

TEST_F(TypingAndUndo, TwoDigitsAtTheEndOfAnEmptyFileMakeOneByte) {
    startWith({});
    headless::type("a");
    EXPECT_EQ(state.length, 1);
    EXPECT_EQ(state.caret, 1);
    EXPECT_EQ(newest().kind, 0x11);
    EXPECT_EQ(headless::grid(0).at(0, 0).character, 'A');
    EXPECT_EQ(headless::look(headless::grid(1).at(0, 0)).character, headless::filled);
    headless::type("5");
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(newest().kind, 0x31);
    EXPECT_EQ(changeCount(), 1);
    EXPECT_EQ(documentBytes(), Bytes({0xA5}));
    EXPECT_EQ(state.length, 2);
    EXPECT_EQ(state.caret, 2);
    EXPECT_EQ(headless::grid(1).at(0, 0).character, 0xA5);
    EXPECT_EQ(headless::title(), "Edit: 1");
    expectPanesMatchRepaint();
    undo();
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(state.caret, 0);
    EXPECT_EQ(changeCount(), 0);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, DigitsInsideTheFileOverwriteAndAreUndoneWhole) {
    startWith(Bytes({0x12, 0x34, 0x56}));
    headless::type("9");
    EXPECT_EQ(newest().kind, 0x12);
    headless::type("a");
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(newest().kind, 0x32);
    EXPECT_EQ(changeCount(), 1);
    EXPECT_EQ(documentBytes(), Bytes({0x9A, 0x34, 0x56}));
    EXPECT_EQ(state.caret, 2); // the next byte's high digit
    EXPECT_EQ(state.length, 6);
    undo();
    EXPECT_EQ(documentBytes(), Bytes({0x12, 0x34, 0x56}));
    EXPECT_EQ(state.caret, 0);
    EXPECT_EQ(records(), 0);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, ALowDigitLogsItsOwnKind) {
    startWith(Bytes({0x12, 0x34}));
    headless::press(vk::right);
    headless::type("f");
    EXPECT_EQ(newest().kind, 0x22);
    EXPECT_EQ(documentBytes(), Bytes({0x1F, 0x34}));
    EXPECT_EQ(state.caret, 2);
    // On the last low digit: overwritten, and the caret stops at the end.
    headless::press(vk::right);
    headless::type("e");
    EXPECT_EQ(newest().kind, 0x22);
    EXPECT_EQ(documentBytes(), Bytes({0x1F, 0x3E}));
    EXPECT_EQ(state.caret, 4);
    EXPECT_EQ(state.length, 4);
    // A second change of the same byte after a low digit is a record of its own.
    EXPECT_EQ(records(), 2);
}

TEST_F(TypingAndUndo, TheTextPaneTypesWholeBytes) {
    startWith(Bytes({1, 2}));
    headless::press(vk::tab);
    headless::type("x");
    EXPECT_EQ(newest().kind, 0x32);
    headless::press(vk::right);
    headless::type("y");
    EXPECT_EQ(newest().kind, 0x31);
    EXPECT_EQ(documentBytes(), Bytes({'x', 2, 'y'}));
    EXPECT_EQ(state.length, 6);
    EXPECT_EQ(state.caret, 6);
    EXPECT_EQ(headless::grid(0).text(0).substr(0, 6), "780279");
    undo();
    EXPECT_EQ(state.length, 4);
    undo();
    EXPECT_EQ(documentBytes(), Bytes({1, 2}));
    EXPECT_EQ(changeCount(), 0);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, BackspaceTakesBackAHalfByteAndUndoBringsItBack) {
    startWith(Bytes({0x10}));
    goToEnd();
    headless::type("c");
    ASSERT_EQ(state.length, 3);
    headless::press(vk::back);
    EXPECT_EQ(state.length, 2);
    EXPECT_EQ(state.caret, 2);
    EXPECT_EQ(newest().kind, 0x12);
    EXPECT_EQ(headless::look(headless::grid(0).at(2, 0)).character, headless::filled);
    expectPanesMatchRepaint();
    undo();
    EXPECT_EQ(state.length, 3);
    EXPECT_EQ(headless::grid(0).at(2, 0).character, 'C');
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, BackspaceTakesBackWholeBytesInEitherPane) {
    startWith(Bytes({1, 2, 3}));
    goToEnd();
    headless::press(vk::back);
    EXPECT_EQ(state.length, 4);
    EXPECT_EQ(state.caret, 4);
    EXPECT_EQ(newest().kind, 0x22);
    headless::press(vk::tab);
    headless::press(vk::back);
    EXPECT_EQ(state.length, 2);
    EXPECT_EQ(state.caret, 2);
    EXPECT_EQ(newest().kind, 0x32);
    expectPanesMatchRepaint();
    undo();
    undo();
    EXPECT_EQ(documentBytes(), Bytes({1, 2, 3}));
    EXPECT_EQ(changeCount(), 0);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, BackspaceElsewhereDoesNothing) {
    startWith(Bytes({1, 2, 3}));
    headless::press(vk::back);
    headless::press(vk::right);
    headless::press(vk::back);
    EXPECT_EQ(state.length, 6);
    EXPECT_EQ(records(), 0);
    startWith({});
    headless::press(vk::back);
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(records(), 0);
}

TEST_F(TypingAndUndo, BackspaceClipsTheSelection) {
    startWith(sequence(10));
    goToEnd();
    state.selection = {5, 10};
    headless::press(vk::back);
    EXPECT_EQ(state.selection.start, 5);
    EXPECT_EQ(state.selection.end, 9);
    state.selection = {8, 9};
    headless::press(vk::back);
    EXPECT_EQ(state.selection.start, 0);
    EXPECT_EQ(state.selection.end, 0);
}

TEST_F(TypingAndUndo, SaveThenUndoMarksTheDocumentModifiedAgain) {
    startWith(Bytes({1, 2}));
    headless::type("3");
    headless::press('S', {vk::control});
    ASSERT_EQ(changeCount(), 0);
    undo();
    EXPECT_EQ(changeCount(), -1);
    EXPECT_EQ(documentBytes(), Bytes({1, 2}));
    headless::answerMessageBoxes({answer::no});
    headless::command(cmd::newFile);
    EXPECT_EQ(lastMessage(), "File has been changed - Close it anyway?");
    EXPECT_EQ(state.length, 4);
}

TEST_F(TypingAndUndo, UndoOfAnEmptyLogDoesNothing) {
    startWith(Bytes({1, 2}));
    undo();
    EXPECT_EQ(documentBytes(), Bytes({1, 2}));
    EXPECT_EQ(changeCount(), 0);
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(TypingAndUndo, AWriteRunningPastTheEndSavesOnlyWhatExisted) {
    startWith(sequence(100));
    writeFile("ten.bin", Bytes(10, 0xEE));
    goToEnd();
    for (int i = 0; i < 10; ++i) {
        headless::press(vk::left); // the caret on byte 95's high digit
    }
    ASSERT_EQ(state.caret, 190);
    headless::chooseFiles({path("ten.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(newest().kind, 0x33);
    EXPECT_EQ(state.length, 210);
    undo();
    EXPECT_EQ(state.length, 200);
    EXPECT_EQ(documentBytes(), sequence(100));
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, AWriteOverAHalfByteSavesItToo) {
    startWith(sequence(6));
    goToEnd();
    headless::type("d"); // a half byte at 6
    writeFile("two.bin", Bytes({0xAA, 0xBB}));
    for (int i = 0; i < 3; ++i) {
        headless::press(vk::left); // byte 5's high digit
    }
    ASSERT_EQ(state.caret, 10);
    headless::chooseFiles({path("two.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(newest().kind, 0x37); // the half byte is saved and marked
    EXPECT_EQ(state.length, 14);
    undo();
    EXPECT_EQ(state.length, 13); // the half byte is back, with its typed digit
    EXPECT_EQ(state.document->bytes[5], 5);
    EXPECT_EQ(state.document->bytes[6] & 0xF0, 0xD0);
}

TEST_F(TypingAndUndo, AChangeTooLargeToSaveAsksFirst) {
    startWith(Bytes(100000, 0x11));
    writeFile("big.bin", Bytes(70000, 0x22));
    headless::type("4"); // an earlier change in the log
    headless::press(vk::left);
    headless::answerMessageBoxes({answer::no});
    headless::chooseFiles({path("big.bin")});
    headless::command(cmd::insertFile);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].text, "This step cannot be undone - continue?");
    EXPECT_EQ(headless::messageBoxes()[0].style, mb::yesNo);
    EXPECT_EQ(headless::messageBoxes()[0].owner, headless::mainWindow());
    EXPECT_EQ(documentBytes()[1], 0x11);
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(changeCount(), 1);

    headless::answerMessageBoxes({answer::yes});
    headless::chooseFiles({path("big.bin")});
    headless::command(cmd::insertFile);
    EXPECT_EQ(documentBytes()[0], 0x22);
    EXPECT_EQ(documentBytes()[69999], 0x22);
    EXPECT_EQ(documentBytes()[70000], 0x11);
    EXPECT_EQ(records(), 0);
    EXPECT_EQ(changeCount(), 2); // the history is gone, the change is counted
    undo();
    EXPECT_EQ(documentBytes()[0], 0x22);
}

TEST_F(TypingAndUndo, ALargeChangeAtTheEndAsksNothingAndUndoCutsItOff) {
    startWith(sequence(100));
    writeFile("big.bin", Bytes(70000, 0x22));
    goToEnd();
    headless::chooseFiles({path("big.bin")});
    headless::command(cmd::insertFile);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(newest().kind, 0x31);
    EXPECT_EQ(state.length, 2 * 70100);
    undo();
    EXPECT_EQ(state.length, 200);
    EXPECT_EQ(state.caret, 200);
    EXPECT_EQ(changeCount(), 0);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, UndoCutsTheSelectionAtTheNewEnd) {
    startWith(sequence(10));
    goToEnd();
    headless::press(vk::tab);
    headless::type("abc");
    for (int i = 0; i < 5; ++i) {
        headless::press(vk::left, {vk::shift});
    }
    ASSERT_EQ(state.selection.start, 8);
    ASSERT_EQ(state.selection.end, 13);
    undo();
    undo();
    EXPECT_EQ(state.length, 22);
    EXPECT_EQ(state.selection.start, 8);
    EXPECT_EQ(state.selection.end, 11);
    undo();
    EXPECT_EQ(state.selection.start, 8);
    EXPECT_EQ(state.selection.end, 10);
    EXPECT_EQ(state.length, 20);
    expectPanesMatchRepaint();
}

TEST_F(TypingAndUndo, ChangesAfterASaveAreAlwaysCounted) {
    startWith(Bytes({0x10, 0x20}));
    // The high digit typed, saved, then the low digit: a change of its own.
    headless::type("a");
    headless::press('S', {vk::control});
    headless::type("b");
    EXPECT_EQ(changeCount(), 1);
    headless::press('S', {vk::control});
    EXPECT_EQ(readFile("doc.bin"), Bytes({0xAB, 0x20}));
    // Undone past the save, later changes never make the document read as unmodified.
    undo();
    undo();
    ASSERT_EQ(documentBytes(), Bytes({0x10, 0x20}));
    headless::press(vk::right);
    headless::press(vk::right);
    headless::type("3");
    EXPECT_NE(changeCount(), 0);
    headless::answerMessageBoxes({answer::no});
    headless::closeWindow();
    EXPECT_EQ(lastMessage(), "File has been changed - Close it anyway?");
    EXPECT_FALSE(headless::quitPosted());
}
