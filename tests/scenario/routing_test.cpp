// The keyboard routing of the message loop, the accelerators, and the file named on the command
// line.
#include "scenario.h"

#include "app/commands.h"
#include "app/startup.h"

using Routing = Scenario;

TEST(HexFilter, PassesDigitsAndLowerCaseHexLettersOnly) {
    for (int c = 0; c < 256; ++c) {
        const char in = static_cast<char>(c);
        char expected = 0;
        if (c >= '0' && c <= '9') {
            expected = in;
        } else if (c >= 'a' && c <= 'f') {
            expected = static_cast<char>(c - 32);
        }
        EXPECT_EQ(filterHexChar(in), expected) << "character " << c;
    }
}

TEST_F(Routing, TypingInTheHexPaneDeliversUpperCaseDigitsOnly) {
    startWith(Bytes(4, 0x00));
    headless::type("a");
    EXPECT_EQ(documentBytes()[0], 0xA0);
    EXPECT_EQ(state.caret, 1);
    // Upper case (Shift), other letters, a blank and Escape deliver nothing.
    headless::type("AgG ");
    headless::press(vk::escape);
    headless::character(0xE9);
    EXPECT_EQ(state.caret, 1);
    EXPECT_EQ(documentBytes(), Bytes({0xA0, 0, 0, 0}));
    EXPECT_EQ(changeCount(), 1);
}

TEST_F(Routing, TheTextPaneReceivesEveryCodeFrom27Up) {
    startWith(Bytes(4, 0x00));
    headless::press(vk::tab);
    ASSERT_EQ(state.activePane, 1);
    headless::type("a");
    headless::press(vk::escape);
    headless::character(0xE9);
    EXPECT_EQ(documentBytes(), Bytes({'a', 0x1B, 0xE9, 0}));
    EXPECT_EQ(state.caret, 6);
}

TEST_F(Routing, ControlCharactersGoToTheMainWindow) {
    startWith(Bytes(4, 0x00));
    // Tab switches panes in either direction and is never typed into a pane.
    headless::press(vk::tab);
    EXPECT_EQ(state.activePane, 1);
    EXPECT_EQ(headless::focus(), headless::pane(1));
    headless::press(vk::tab);
    EXPECT_EQ(state.activePane, 0);
    EXPECT_EQ(headless::focus(), headless::pane(0));
    // Enter and a bare control code reach no pane either.
    headless::press(vk::enter);
    headless::character(5);
    EXPECT_EQ(documentBytes(), Bytes(4, 0x00));
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(Routing, AcceleratorsBecomeCommandsBeforeCharacters) {
    startWith(Bytes({1, 2, 3, 4}));
    headless::press(vk::tab); // the text pane would type any character
    headless::press('C', {vk::control});
    EXPECT_EQ(documentBytes(), Bytes({1, 2, 3, 4}));
    EXPECT_EQ(changeCount(), 0);
    // Ctrl+Z is Undo: type a byte, then take it back by the accelerator.
    headless::type("x");
    ASSERT_EQ(documentBytes()[0], 'x');
    headless::press('Z', {vk::control});
    EXPECT_EQ(documentBytes()[0], 1);
    EXPECT_EQ(changeCount(), 0);
    // Ctrl+U is Undo too; Ctrl+S with nothing changed reports "File not saved".
    headless::press('S', {vk::control});
    EXPECT_EQ(lastMessage(), "File not saved");
}

TEST_F(Routing, EveryAcceleratorOfTheTableReachesItsCommand) {
    // F3, Shift+Insert, Ctrl+Insert and Alt combinations are in the table too; Ctrl+N with no
    // changes is New, which leaves a titled document untitled.
    startWith(Bytes({1, 2}));
    ASSERT_EQ(headless::title(), "Edit: ");
    headless::press('N', {vk::control});
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 0");
    EXPECT_EQ(state.length, 0);
    // Alt+S is Save As: it asks for a name (cancelled here).
    headless::press('S', {vk::alt});
    ASSERT_EQ(headless::fileDialogs().size(), 1u);
    EXPECT_EQ(headless::fileDialogs().back().title, "Save As");
    // Ctrl+Alt+S is Save Selection: with no selection it says "File not saved".
    headless::press('S', {vk::control, vk::alt});
    EXPECT_EQ(lastMessage(), "File not saved");
    EXPECT_EQ(headless::fileDialogs().size(), 1u);
    // Ctrl+I is Insert File; Ctrl+O is Open.
    headless::press('I', {vk::control});
    headless::press('O', {vk::control});
    ASSERT_EQ(headless::fileDialogs().size(), 3u);
    EXPECT_EQ(headless::fileDialogs()[1].title, "Insert");
    EXPECT_EQ(headless::fileDialogs()[2].title, "Open");
}

TEST_F(Routing, QuotedCommandLinePathStopsAtTheClosingQuote) {
    writeFile("a b.bin", Bytes({7, 8, 9}));
    headless::reset();
    const std::string line = "\"" + path("a b.bin") + "\" more words";
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(documentBytes(), Bytes({7, 8, 9}));
    EXPECT_STREQ(state.filePath, path("a b.bin").c_str());
}

TEST_F(Routing, UnquotedCommandLineIsOnePathBlanksIncluded) {
    writeFile("a b.bin", Bytes({7, 8}));
    headless::reset();
    const std::string line = path("a b.bin");
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(documentBytes(), Bytes({7, 8}));
}

TEST_F(Routing, AnOpeningQuoteAloneUsesTheRestOfTheLine) {
    writeFile("c.bin", Bytes({5}));
    headless::reset();
    const std::string line = "\"" + path("c.bin");
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(documentBytes(), Bytes({5}));
}

TEST_F(Routing, AnEmptyCommandLineOpensNothing) {
    start();
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 ");
    EXPECT_EQ(state.length, 0);
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(Routing, ACommandLinePathTooLongForThePathIsRefused) {
    headless::reset();
    const std::string line = "\"" + directory + "/" + std::string(300, 'x') + "\"";
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 ");
    EXPECT_STREQ(state.filePath, "");
}

TEST_F(Routing, ACommandLineFileThatCannotBeOpenedIsReported) {
    headless::reset();
    const std::string line = path("missing.bin");
    ASSERT_TRUE(headless::start(line.c_str()));
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_EQ(state.length, 0);
}

TEST_F(Routing, AcceleratorsSendNoCommandWhileAButtonHoldsTheMouse) {
    // Held in a pane, either button captures the mouse: Ctrl+N, Ctrl+F and Ctrl+Q are taken as
    // accelerators but do nothing, and type nothing either. Released, they work again.
    for (const bool left : {true, false}) {
        startWith(sequence(10));
        headless::type("5"); // a change: New and Quit would ask first
        const headless::Point at = headless::cellPoint(0, 4, 0);
        left ? headless::mouseDown(at) : headless::rightDown(at);
        ASSERT_NE(headless::capture(), nullptr);
        for (const int key : {'N', 'F', 'Q'}) {
            headless::press(key, {vk::control});
        }
        EXPECT_TRUE(headless::messageBoxes().empty());
        EXPECT_TRUE(headless::dialogsShown().empty());
        EXPECT_EQ(documentBytes()[0], 0x50);
        left ? headless::mouseUp(at) : headless::rightUp(at);
        headless::answerMessageBoxes({answer::no});
        headless::press('N', {vk::control});
        EXPECT_EQ(lastMessage(), "File has been changed - Close it anyway?");
    }
}
