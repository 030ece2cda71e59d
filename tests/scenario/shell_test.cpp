// The main window: New, the notice, the close sequence, shut-down and the focus hand-over.
#include "scenario.h"

#include "app/commands.h"
#include "app/main_window.h"

using Shell = Scenario;

namespace {

const char discardQuestion[] = "File has been changed - Close it anyway?";

} // namespace

TEST_F(Shell, NewWithoutChangesAsksNothingAndEmptiesTheDocument) {
    startWith(sequence(50));
    headless::press(vk::right);
    headless::command(cmd::newFile);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 0");
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(state.caret, 0);
    EXPECT_STREQ(state.filePath, "");
    EXPECT_EQ(state.document->capacity, 0x8000);
    // Nothing to undo; both panes repaint white.
    headless::command(cmd::undo);
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(headless::grid(0).at(0, 0).character, headless::filled);
    EXPECT_EQ(headless::grid(1).at(0, 0).character, headless::filled);
    expectPanesMatchRepaint();
}

TEST_F(Shell, NewWithChangesAsksAndNoKeepsEverything) {
    startWith(sequence(8));
    headless::type("f");
    const std::string title = headless::title();
    headless::answerMessageBoxes({answer::no});
    headless::command(cmd::newFile);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    const headless::MessageBoxCall& box = headless::messageBoxes()[0];
    EXPECT_EQ(box.text, discardQuestion);
    EXPECT_EQ(box.caption, "Message from KezEdit");
    EXPECT_EQ(box.style, mb::yesNo);
    EXPECT_EQ(box.owner, nullptr); // the one box without an owner window
    EXPECT_EQ(headless::title(), title);
    EXPECT_EQ(documentBytes()[0], 0xF0);
    // The undo history is kept too.
    headless::command(cmd::undo);
    EXPECT_EQ(documentBytes()[0], 0x00);
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(Shell, NewWithChangesAnsweredYesStartsOver) {
    startWith(sequence(8));
    headless::type("1");
    headless::answerMessageBoxes({answer::yes});
    headless::command(cmd::newFile);
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(changeCount(), 0);
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 0");
}

TEST_F(Shell, TheNoticeIsShownWholeWithItsCaption) {
    start();
    headless::command(cmd::license);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    const headless::MessageBoxCall& box = headless::messageBoxes()[0];
    EXPECT_EQ(box.caption, "About Tavrins Editor 0.3.1 ");
    EXPECT_EQ(box.style, mb::ok);
    EXPECT_EQ(box.owner, headless::mainWindow());
    // The whole text, lines separated by CR LF, and nothing after its last character.
    EXPECT_EQ(box.text.rfind("Tavrins Editor 0.3.1\r\n", 0), 0u);
    EXPECT_NE(box.text.find("\r\n"), std::string::npos);
    EXPECT_EQ(box.text.back(), '\n');
}

TEST_F(Shell, QuitDeclinedKeepsTheProgramRunning) {
    startWith(sequence(4));
    headless::type("2");
    // No, or the box closed any other way (Escape, its close button): only Yes discards.
    headless::answerMessageBoxes({answer::no, answer::cancel, answer::cancel});
    headless::press('Q', {vk::control});
    headless::closeWindow();
    headless::command(cmd::newFile);
    EXPECT_EQ(headless::messageBoxes().size(), 3u);
    EXPECT_FALSE(headless::quitPosted());
    EXPECT_FALSE(state.closing);
    EXPECT_EQ(documentBytes()[0], 0x20);
}

TEST_F(Shell, QuitAndClosingBehaveAlikeAndSaveThePlacement) {
    for (const bool byKey : {true, false}) {
        headless::clearSettings();
        startWith(sequence(4));
        headless::type("3");
        headless::answerMessageBoxes({answer::yes});
        if (byKey) {
            headless::press('Q', {vk::control});
        } else {
            headless::closeWindow();
        }
        EXPECT_EQ(lastMessage(), discardQuestion);
        EXPECT_TRUE(headless::quitPosted());
        EXPECT_EQ(headless::settings().count("Software\\kez\\tarnvik\\WinPos"), 1u);
        headless::finish();
    }
}

TEST_F(Shell, ClosingWithoutChangesAsksNothing) {
    start();
    headless::closeWindow();
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_TRUE(headless::quitPosted());
}

TEST_F(Shell, MessagesQueuedAfterShutDownTouchNothing) {
    startWith(sequence(64));
    // Shut-down runs while keys, a command and a paint are still waiting in the queue.
    shutDown();
    ASSERT_TRUE(state.closing);
    headless::type("abc");
    headless::command(cmd::undo);
    headless::scroll(sb::lineDown);
    platform::invalidate(headless::pane(0), true);
    headless::pump();
    EXPECT_EQ(documentBytes(), sequence(64));
    // The document is released once the loop has ended.
    headless::finish();
    EXPECT_EQ(state.document, nullptr);
    EXPECT_EQ(state.undoLog, nullptr);
}

TEST_F(Shell, TheMainWindowPassesTheFocusToTheActivePane) {
    startWith(sequence(4));
    EXPECT_EQ(headless::focus(), headless::pane(0));
    headless::press(vk::tab);
    headless::activate();
    EXPECT_EQ(headless::focus(), headless::pane(1));
    // The pane that takes the focus gets the block caret at the caret's cell.
    EXPECT_EQ(headless::caret().owner, headless::pane(1));
    EXPECT_EQ(headless::caret().width, 8);
    EXPECT_EQ(headless::caret().height, 12);
}

TEST_F(Shell, UnknownCommandsAndFindMessagesWithoutTheDialogDoNothing) {
    startWith(sequence(4));
    headless::command(999);
    headless::command(0);
    // The find dialog's messages, posted by another program with no request or a stray one.
    int stray = 0;
    for (const uint32_t message : {wm::findFromDialog, wm::replaceOnce, wm::replaceAll}) {
        for (const intptr_t request : {intptr_t{0}, reinterpret_cast<intptr_t>(&stray)}) {
            EXPECT_EQ(platform::sendMessage(headless::mainWindow(), message, 0, request), 0);
        }
    }
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(documentBytes(), sequence(4));
}

TEST_F(Shell, StartsWithoutAnyMemoryBlockAndReportsTheFirstEdit) {
    headless::reset();
    headless::failAllocations(0, -1);
    ASSERT_TRUE(headless::start());
    EXPECT_EQ(state.document->capacity, 0);
    EXPECT_EQ(state.undoLog->slotCount, 0u);
    headless::type("a");
    EXPECT_EQ(lastMessage(), "Low Memory!\n\rAction could not be completed!");
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(state.caret, 0);
    expectPanesMatchRepaint();
}
