// Faults found by review, each with the behaviour that mends it, and the host's own strictness:
// painting only inside the true invalid region, the caret moving with scrolled contents.
#include "scenario.h"

#include "app/commands.h"

#include <filesystem>

using Review = Scenario;

TEST_F(Review, KeysTypedWhileTheCloseQuestionIsOpenNeverBecomeBytes) {
    startWith(sequence(4));
    headless::type("1");
    headless::answerMessageBoxes({answer::no});
    // The question's own loop delivers input to the pane without the program's routing.
    headless::duringNextModal([] { headless::type("gz\t\b\r"); });
    headless::command(cmd::newFile);
    EXPECT_EQ(lastMessage(), "File has been changed - Close it anyway?");
    // The text pane refuses control characters too; the hex pane takes digits upper-cased.
    for (const char code : std::string("\t\r\x1A")) {
        platform::sendMessage(headless::pane(1), wm::character, static_cast<uint8_t>(code), 0);
    }
    platform::sendMessage(headless::pane(0), wm::character, 'c', 0);
    EXPECT_EQ(documentBytes(), Bytes({0x1C, 1, 2, 3}));
}

TEST_F(Review, AFileOfTheMaximumSizeNeverOverflowsTheNibbleArithmetic) {
    startWith({});
    std::filesystem::resize_file(path("doc.bin"), 0x3FFFFFFF); // sparse
    headless::command(cmd::openPath, reinterpret_cast<intptr_t>(path("doc.bin").c_str()));
    ASSERT_EQ(state.length, 0x7FFFFFFE);
    // Moves and scrolls at the end: the sanitizers stop the test on any overflow.
    headless::press(vk::pageDown, {vk::control});
    headless::press(vk::pageDown, {vk::control});
    headless::press(vk::pageDown);
    headless::scroll(sb::pageDown);
    headless::scroll(sb::thumbPosition, state.totalRows);
    headless::press(vk::pageDown, {vk::control});
    headless::type("a\tx"); // at the end: a digit, then a character
    EXPECT_EQ(state.caret, 0x7FFFFFFE);
    EXPECT_EQ(headless::messageBoxes().size(), 2u);
    EXPECT_EQ(lastMessage(), "Maximum filesize exceeded");
    EXPECT_EQ(state.length, 0x7FFFFFFE);
    EXPECT_EQ(changeCount(), 0);
    headless::press(vk::tab);
    headless::press(vk::left);
    headless::type("5"); // the last byte's low digit, inside the file
    EXPECT_EQ(state.document->bytes[0x3FFFFFFE], 0x05);
    expectPanesMatchRepaint();
}

TEST_F(Review, UndoBringsBackAHalfTypedLastByte) {
    // Over 12 34 56 A_: a whole byte typed in the text pane, or a paste from a low digit (the
    // typed digit's, or one inside the file).
    for (const int lefts : {-1, 0, 4}) {
        startWith({0x12, 0x34, 0x56});
        headless::press(vk::pageDown, {vk::control});
        headless::type(lefts < 0 ? "a\tx" : "a");
        headless::putOnClipboard(cf::text, {'W', 'X', 'Y', 'Z', 0});
        for (int i = 0; i < lefts; ++i) {
            headless::press(vk::left);
        }
        if (lefts >= 0) {
            headless::press('V', {vk::control});
        }
        headless::command(cmd::undo);
        EXPECT_EQ(state.length, 7);
        EXPECT_EQ(documentBytes(), Bytes({0x12, 0x34, 0x56}));
        EXPECT_EQ(headless::grid(0).at(6, 0).character, 'A');
        EXPECT_EQ(changeCount(), 1);
        expectPanesMatchRepaint();
    }
}

TEST_F(Review, ADirectoryIsNotAFileAndNoPathIsNothing) {
    startWith(sequence(4));
    headless::command(cmd::openPath, 0); // command 500 without a path: nothing at all
    // Open, a drop, command 500 and Insert File of a directory: refused, the document as it was.
    const std::string folder = path("folder");
    std::filesystem::create_directory(folder);
    headless::chooseFiles({folder, folder});
    headless::command(cmd::open);
    headless::dropFiles({folder});
    headless::command(cmd::openPath, reinterpret_cast<intptr_t>(folder.c_str()));
    headless::command(cmd::insertFile);
    ASSERT_EQ(headless::messageBoxes().size(), 4u);
    for (const headless::MessageBoxCall& box : headless::messageBoxes()) {
        EXPECT_EQ(box.text, "Can't access file");
    }
    EXPECT_EQ(documentBytes(), sequence(4));
    EXPECT_EQ(state.undoLog->recordCount, 0);
}

