// Errors by number, and running out of memory during an edit: the two reports and the rescue
// file.
#include "scenario.h"

#include "app/commands.h"
#include "files/errors.h"

#include <filesystem>
#include <functional>
#include <unistd.h>

namespace {

const char lowMemory[] = "Low Memory!\n\rAction could not be completed!";
const char rescueQuestion[] = "Low Memory - Program unstable!\n\rSave changes to temporary file?";

// Runs the test in its temporary folder, where the rescue file is written.
class LowMemory : public Scenario {
  protected:
    void SetUp() override {
        Scenario::SetUp();
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        previous = here;
        ASSERT_EQ(chdir(directory.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous.c_str()), 0);
        Scenario::TearDown();
    }

    // The caret at the end of a file whose store is exactly full, so that the next byte typed
    // there needs more memory.
    void startAtFullStore(const Bytes& bytes) {
        startWith(bytes);
        headless::press(vk::pageDown, {vk::control});
        ASSERT_EQ(state.document->capacity, static_cast<int32_t>(bytes.size()));
    }

    // An unsaved change: the last byte typed over with AB, the caret back at the end.
    static void typeOverTheLastByte() {
        headless::press(vk::left);
        headless::press(vk::left);
        headless::type("ab");
        ASSERT_EQ(state.caret, state.length);
    }

    std::string previous;
};

} // namespace

TEST_F(LowMemory, ErrorsShowTheirTextOrTheirNumber) {
    start();
    const std::pair<int16_t, const char*> cases[] = {
        {127, "Error 127"}, {131, "Error 131"},         {4, "Error 4"},
        {-3, "Error -3"},   {128, "Can't access file"}, {130, "Maximum filesize exceeded"}};
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(showError(number), 0);
        EXPECT_EQ(lastMessage(), text);
        EXPECT_EQ(headless::messageBoxes().back().caption, "Message from KezEdit");
        EXPECT_EQ(headless::messageBoxes().back().owner, headless::mainWindow());
    }
}

TEST_F(LowMemory, AFailingFirstEditOnlySaysSo) {
    startAtFullStore(sequence(10));
    headless::failAllocations(0, 1);
    headless::type("7");
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    const headless::MessageBoxCall& box = headless::messageBoxes()[0];
    EXPECT_EQ(box.text, lowMemory);
    EXPECT_EQ(box.style, mb::systemModal | mb::iconError);
    EXPECT_EQ(state.length, 20);
    EXPECT_EQ(state.caret, 20);
    EXPECT_FALSE(headless::quitPosted());
    // Nothing was drawn for the failed byte, and the program goes on.
    expectPanesMatchRepaint();
    headless::type("7");
    EXPECT_EQ(state.length, 21);
}

TEST_F(LowMemory, RescueDeclinedGoesOn) {
    startAtFullStore(sequence(10));
    headless::press(vk::tab);
    headless::press(vk::left);
    headless::type("z"); // an earlier unsaved change
    headless::press(vk::right);
    headless::failAllocations(0, 1);
    headless::answerMessageBoxes({answer::no});
    headless::type("q");
    EXPECT_EQ(lastMessage(), rescueQuestion);
    EXPECT_EQ(headless::messageBoxes().back().style, mb::systemModal | mb::iconError | mb::yesNo);
    EXPECT_FALSE(headless::quitPosted());
    EXPECT_FALSE(fileExists("KEZRescueFile"));
    EXPECT_EQ(state.length, 20);
}

TEST_F(LowMemory, RescueWritesTheDocumentAndEndsTheProgram) {
    startAtFullStore(sequence(10));
    typeOverTheLastByte();
    headless::failAllocations(0, 1);
    headless::answerMessageBoxes({answer::yes});
    headless::type("c");
    Bytes expected = sequence(10);
    expected[9] = 0xAB;
    EXPECT_EQ(readFile("KEZRescueFile"), expected);
    EXPECT_TRUE(headless::quitPosted());
    EXPECT_TRUE(state.closing);
    // No question about the unsaved changes; the window placement is saved as on a normal exit.
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::settings().count("Software\\kez\\tarnvik\\WinPos"), 1u);
    // Whatever still arrives before the loop ends touches nothing.
    headless::type("1234");
    headless::command(cmd::undo);
    EXPECT_EQ(readFile("KEZRescueFile"), expected);
}

