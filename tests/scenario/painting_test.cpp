// What the panes show: hex colour groups, characters, selected cells, white past the end, the
// half-typed byte, and which repaints draw what.
#include "scenario.h"

#include "view/pane_paint.h"

using Painting = Scenario;

namespace {

constexpr uint32_t black = 0x000000;
constexpr uint32_t red = 0x0000FF;
constexpr uint32_t white = 0xFFFFFF;
constexpr uint32_t cyan = 0xFFFF00;

// Repaints both panes from scratch through the platform, as a full WM_PAINT would.
void repaintAll() {
    platform::invalidate(headless::pane(0), true);
    platform::invalidate(headless::pane(1), true);
    headless::pump();
}

} // namespace

TEST_F(Painting, HexGroupsAlternateEveryFourCellsWithTenBytesPerRow) {
    startWith(Bytes(40, 0xAB));
    const headless::Grid& hex = headless::grid(0);
    for (int32_t row = 0; row < 2; ++row) {
        for (int32_t column = 0; column < 20; ++column) {
            const uint32_t expected = (column / 4) % 2 == 0 ? black : red;
            EXPECT_EQ(hex.at(column, row).text, expected) << column << "," << row;
            EXPECT_EQ(hex.at(column, row).background, white);
        }
        EXPECT_EQ(hex.text(row).substr(0, 20), "ABABABABABABABABABAB");
    }
}

TEST_F(Painting, AnOddRowWidthEndsWithAShortGroupInTheFirstColour) {
    startWith(Bytes(40, 0x12));
    headless::resizeWindow(state.chromeWidth + 9 * 24, 300);
    ASSERT_EQ(state.rowCells[0], 18);
    const headless::Grid& hex = headless::grid(0);
    const uint32_t expected[18] = {black, black, black, black, red, red, red, red,   black,
                                   black, black, black, red,   red, red, red, black, black};
    for (int32_t row = 0; row < 3; ++row) {
        for (int32_t column = 0; column < 18; ++column) {
            EXPECT_EQ(hex.at(column, row).text, expected[column]) << column << "," << row;
        }
    }
    // Each colour group is one text call: five per row.
    headless::resetCounters();
    repaintAll();
    const int32_t rows = headless::grid(0).rows;
    EXPECT_EQ(headless::textCalls(0), 4 * 5 + 2); // 40 bytes: four whole rows and 4 bytes
    EXPECT_EQ(headless::textCalls(1), 5);
    EXPECT_GT(rows, 5);
}

TEST_F(Painting, ARepaintFromColumnSixStartsWithTwoCellsOfTheSecondColour) {
    startWith(sequence(40));
    headless::resetCounters();
    repaintBytes(3, 2); // bytes 3 and 4: hex cells 6 to 9
    EXPECT_EQ(headless::textCalls(0), 2);
    EXPECT_EQ(headless::textCalls(1), 1);
    EXPECT_EQ(headless::grid(0).at(6, 0).text, red);
    EXPECT_EQ(headless::grid(0).at(8, 0).text, black);
    expectPanesMatchRepaint();
}

TEST_F(Painting, TheTextPaneShowsEveryByteInTheFirstColour) {
    startWith(sequence(256));
    state.textColors[1] = 0x00FF00;
    repaintAll();
    const headless::Grid& text = headless::grid(1);
    for (int b = 0; b < 230; ++b) {
        const headless::Cell& cell = text.at(b % 10, b / 10);
        EXPECT_EQ(cell.character, b);
        EXPECT_EQ(cell.text, black);
    }
    // The second colour shows in the hex pane.
    EXPECT_EQ(headless::grid(0).at(4, 0).text, 0x00FF00u);
}

TEST_F(Painting, SelectedCellsShowInComplementedColours) {
    startWith(sequence(40));
    state.selection = {3, 7};
    repaintAll();
    const headless::Grid& hex = headless::grid(0);
    const headless::Grid& text = headless::grid(1);
    EXPECT_EQ(hex.at(5, 0).background, white);
    for (int32_t column = 6; column < 14; ++column) {
        const uint32_t expected = (column / 4) % 2 == 0 ? white : cyan;
        EXPECT_EQ(hex.at(column, 0).text, expected) << column;
        EXPECT_EQ(hex.at(column, 0).background, black) << column;
    }
    EXPECT_EQ(hex.at(14, 0).background, white);
    for (int32_t column = 3; column < 7; ++column) {
        EXPECT_EQ(text.at(column, 0).text, white);
        EXPECT_EQ(text.at(column, 0).background, black);
    }
    EXPECT_EQ(text.at(7, 0).background, white);
    // The colours themselves are back to normal after painting.
    EXPECT_EQ(state.textColors[0], black);
    EXPECT_EQ(state.textColors[1], red);
}