TEST_F(Review, ShorteningTheLastPageKeepsTheTopRowInTheScrollRange) {
    startWith(sequence(309)); // 31 rows of 10 bytes, 23 of them on the page
    headless::resizeWindow(state.chromeWidth + 30 * 8, state.chromeHeight + 23 * 12);
    ASSERT_EQ(state.visibleRows, 23);
    headless::press(vk::pageDown, {vk::control});
    headless::type("\tx");
    headless::press('Z', {vk::control});
    EXPECT_EQ(state.topCell, 20 * 8); // the highest top row: 30 rows less 23 plus one
    EXPECT_EQ(headless::scrollBar().position, 8);
    headless::scroll(sb::lineDown);
    EXPECT_EQ(state.topCell, 20 * 8);
}

TEST_F(Review, TabFromAnOddCaretDrawsTheCaretOnItsByte) {
    startWith(sequence(3));
    headless::press(vk::pageDown, {vk::control});
    headless::type("a\t");
    headless::press(vk::right);
    headless::press(vk::tab);
    EXPECT_EQ(headless::caret().x, 6 * 8);
    headless::type("b");
    EXPECT_EQ(headless::grid(0).text(0).substr(6, 2), "B.");
}

TEST_F(Review, APartlyVisibleBottomRowIsRepaintedByUndo) {
    startWith(sequence(95));
    // Ten whole rows and half of an eleventh.
    headless::resizeWithoutSnapping(state.chromeWidth + 30 * 8, 46 + 10 * 12 + 2 + 6);
    ASSERT_EQ(headless::grid(1).rows, 11);
    headless::press(vk::pageDown, {vk::control});
    headless::putOnClipboard(cf::text, Bytes(15, 'K'));
    headless::press('V', {vk::control});
    ASSERT_EQ(headless::grid(1).at(4, 10).character, 'K');
    headless::command(cmd::undo);
    expectPanesMatchRepaint();
}

TEST_F(Review, CellsPaintedWhiteForWantOfMemoryShowTheirDigitsOnceItIsBack) {
    headless::Metrics large;
    large.cxMaximized = 2000;
    large.cyMaximized = 1600;
    startWith(sequence(20000), large);
    // A page larger than the hex cache can grow to while memory is short: the rest is white.
    headless::failAllocations(0, -1);
    headless::resizeWindow(state.chromeWidth + 60 * 24, 48 + 100 * 12);
    ASSERT_TRUE(state.hexPaneShort);
    headless::failAllocations(0, 0); // memory is back: the next paint shows every digit
    headless::scroll(sb::lineDown);
    expectPanesMatchRepaint();
}

TEST_F(Review, TheHostPaintsOnlyInsideTheInvalidRegionAndScrollsTheCaretWithTheContents) {
    startWith(sequence(2000));
    auto& text = const_cast<headless::Grid&>(headless::grid(1));
    text.at(0, 0).character = text.at(0, 1).character = text.at(0, 2).character = '#';
    platform::invalidateRect(headless::pane(1), {0, 0, 8, 12}, false);
    platform::invalidateRect(headless::pane(1), {0, 24, 8, 36}, false);
    headless::pump();
    EXPECT_EQ(text.at(0, 0).character, 0);
    EXPECT_EQ(text.at(0, 1).character, '#'); // between the two strips
    EXPECT_EQ(text.at(0, 2).character, 20);
    headless::mouseDown(headless::cellPoint(0, 0, 5));
    headless::mouseUp(headless::cellPoint(0, 0, 5));
    headless::scroll(sb::lineDown);
    headless::scroll(sb::lineDown);
    EXPECT_EQ(headless::caret().y, 3 * 12);
    headless::wheel(120);
    EXPECT_EQ(headless::caret().y, 5 * 12);
}
