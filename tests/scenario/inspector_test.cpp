// The value inspector: its texts for the bytes under the right button or at the caret (F1), its
// placement, and what hides it.
#include "scenario.h"

using Inspector = Scenario;

static std::string shown() {
    const platform::Window popup = state.inspectorWindow;
    return headless::isVisible(popup) ? headless::windowText(popup) : "";
}

// The popup's text while the right button is held on a cell ("" when none opens).
static std::string rightClick(int pane, int32_t column, int32_t row) {
    headless::rightDown(headless::cellPoint(pane, column, row));
    const std::string text = shown();
    headless::rightUp(headless::cellPoint(pane, column, row));
    EXPECT_EQ(shown(), "");
    return text;
}

TEST_F(Inspector, TheRightButtonShowsTheValuesOfTheBytesUnderIt) {
    Bytes bytes = sequence(30);
    bytes[16] = 0xC1, bytes[17] = 0xFE, bytes[19] = 0x80;
    startWith(bytes);
    EXPECT_EQ(rightClick(0, 13, 1), "@ 16\r\nb:193\n\rs:65217\r\nl:2148728513");
    const platform::Rect popup = headless::windowRect(state.inspectorWindow);
    EXPECT_EQ(popup.left, 12 * 8 + 1); // below the row, from the byte's first digit
    EXPECT_EQ(popup.top, 2 * 12 + 1);
    // The file's last four bytes hold a 32-bit value; its last byte, from either digit, only
    // the byte; the append position shows nothing.
    EXPECT_EQ(rightClick(0, 12, 2), "@ 26\r\nb:26\n\rs:6938\r\nl:488381210");
    EXPECT_EQ(rightClick(0, 19, 2), "@ 29\r\nb:29\n\rs:   \r\nl:");
    EXPECT_EQ(rightClick(0, 0, 3), "");
    headless::keyDown(vk::control); // signed values; near the right edge it ends with the byte
    const std::string title = headless::windowText(state.mainWindow);
    EXPECT_EQ(rightClick(1, 6, 1), "@ 16\r\nb:-63\n\rs:-319\r\nl:-2146238783");
    EXPECT_EQ(state.activePane, 1); // the click switched panes and left the title alone
    EXPECT_EQ(headless::windowText(state.mainWindow), title);
    // The text pane starts at 167; the popup is 104 wide.
    EXPECT_EQ(headless::windowRect(state.inspectorWindow).left, 167 + 7 * 8 + 1 - 104);
    headless::keyUp(vk::control);
    headless::keyDown(vk::shift); // the bits, least significant first
    EXPECT_EQ(rightClick(0, 12, 1), "@ 16\r\n%:10000011");
}

TEST_F(Inspector, F1ShowsTheBytesAtTheCaretAfterEditsOncePerPress) {
    startWith(sequence(200000));
    headless::press(vk::pageDown, {vk::control}); // the hex cache now starts near the end
    headless::type("abc"); // a byte, and a half-typed one: values need whole bytes in the file
    headless::press(vk::home);
    headless::keyDown(vk::f1);
    headless::keyDown(vk::left);
    headless::keyDown(vk::f1); // the key repeats: the popup keeps what it showed
    EXPECT_EQ(shown(), "@ 200000\r\nb:171\n\rs:   \r\nl:");
    EXPECT_EQ(headless::windowRect(state.inspectorWindow).top, 22 * 12 + 1 - 49); // above the row
    headless::keyUp(vk::f1);
    EXPECT_EQ(shown(), "");
    headless::keyDown(vk::f1);
    EXPECT_EQ(shown(), "@ 199999\r\nb:63\n\rs:43839\r\nl:");
    headless::wheel(120); // a scroll hides it
    EXPECT_EQ(shown(), "");
}

TEST_F(Inspector, ItGoesWhereverTheButtonComesUpAndThePanesRedrawWhatItCovered) {
    startWith(sequence(200));
    headless::rightDown(headless::cellPoint(0, 4, 2));
    ASSERT_NE(shown(), "");
    headless::press(vk::down, {vk::shift}); // highlights rows under the popup
    headless::press(vk::down, {vk::shift});
    headless::rightUp({-30, -30}); // released outside the window
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(headless::capture(), nullptr);
    expectPanesMatchRepaint();
    headless::keyDown(vk::f1); // F1 held while the focus goes to another program
    ASSERT_NE(shown(), "");
    platform::setFocus(nullptr);
    EXPECT_EQ(shown(), "");
    // On a file of 8 bytes, byte 4 holds a 32-bit value whichever of its digits is clicked.
    startWith(sequence(8));
    for (const int digit : {8, 9}) {
        EXPECT_EQ(rightClick(0, digit, 0), "@ 4\r\nb:4\n\rs:1284\r\nl:117835012");
    }
}

TEST_F(Inspector, TheLastWholeByteShowsFromEitherDigitAndAHalfTypedOneNever) {
    // A file of 4 bytes, a digit typed at its end or not, and the caret moved back to a nibble
    // index: F1 shows the last whole byte from either digit, and nothing past it.
    for (const auto& [typed, caret, text] : {std::tuple{"", 8, ""},
                                             {"", 7, "@ 3\r\nb:3\n\rs:   \r\nl:"},
                                             {"7", 8, ""},
                                             {"7", 9, ""},
                                             {"7", 7, "@ 3\r\nb:3\n\rs:   \r\nl:"}}) {
        startWith(sequence(4));
        headless::press(vk::pageDown, {vk::control});
        headless::type(typed);
        while (state.caret > caret) {
            headless::press(vk::left);
        }
        headless::keyDown(vk::f1);
        EXPECT_EQ(shown(), text) << typed << caret;
        headless::keyUp(vk::f1);
    }
}