// The program can end while a command waits for an answer: a rescue after typing into the panes
// during the ownerless close question, or a close posted to the main window during a dialog.
// The command that asked must then change nothing, on disk or in the document.
TEST_F(LowMemory, ACommandWhoseQuestionOutlivesTheProgramChangesNothing) {
    const auto rescue = [] {
        headless::failAllocations(0, 1);
        headless::type("c");
    };
    const auto close = [] { headless::closeWindow(); };
    const std::tuple<int, bool, std::function<void()>> cases[] = {
        {cmd::open, true, rescue}, {cmd::extendFile, false, close}, {cmd::saveAs, false, close}};
    for (const auto& [command, rescued, during] : cases) {
        SCOPED_TRACE(command);
        startAtFullStore(sequence(10));
        typeOverTheLastByte();
        const Bytes before = documentBytes();
        writeFile("other.bin", sequence(4, 7));
        headless::chooseFiles({path("other.bin")});
        headless::answerMessageBoxes({answer::yes, answer::yes});
        headless::answerDialog({headless::dialog::type("3"), headless::dialog::click(1)});
        headless::duringNextModal(during);
        headless::command(command);
        ASSERT_TRUE(state.closing);
        EXPECT_EQ(documentBytes(), before);
        EXPECT_EQ(readFile("other.bin"), sequence(4, 7));
        if (rescued) {
            EXPECT_EQ(readFile("KEZRescueFile"), before);
        }
    }
}

TEST_F(LowMemory, ARescueFileThatCannotBeWrittenWholeKeepsTheProgramRunning) {
    startAtFullStore(sequence(3000));
    typeOverTheLastByte();
    headless::failAllocations(0, 1);
    headless::limitWrites(1000);
    headless::answerMessageBoxes({answer::yes});
    headless::type("c");
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_FALSE(headless::quitPosted());
    EXPECT_FALSE(state.closing);
    // The document is still there, and can be saved once there is room.
    headless::limitWrites(-1);
    headless::command(cmd::save);
    EXPECT_EQ(readFile("doc.bin").size(), 3000u);
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(LowMemory, ARescueFileThatCannotBeCreatedIsReported) {
    startAtFullStore(sequence(10));
    typeOverTheLastByte();
    // The current folder is gone: nothing can be created in it.
    std::filesystem::create_directory(path("gone"));
    ASSERT_EQ(chdir(path("gone").c_str()), 0);
    std::filesystem::remove(path("gone"));
    headless::failAllocations(0, 1);
    headless::answerMessageBoxes({answer::yes});
    headless::type("c");
    EXPECT_EQ(lastMessage(), "Can't access file");
    EXPECT_FALSE(headless::quitPosted());
}

TEST_F(LowMemory, AFailedHexCacheGrowthOffersTheRescue) {
    headless::Metrics large;
    large.cxMaximized = 2000;
    large.cyMaximized = 1600;
    startWith(sequence(20000), large);
    headless::type("1"); // one unsaved change
    headless::failAllocations(0, -1);
    headless::answerMessageBoxes({answer::no, answer::no, answer::no, answer::no});
    // A page of more bytes than the cache holds.
    headless::resizeWindow(state.chromeWidth + 60 * 24, 48 + 100 * 12);
    ASSERT_FALSE(headless::messageBoxes().empty());
    EXPECT_EQ(headless::messageBoxes()[0].text, rescueQuestion);
    // The window stays within the cache; the hex pane shows what the cache could take.
    const DocumentBuffer& document = *state.document;
    EXPECT_LE(document.validEnd - document.cacheBase, document.cacheCapacity);
    EXPECT_GT(state.pageCells / 2, document.cacheCapacity);
    EXPECT_FALSE(headless::quitPosted());
    const headless::Grid& hex = headless::grid(0);
    const int32_t shown = 2 * (document.validEnd - state.topCell / 2);
    EXPECT_EQ(hex.at((shown - 1) % 120, (shown - 1) / 120).character, 'F');
    EXPECT_EQ(hex.at(shown % 120, shown / 120).character, headless::filled);
    headless::failAllocations(0, 0);
}

TEST_F(LowMemory, AnUndoThatCannotGetItsBufferKeepsTheRecord) {
    startWith(Bytes(1000, 0x11));
    writeFile("fifty.bin", Bytes(50, 0x22));
    headless::chooseFiles({path("fifty.bin")});
    headless::command(cmd::insertFile);
    ASSERT_EQ(documentBytes()[0], 0x22);
    headless::failAllocations(0, 1);
    headless::answerMessageBoxes({answer::no});
    headless::command(cmd::undo);
    EXPECT_EQ(lastMessage(), rescueQuestion);
    EXPECT_EQ(documentBytes()[0], 0x22);
    EXPECT_EQ(state.undoLog->recordCount, 1);
    headless::command(cmd::undo);
    EXPECT_EQ(documentBytes(), Bytes(1000, 0x11));
}
