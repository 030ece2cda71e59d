// The program's modal loops with real keys and clicks: the input dialog of Extend File, find and
// replace in both panes, and the close question.
#include "program.h"

#include "dialogs/input_dialog.h"

#include <cctype>

using Dialogs = Program;

TEST_F(Dialogs, TheInputAndFindDialogsAndTheCloseQuestionUnderRealKeysAndClicks) {
    const std::string text = "....AB......AB......AB........";
    writeFile("find.bin", std::vector<uint8_t>(text.begin(), text.end()));
    startProgram(("\"" + path("find.bin") + "\"").c_str());
    const auto shows = [](HWND box, const char* shown) {
        waitUntil([=] { return windowText(box) == shown; }, shown);
    };
    const auto selected = [](int32_t start) {
        waitUntil(
            [=] { return state.selection.start == start && state.selection.end == start + 2; },
            "the match at " + std::to_string(start));
    };
    const POINT byte1 = cellPoint(0, 2);
    asUser([&] {
        // Extend File: decimal digits only, until the Hex box is checked.
        sendKeys({VK_CONTROL, 'E'});
        HWND dialog = waitForDialog("Question from Kezedit");
        HWND box = GetDlgItem(dialog, control::firstEdit);
        sendText("1xa2");
        shows(box, "12");
        click(GetDlgItem(dialog, control::checkbox));
        shows(box, "C");
        click(GetDlgItem(dialog, control::ok));
        waitUntil([] { return state.length == 2 * (30 + 12); }, "12 bytes added");

        // In the hex pane, hex digits only: Search, Replace, then "... all" twice (a search, then
        // the replacements from there on).
        sendKeys({VK_CONTROL, 'F'});
        dialog = waitForDialog("Question from Kezedit");
        sendText("4x14g2");
        shows(GetDlgItem(dialog, control::firstEdit), "4142");
        click(GetDlgItem(dialog, control::expand));
        sendText("5a5a");
        shows(GetDlgItem(dialog, control::secondEdit), "5A5A");
        click(GetDlgItem(dialog, control::ok));
        selected(4);
        click(GetDlgItem(dialog, control::replace));
        click(GetDlgItem(dialog, control::replaceAll));
        selected(12);
        click(GetDlgItem(dialog, control::replaceAll));
        HWND count = waitForDialog("Message from KezEdit");
        EXPECT_EQ(windowText(GetDlgItem(count, 0xFFFF)), "2 replacement(s) in total");
        EXPECT_EQ(GetWindow(count, GW_OWNER), dialog);
        click(GetDlgItem(count, IDOK));
        waitUntil([=] { return !IsWindow(dialog); }, "the dialog closed");

        // In the text pane, any character.
        sendKeys({VK_TAB});
        sendKeys({VK_CONTROL, VK_PRIOR});
        sendKeys({VK_CONTROL, 'F'});
        dialog = waitForDialog("Question from Kezedit");
        sendText("ZZ");
        shows(GetDlgItem(dialog, control::firstEdit), "ZZ");
        click(GetDlgItem(dialog, control::ok));
        selected(4);
        sendKeys({VK_ESCAPE});
        waitUntil([=] { return !IsWindow(dialog); }, "the dialog closed");

        // The close question has no owner: the user clicks the hex pane and types while it is
        // open, and its modal loop hands the keys to the pane without the program's routing.
        sendKeys({VK_CONTROL, 'Q'});
        HWND question = waitForDialog("Message from KezEdit");
        EXPECT_EQ(GetWindow(question, GW_OWNER), nullptr);
        sendMouse(byte1, MOUSEEVENTF_LEFTDOWN);
        sendMouse(byte1, MOUSEEVENTF_LEFTUP);
        waitUntil([] { return GetFocus() == pane(0) && state.caret == 2; }, "the click");
        sendText("g\t\bk5");
        waitUntil([] { return state.document->bytes[1] == 0x5E; }, "the digit 5");
        PostMessageA(question, WM_COMMAND, IDNO, 0);
    });
    EXPECT_FALSE(quit);
    EXPECT_EQ(state.activePane, 0);
    ASSERT_EQ(state.length, 2 * 42);
    const char* document = reinterpret_cast<const char*>(state.document->bytes);
    EXPECT_EQ(std::string(document, 42), ".^..ZZ......ZZ......ZZ........" + std::string(12, '\0'));
}

TEST_F(Dialogs, EveryBoxTakesExactlyItsLimitWhateverTheWidthOfItsText) {
    writeFile("limits.bin", std::vector<uint8_t>(16, 'x'));
    startProgram(("\"" + path("limits.bin") + "\"").c_str());
    // Each box gets one character more than it takes; wide letters overflow what it shows.
    const auto fill = [](HWND dialog, int id, char c, size_t limit) {
        waitUntil(
            [=] { return SetFocus(GetDlgItem(dialog, id)), GetFocus() == GetDlgItem(dialog, id); },
            "the box's focus");
        sendText(std::string(limit + 1, c));
        const std::string expected(limit, static_cast<char>(std::toupper(c)));
        waitUntil([=] { return windowText(GetDlgItem(dialog, id)) == expected; },
                  std::to_string(limit) + " of " + std::string(1, c));
    };
    asUser([&] {
        sendKeys({VK_CONTROL, 'R'}); // the hex pane: 62 digits, 31 bytes
        HWND dialog = waitForDialog("Question from Kezedit");
        fill(dialog, control::firstEdit, '8', 62);
        fill(dialog, control::secondEdit, 'e', 62);
        // Each key waits for what the one before did: a Tab typed before the box has gone would
        // move its focus instead of changing panes.
        const auto close = [](HWND box) {
            sendKeys({VK_ESCAPE});
            waitUntil([=] { return !IsWindow(box); }, "the box closed");
        };
        close(dialog);
        sendKeys({VK_TAB});
        waitUntil([] { return state.activePane == 1; }, "the text pane");
        sendKeys({VK_CONTROL, 'R'}); // the text pane: 31 characters
        dialog = waitForDialog("Question from Kezedit");
        fill(dialog, control::firstEdit, 'W', 31);
        fill(dialog, control::secondEdit, 'M', 31);
        close(dialog);
        sendKeys({VK_CONTROL, 'D'}); // Decimal: 11 characters
        dialog = waitForDialog("Question from Kezedit");
        fill(dialog, control::firstEdit, '8', 11);
        close(dialog);
    });
    EXPECT_EQ(state.undoLog->changeCount, 0);
    EXPECT_TRUE(answeredBoxes().empty());
}
