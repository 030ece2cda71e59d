// The caret and the view: navigation keys, pages, the scroll bar, the wheel, the title offset
// and the pane switch.
#include "scenario.h"

using Navigation = Scenario;

namespace {

int32_t topRow() {
    return state.topCell / state.rowCells[0];
}

} // namespace

TEST_F(Navigation, LeftAndRightStopAtTheFileEnds) {
    startWith(sequence(3));
    headless::press(vk::left);
    EXPECT_EQ(state.caret, 0);
    for (int i = 0; i < 5; ++i) {
        headless::press(vk::right);
    }
    EXPECT_EQ(state.caret, 5);
    headless::press(vk::right);
    EXPECT_EQ(state.caret, 6); // the append position
    headless::press(vk::right);
    EXPECT_EQ(state.caret, 6);
}

TEST_F(Navigation, TheTextPaneMovesByWholeBytes) {
    startWith(sequence(30));
    headless::press(vk::tab);
    headless::press(vk::right);
    EXPECT_EQ(state.caret, 2);
    headless::press(vk::down);
    EXPECT_EQ(state.caret, 22);
    headless::press(vk::left);
    EXPECT_EQ(state.caret, 20);
    EXPECT_EQ(headless::caret().x, 0);
    EXPECT_EQ(headless::caret().y, 12);
}

TEST_F(Navigation, DownOnTheLastRowsStopsAtTheEnd) {
    startWith(sequence(25)); // rows of 10 bytes: the last row holds 5
    for (int i = 0; i < 15; ++i) {
        headless::press(vk::right);
    }
    headless::press(vk::down);
    EXPECT_EQ(state.caret, 35);
    headless::press(vk::down); // the next row is shorter than the caret's column
    EXPECT_EQ(state.caret, 50);
    headless::press(vk::down);
    EXPECT_EQ(state.caret, 50);
    headless::press(vk::up);
    EXPECT_EQ(state.caret, 30);
}

TEST_F(Navigation, HomeAndEndReachTheRowEnds) {
    startWith(sequence(30));
    headless::press(vk::down);
    headless::press(vk::right);
    headless::press(vk::right);
    headless::press(vk::right);
    headless::press(vk::end);
    EXPECT_EQ(state.caret, 39); // the low digit of the row's last byte
    headless::press(vk::home);
    EXPECT_EQ(state.caret, 20);
    headless::press(vk::tab);
    headless::press(vk::end);
    EXPECT_EQ(state.caret, 38); // the row's last byte
    headless::press(vk::home);
    EXPECT_EQ(state.caret, 20);
}

TEST_F(Navigation, PageDownFirstMovesThenScrolls) {
    startWith(sequence(2000));
    const int32_t rows = state.visibleRows;
    headless::press(vk::pageDown);
    EXPECT_EQ(state.caret, (rows - 1) * 20);
    EXPECT_EQ(topRow(), 0);
    headless::press(vk::pageDown);
    EXPECT_EQ(state.caret, 2 * (rows - 1) * 20);
    // The caret's row is now the last whole row.
    EXPECT_EQ(topRow(), 2 * (rows - 1) - rows + 1);
    EXPECT_EQ(headless::caret().y, (rows - 1) * 12);
    headless::press(vk::pageUp);
    EXPECT_EQ(state.caret, (rows - 1) * 20);
    expectPanesMatchRepaint();
}

TEST_F(Navigation, ControlPagesGoToTheEndsOfTheFile) {
    startWith(sequence(2005));
    headless::press(vk::right);
    headless::press(vk::pageDown, {vk::control});
    EXPECT_EQ(state.caret, state.length);
    // The last page, with the append row at the bottom.
    EXPECT_EQ(topRow(), state.totalRows - state.visibleRows + 1);
    EXPECT_EQ(state.totalRows, 4010 / 20);
    EXPECT_EQ(headless::title(), "Edit: 2005");
    expectPanesMatchRepaint();
    headless::press(vk::pageUp, {vk::control});
    EXPECT_EQ(state.caret, 0);
    EXPECT_EQ(topRow(), 0);
    expectPanesMatchRepaint();
}

TEST_F(Navigation, TheTitleShowsTheCaretsByteOffset) {
    startWith(sequence(30));
    for (int i = 0; i < 21; ++i) {
        headless::press(vk::right);
    }
    EXPECT_EQ(state.caret, 21);
    EXPECT_EQ(headless::title(), "Edit: 10"); // the low digit of byte 10
}