TEST_F(Painting, CellsPastTheEndAreWhite) {
    startWith(sequence(15));
    const headless::Grid& hex = headless::grid(0);
    const headless::Grid& text = headless::grid(1);
    EXPECT_NE(hex.at(9, 1).character, headless::filled);
    EXPECT_EQ(hex.at(10, 1).character, headless::filled);
    EXPECT_EQ(hex.at(10, 1).background, white);
    EXPECT_EQ(text.at(4, 1).character, 0x0E);
    EXPECT_EQ(text.at(5, 1).character, headless::filled);
    for (int32_t row = 2; row < hex.rows; ++row) {
        for (int32_t column = 0; column < 20; ++column) {
            EXPECT_EQ(hex.at(column, row).character, headless::filled);
        }
    }
}

TEST_F(Painting, AnEmptyFilePaintsBothPanesWhite) {
    startWith({});
    for (int pane = 0; pane < 2; ++pane) {
        const headless::Grid& grid = headless::grid(pane);
        for (const headless::Cell& cell : grid.cells) {
            EXPECT_EQ(cell.character, headless::filled);
        }
    }
}

TEST_F(Painting, AHalfTypedByteShowsItsDigitButNoCharacter) {
    startWith(Bytes({0x41}));
    headless::press(vk::pageDown, {vk::control});
    headless::type("7");
    ASSERT_EQ(state.length, 3);
    EXPECT_EQ(headless::grid(0).at(2, 0).character, '7');
    EXPECT_EQ(headless::look(headless::grid(0).at(3, 0)).character, headless::filled);
    EXPECT_EQ(headless::look(headless::grid(1).at(1, 0)).character, headless::filled);
    expectPanesMatchRepaint();
    // A full repaint shows the same: the digit, and no character yet.
    repaintAll();
    EXPECT_EQ(headless::grid(0).at(2, 0).character, '7');
    EXPECT_EQ(headless::look(headless::grid(1).at(1, 0)).character, headless::filled);
}

TEST_F(Painting, RepaintBytesDrawsOnlyWhatIsOnThePage) {
    startWith(sequence(2000));
    headless::scroll(sb::thumbPosition, 10); // bytes 100 ... on the page
    headless::resetCounters();
    repaintBytes(95, 10); // begins above the page: only bytes 100 to 104
    EXPECT_EQ(headless::textCalls(1), 1);
    EXPECT_EQ(headless::textCalls(0), 3);
    headless::resetCounters();
    repaintBytes(100 + state.pageCells / 2 + 1, 50); // more than a page below the top
    EXPECT_EQ(headless::textCalls(0), 0);
    EXPECT_EQ(headless::textCalls(1), 0);
    headless::resetCounters();
    repaintBytes(90, 5); // wholly above the page
    EXPECT_EQ(headless::textCalls(0), 0);
    expectPanesMatchRepaint();
}

TEST_F(Painting, APaintRepaintsWholeRowsOfTheUpdateRectangle) {
    startWith(sequence(500));
    headless::resetCounters();
    // A few pixels of row 3 only: the whole row is painted, and nothing else.
    platform::invalidateRect(headless::pane(1), {2, 3 * 12 + 5, 6, 3 * 12 + 7}, false);
    headless::pump();
    EXPECT_EQ(headless::textCalls(1), 1);
    EXPECT_EQ(headless::textCalls(0), 0);
    platform::invalidateRect(headless::pane(0), {0, 11, 2, 13}, false); // rows 0 and 1
    headless::pump();
    EXPECT_EQ(headless::textCalls(0), 10);
}

TEST_F(Painting, ClippingOnShorteningCutsOrClearsTheSelection) {
    startWith(sequence(100));
    state.selection = {10, 60};
    state.length = 80; // the file now ends at byte 40
    clipSelectionAndRepaint(40, 60);
    EXPECT_EQ(state.selection.start, 10);
    EXPECT_EQ(state.selection.end, 40);
    state.length = 10; // now before the selection's start
    clipSelectionAndRepaint(5, 35);
    EXPECT_EQ(state.selection.start, 0);
    EXPECT_EQ(state.selection.end, 0);
    expectPanesMatchRepaint();
}
