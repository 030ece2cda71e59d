// The panes on Wine: painted pixels and the real scroll bar.
#include "program.h"

#include "document/document_buffer.h"

using Panes = Program;

namespace {

struct CellColours {
    bool red = false;
    bool black = false;
    bool white = false;
    bool other = false;
};

// The colours of a cell's pixels in a pane.
CellColours cellColours(HWND pane, int column, int row) {
    CellColours colours;
    HDC dc = GetDC(pane);
    for (int y = row * state.lineHeight; y < (row + 1) * state.lineHeight; ++y) {
        for (int x = column * state.charWidth; x < (column + 1) * state.charWidth; ++x) {
            const COLORREF pixel = GetPixel(dc, x, y);
            colours.red |= pixel == RGB(255, 0, 0);
            colours.black |= pixel == RGB(0, 0, 0);
            colours.white |= pixel == RGB(255, 255, 255);
            colours.other |=
                pixel != RGB(255, 0, 0) && pixel != RGB(0, 0, 0) && pixel != RGB(255, 255, 255);
        }
    }
    ReleaseDC(pane, dc);
    return colours;
}

} // namespace

TEST_F(Panes, HexDigitsShowInTheirGroupColoursAndWhiteFollowsTheEnd) {
    writeFile("aa.bin", std::vector<uint8_t>(15, 0xAA));
    startProgram(("\"" + path("aa.bin") + "\"").c_str());
    ASSERT_EQ(state.length, 30);
    ASSERT_EQ(state.rowCells[0], 20);
    UpdateWindow(pane(0));
    UpdateWindow(pane(1));
    // Column 4 begins the second group: red digits on white.
    const CellColours odd = cellColours(pane(0), 4, 0);
    EXPECT_TRUE(odd.red);
    EXPECT_FALSE(odd.black);
    EXPECT_TRUE(odd.white);
    const CellColours even = cellColours(pane(0), 0, 0);
    EXPECT_TRUE(even.black);
    EXPECT_FALSE(even.red);
    // After the 15th byte (column 10 of row 1) every cell is white.
    for (int column = 10; column < 20; ++column) {
        const CellColours blank = cellColours(pane(0), column, 1);
        EXPECT_TRUE(blank.white && !blank.black && !blank.red && !blank.other) << column;
    }
    const CellColours text = cellColours(pane(1), 6, 1);
    EXPECT_TRUE(text.white && !text.black);
    // Glyphs stay within their cells: a cell between two digits is not blank.
    EXPECT_TRUE(cellColours(pane(1), 0, 0).black);
}

TEST_F(Panes, TheRealScrollBarMovesTheView) {
    std::vector<uint8_t> bytes(3000);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i / 10);
    }
    writeFile("long.bin", bytes);
    startProgram(("\"" + path("long.bin") + "\"").c_str());
    ASSERT_EQ(state.topCell, 0);
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetScrollBarInfo(mainWindow(), OBJID_VSCROLL, &bar));
    // A click on the down arrow, at the bottom of the bar.
    const int x = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2;
    const int y = bar.rcScrollBar.bottom - bar.dxyLineButton / 2;
    SetCursorPos(x, y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    pump(300);
    EXPECT_EQ(state.topCell, state.rowCells[0]);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(mainWindow(), SB_VERT, &info);
    EXPECT_EQ(info.nPos, 1);
    EXPECT_EQ(info.nMax, state.length / state.rowCells[0]);
    EXPECT_EQ(static_cast<int32_t>(info.nPage), state.visibleRows);
    // The caret was pulled onto the page, and the title follows it.
    EXPECT_EQ(state.caret, state.rowCells[0]);
    EXPECT_EQ(windowText(mainWindow()), "Edit:long.bin 10");
}
