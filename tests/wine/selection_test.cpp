// The real mouse and clipboard: a drag over the text pane, its highlight, the selection copied
// and saved, text another program left pasted, and the value inspector under the right button.
#include "program.h"

#include <cstring>

namespace {

class Selection : public Program {
  protected:
    // A point of the screen off the main window.
    static POINT outsideTheWindow() {
        RECT frame{};
        GetWindowRect(mainWindow(), &frame);
        return {frame.right + 40, frame.bottom + 40};
    }
    // The pointer moved with the buttons changed, each step handled before the next, as a hand
    // is slower than the program.
    void mouse(POINT at, DWORD buttons) {
        sendMouse(at, buttons);
        pump(60);
    }
};

} // namespace

TEST_F(Selection, ADragSelectsInvertsCopiesAndSavesTheBytesUnderThePointer) {
    const std::vector<uint8_t> bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 0,   'I', 'J',
                                     'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T'};
    writeFile("drag.bin", bytes);
    startProgram(("\"" + path("drag.bin") + "\"").c_str());
    // The pixels of both panes' first two rows, each with the byte it shows.
    const auto shot = [] {
        std::vector<std::pair<COLORREF, int32_t>> pixels;
        HideCaret(nullptr);
        for (const int index : {0, 1}) {
            HDC dc = GetDC(pane(index));
            for (int y = 0; y < 2 * state.lineHeight; ++y) {
                for (int x = 0; x < state.rowCells[index] * state.charWidth; ++x) {
                    pixels.emplace_back(GetPixel(dc, x, y),
                                        y / state.lineHeight * state.rowCells[1] +
                                            x / state.charWidth / (2 - index));
                }
            }
            ReleaseDC(pane(index), dc);
        }
        ShowCaret(nullptr);
        return pixels;
    };
    const auto before = shot();
    sendMouse(cellPoint(1, 12), MOUSEEVENTF_LEFTDOWN);
    sendMouse(cellPoint(1, 22), MOUSEEVENTF_LEFTUP);
    pump(60);
    EXPECT_EQ(state.selection.start, 6);
    EXPECT_EQ(state.selection.end, 11);
    EXPECT_EQ(state.activePane, 1);
    // Inverted under the selected bytes in both panes, exactly as a full repaint draws them.
    const auto after = shot();
    int wrong = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const bool selected = before[i].second >= 6 && before[i].second < 11;
        wrong += after[i].first != (selected ? before[i].first ^ 0xFFFFFF : before[i].first);
    }
    EXPECT_EQ(wrong, 0);
    for (const int index : {0, 1}) {
        RedrawWindow(pane(index), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    EXPECT_TRUE(shot() == after);

    pressKeys({VK_CONTROL, 'C'});
    const auto block = [](UINT format) {
        OpenClipboard(nullptr);
        HANDLE data = GetClipboardData(format);
        const auto* at = static_cast<const uint8_t*>(GlobalLock(data));
        std::vector<uint8_t> copied(at, at + GlobalSize(data));
        GlobalUnlock(data);
        CloseClipboard();
        return copied;
    };
    EXPECT_EQ(block(CF_TEXT), (std::vector<uint8_t>{'G', 0, 'I', 'J', 'K', 0}));
    EXPECT_EQ(block(RegisterClipboardFormatA("KEZ_BIN")), (std::vector<uint8_t>{5, 0, 0, 0}));
    asUser([&] {
        sendKeys({VK_CONTROL, VK_MENU, 'S'});
        answerFileDialog("Save Selection", path("selection.bin"));
    });
    EXPECT_EQ(readFile("selection.bin"), std::vector<uint8_t>(&bytes[6], &bytes[11]));

    // Text alone, as another program leaves it, pasted at the end of the file.
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(text), "Hi!", 4);
    GlobalUnlock(text);
    ASSERT_TRUE(OpenClipboard(mainWindow()));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    pressKeys({VK_CONTROL, VK_NEXT});
    pressKeys({VK_CONTROL, 'V'});
    ASSERT_EQ(state.length, 2 * 23);
    EXPECT_EQ(std::memcmp(state.document->bytes + 20, "Hi!", 3), 0);

    // The right button shows the values at byte 16 ("QRST") until it is released.
    HWND popup = reinterpret_cast<HWND>(state.inspectorWindow);
    sendMouse(cellPoint(0, 32), MOUSEEVENTF_RIGHTDOWN);
    pump(60);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_EQ(windowText(popup), "@ 16\r\nb:81\n\rs:21073\r\nl:1414746705");
    sendMouse(cellPoint(0, 32), MOUSEEVENTF_RIGHTUP);
    pump(60);
    EXPECT_FALSE(IsWindowVisible(popup));
    EXPECT_TRUE(answeredBoxes().empty());
}