TEST_F(Navigation, TabFromALowDigitGoesBackToItsHighDigit) {
    startWith(sequence(30));
    headless::press(vk::right);
    headless::press(vk::right);
    headless::press(vk::right);
    ASSERT_EQ(state.caret, 3);
    headless::press(vk::tab);
    EXPECT_EQ(state.activePane, 1);
    EXPECT_EQ(state.caret, 2);
    EXPECT_EQ(headless::caret().owner, headless::pane(1));
    EXPECT_EQ(headless::caret().x, 8);
}

TEST_F(Navigation, TheScrollBarPullsTheCaretOntoThePage) {
    startWith(sequence(5000));
    headless::scroll(sb::lineDown);
    EXPECT_EQ(topRow(), 1);
    EXPECT_EQ(state.caret, 20); // the page's first cell
    EXPECT_EQ(headless::title(), "Edit: 10");
    headless::scroll(sb::pageDown);
    EXPECT_EQ(topRow(), state.visibleRows);
    headless::press(vk::pageDown); // the caret near the bottom of the page
    const int32_t caret = state.caret;
    headless::scroll(sb::lineUp);
    headless::scroll(sb::pageUp);
    EXPECT_LT(state.caret, caret);
    EXPECT_EQ(state.caret, state.topCell + state.pageCells - 1); // the page's last cell
    headless::scroll(sb::thumbPosition, 100);
    EXPECT_EQ(topRow(), 100);
    headless::scroll(sb::thumbTrack, 3); // the view does not follow a dragged thumb
    EXPECT_EQ(topRow(), 100);
    headless::scroll(sb::thumbPosition, 100000); // clamped to the scroll range
    EXPECT_EQ(topRow(), state.totalRows - state.visibleRows + 1);
    EXPECT_EQ(headless::scrollBar().position, topRow());
    expectPanesMatchRepaint();
}

TEST_F(Navigation, TheWheelScrollsByTheSystemSetting) {
    startWith(sequence(5000));
    headless::wheel(-120);
    EXPECT_EQ(topRow(), 3);
    headless::wheel(-40); // a fine wheel: one row for each step of 40
    headless::wheel(-40);
    EXPECT_EQ(topRow(), 5);
    headless::wheel(-39); // a remainder below a step is dropped
    headless::wheel(-39);
    EXPECT_EQ(topRow(), 5);
    headless::wheel(240);
    EXPECT_EQ(topRow(), 0);
    headless::changeWheelSetting(0);
    headless::wheel(-120);
    EXPECT_EQ(topRow(), 0);
    headless::changeWheelSetting(0xFFFFFFFF); // a screen per notch: the wheel does nothing
    EXPECT_EQ(state.wheelStep, 0);
    headless::changeWheelSetting(1);
    headless::wheel(-120);
    EXPECT_EQ(topRow(), 1);
    expectPanesMatchRepaint();
}

TEST_F(Navigation, AShortFileCannotScroll) {
    startWith(sequence(100));
    EXPECT_LT(headless::scrollBar().maximum, headless::scrollBar().page);
    headless::scroll(sb::lineDown);
    headless::wheel(-360);
    headless::press(vk::pageDown, {vk::control});
    EXPECT_EQ(state.topCell, 0);
    EXPECT_EQ(state.caret, 200);
}

TEST_F(Navigation, ShiftIsTrackedByItsKeys) {
    startWith(sequence(10));
    headless::keyDown(vk::shift);
    EXPECT_EQ(state.shiftDown, 1);
    headless::keyUp(vk::shift);
    EXPECT_EQ(state.shiftDown, 0);
}

TEST_F(Navigation, ScrollingOneRowConvertsOnlyTheNewRow) {
    startWith(sequence(100000));
    const int32_t firstEnd = state.document->validEnd;
    headless::scroll(sb::lineDown);
    // The hex window grew by exactly the newly shown row.
    EXPECT_EQ(state.document->validEnd, firstEnd + 10);
    headless::resetCounters();
    headless::scroll(sb::lineDown);
    // Only the uncovered row is drawn: five groups of hex digits and one row of text.
    EXPECT_EQ(headless::textCalls(0), 5);
    EXPECT_EQ(headless::textCalls(1), 1);
    expectPanesMatchRepaint();
}