TEST_F(Selection, ButtonsReleasedOutsideTheWindowAndTextInALargerBlock) {
    writeFile("mouse.bin", std::vector<uint8_t>(64, 'a'));
    startProgram(("\"" + path("mouse.bin") + "\"").c_str());
    const POINT outside = outsideTheWindow();
    // The left button released outside the window: moves and keys select nothing afterwards.
    mouse(cellPoint(0, 8), MOUSEEVENTF_LEFTDOWN);
    mouse(outside, 0);
    mouse(outside, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(state.mouseSelecting, 0);
    const ByteRange kept = state.selection;
    mouse(cellPoint(0, 60), 0);
    pressKeys({VK_RIGHT});
    EXPECT_EQ(std::pair(state.selection.start, state.selection.end),
              std::pair(kept.start, kept.end));

    // The inspector under the right button: a highlight drawn beneath it leaves it whole, and
    // released outside the window it goes.
    HWND popup = reinterpret_cast<HWND>(state.inspectorWindow);
    mouse(cellPoint(0, 4), MOUSEEVENTF_RIGHTDOWN);
    ASSERT_TRUE(IsWindowVisible(popup));
    const auto pixels = [popup] {
        std::vector<COLORREF> shown;
        HDC dc = GetDC(popup);
        for (int y = 0; y < state.inspectorHeight; y += 2) {
            for (int x = 0; x < state.inspectorWidth; x += 2) {
                shown.push_back(GetPixel(dc, x, y));
            }
        }
        ReleaseDC(popup, dc);
        return shown;
    };
    const auto before = pixels();
    pressKeys({VK_SHIFT, VK_DOWN});
    pressKeys({VK_SHIFT, VK_DOWN});
    EXPECT_NE(state.selection.end, 0);
    EXPECT_TRUE(pixels() == before);
    mouse(outside, 0);
    mouse(outside, MOUSEEVENTF_RIGHTUP);
    EXPECT_FALSE(IsWindowVisible(popup));
    EXPECT_EQ(GetCapture(), nullptr);

    // Text another program put in a block far larger than it needs: only the text is pasted.
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4096);
    std::memcpy(GlobalLock(text), "hi", 2);
    GlobalUnlock(text);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    pressKeys({VK_CONTROL, VK_NEXT});
    pressKeys({VK_LEFT}); // byte 63's low digit: the paste starts at its byte
    pressKeys({VK_CONTROL, 'V'});
    EXPECT_EQ(state.length, 2 * 65);
    EXPECT_EQ(std::memcmp(state.document->bytes + 63, "hi", 2), 0);
    EXPECT_TRUE(answeredBoxes().empty());
}

TEST_F(Selection, BothButtonsInAnyOrderEndWithTheLastReleaseAndEachPressCountsWhereItIs) {
    writeFile("buttons.bin", std::vector<uint8_t>(64, 'b'));
    startProgram(("\"" + path("buttons.bin") + "\"").c_str());
    const POINT outside = outsideTheWindow();
    // Each case: where the first button goes down, then the second, where the caret is then and
    // after a move to byte 25; each button is then released outside the window, the first first.
    const struct {
        DWORD first, second;
        POINT firstAt, secondAt;
        int32_t caret, caretAfterMove;
    } cases[] = {
        // The right press on byte 10 shows the popup during the left one's drag.
        {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, cellPoint(0, 8), cellPoint(1, 20), 20, 50},
        // Right held in the text pane, left pressed on the hex pane's byte 22: the press is there.
        {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_LEFTDOWN, cellPoint(1, 16), cellPoint(0, 44), 44, 50},
        // Left pressed outside the window: a press on nothing, and no drag follows.
        {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_LEFTDOWN, cellPoint(1, 16), outside, 16, 16},
    };
    for (const auto& c : cases) {
        mouse(c.firstAt, c.first);
        mouse(c.secondAt, c.second);
        EXPECT_EQ(state.caret, c.caret);
        mouse(cellPoint(0, 50), 0);
        EXPECT_EQ(state.caret, c.caretAfterMove);
        mouse(outside, c.first << 1); // each button's up flag is twice its down flag
        mouse(outside, c.second << 1);
        EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(state.inspectorWindow)));
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(state.mouseSelecting, 0);
    }
}
