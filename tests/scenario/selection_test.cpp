// The selection from the keyboard, the commands and the mouse: Shift moves, clicks, drags in and
// across both panes with their auto-scroll ticks, Select All, Toggle and the double click.
#include "scenario.h"

#include "app/commands.h"

namespace {

constexpr uint32_t dragTimer = 2;

class Selection : public Scenario {
  protected:
    // The selection is [start, end) and the panes show it as a full repaint draws it.
    static void expectSelection(int32_t start, int32_t end) {
        EXPECT_EQ(state.selection.start, start);
        EXPECT_EQ(state.selection.end, end);
        expectPanesMatchRepaint();
    }

    static void press(int key, int times = 1, std::initializer_list<int> modifiers = {vk::shift}) {
        for (int i = 0; i < times; ++i) {
            headless::press(key, modifiers);
        }
    }
};

void expectNoDrag() {
    EXPECT_EQ(headless::capture(), nullptr);
    EXPECT_FALSE(headless::timerRunning(dragTimer));
    EXPECT_EQ(state.mouseSelecting, 0); // moves select nothing
}

// The middle of byte b's cell on the page (its high digit in the hex pane), moved by rows.
headless::Point byteAt(int pane, int32_t b, int32_t rows = 0) {
    const int32_t perRow = state.rowCells[1];
    return headless::cellPoint(pane, (b % perRow) * (2 - pane), b / perRow + rows);
}

} // namespace

TEST_F(Selection, ShiftMovesSelectTheBytesTheCaretPasses) {
    const int32_t cases[][7] = {
        // caret, pane, key, presses: caret, selection
        {10, 0, vk::right, 1, 11, 0, 0}, // between the digits of byte 5: nothing yet
        {10, 0, vk::right, 2, 12, 5, 6},
        {12, 0, vk::left, 1, 11, 5, 6}, // landing on byte 5 selects it at once
        {10, 1, vk::right, 2, 14, 5, 7},
        {0, 0, vk::down, 1, 20, 0, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        startWith(sequence(30));
        press(vk::right, c[0], {});
        press(vk::tab, c[1], {});
        press(c[2], c[3]);
        EXPECT_EQ(state.caret, c[4]);
        expectSelection(c[5], c[6]);
    }
}

TEST_F(Selection, ClicksKeepItAndShiftMovesTakeTheNearerEdge) {
    startWith(sequence(30));
    press(vk::down);
    press(vk::up); // shrunk to nothing: the highlight goes
    expectSelection(0, 0);
    press(vk::down, 1, {});
    press(vk::down);                    // [10, 20)
    headless::mouseDown(byteAt(1, 15)); // the middle, in the text pane
    headless::mouseUp(byteAt(1, 15));
    EXPECT_EQ(headless::focus(), headless::pane(1));
    expectSelection(10, 20);
    press(vk::right); // a tie: the end is the nearer edge
    expectSelection(10, 16);
    headless::keyDown(vk::shift);
    headless::mouseDown(headless::cellPoint(0, 11, 0)); // byte 5's low digit, past the far edge
    headless::mouseUp(headless::cellPoint(0, 11, 0));
    headless::keyUp(vk::shift);
    EXPECT_EQ(state.caret, 10); // rounded to its byte by the switch of panes
    expectSelection(5, 10);     // from the caret to the old far edge
    // A drag between the two digits of one byte: the old highlight goes, nothing is selected.
    headless::mouseDown(headless::cellPoint(0, 6, 1));
    headless::mouseMove(headless::cellPoint(0, 7, 1));
    EXPECT_EQ(state.caret, 27);
    expectSelection(13, 13);
}

TEST_F(Selection, SelectAllToggleAndTheDoubleClick) {
    startWith(sequence(15));
    press(vk::right, 6, {});
    press(vk::right, 6); // [3, 6): Select All inverts only the rest
    press(vk::pageDown, 1, {vk::control});
    headless::type("7"); // a half-typed last byte is never selected
    press('A', 1, {vk::control});
    expectSelection(0, 15);
    press('T', 1, {vk::control});
    expectSelection(0, 0);
    press('T', 1, {vk::control});
    expectSelection(0, 15);
    headless::doubleClick(headless::cellPoint(0, 4, 1));
    expectSelection(0, 0);
    press('T', 1, {vk::control});
    expectSelection(0, 15);
}

TEST_F(Selection, DragsSelectFromThePressPointToTheByteUnderThePointer) {
    // The pane pressed in and the one dragged over; over the text pane, the byte under it.
    const int panes[][2] = {{0, 0}, {1, 1}, {0, 1}};
    for (const auto& [from, over] : panes) {
        SCOPED_TRACE(2 * from + over);
        startWith(sequence(30));
        headless::mouseDown(byteAt(from, 3));
        headless::mouseMove(byteAt(over, 7));
        headless::mouseMove(byteAt(over, 1)); // back past the press point
        expectSelection(1, 3);
        // Over the gap between the panes: the hex row's last column.
        headless::mouseMove({headless::windowRect(headless::pane(1)).left - 3, byteAt(0, 20).y});
        EXPECT_EQ(state.caret, 59);
        headless::mouseMove(byteAt(over, 1, state.visibleRows + 3));
        headless::tick(3);
        EXPECT_EQ(state.caret, state.length); // stopped at the file's end
        headless::mouseUp(byteAt(over, 1));   // the pane under the pointer becomes active
        expectNoDrag();
        EXPECT_EQ(state.activePane, over);
        EXPECT_EQ(headless::focus(), headless::pane(over));
        expectSelection(3, 30);
    }
}

TEST_F(Selection, AutoScrollCountsTimerTicksAndABoxOrALostCaptureEndsTheDrag) {
    startWith(sequence(2000));
    const int32_t rows = state.visibleRows;
    headless::mouseDown(byteAt(0, 101));
    headless::mouseMove(byteAt(0, 121));
    // Where the pointer is (rows below the first row), the ticks, and the top row then. Below
    // the rows: a row at once, the 6th tick, then every 5th; farther: every tick; back in the
    // slow zone: the 5th tick; inside the rows the timer stops; above, up to the file's start.
    const int32_t steps[][3] = {{rows, 0, 1}, {rows, 5, 1},     {rows, 1, 2},     {rows, 4, 2},
                                {rows, 1, 3}, {rows + 3, 1, 4}, {rows + 3, 2, 6}, {rows, 4, 6},
                                {rows, 1, 7}, {10, 3, 7},       {-1, 0, 6},       {-1, 5, 6},
                                {-1, 1, 5},   {-3, 1, 4},       {-3, 5, 0}};
    int32_t pointer = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        if (step[0] != pointer) { // the system reports only real moves
            pointer = step[0];
            headless::mouseMove(byteAt(0, 1, pointer));
        }
        headless::tick(step[1]);
        EXPECT_EQ(state.topCell / 20, step[2]);
        EXPECT_EQ(headless::timerRunning(dragTimer), pointer < 0 || pointer >= rows);
    }
    EXPECT_EQ(state.caret, 0); // stopped at the file's start
    headless::mouseMove(byteAt(0, 41));
    for (int i = 0; i < 12; ++i) { // ticks still queued once the drag left the zones or ended
        if (i == 6) {
            headless::mouseUp(byteAt(0, 41));
        }
        platform::sendMessage(headless::mainWindow(), wm::timer, dragTimer, 0);
    }
    EXPECT_EQ(state.caret, 82);
    expectNoDrag();
    expectSelection(41, 101);
    // Another program asks to open a file that is not there: the box that says so ends the drag,
    // and the ticks while it is open move nothing. Another window taking the capture ends one
    // too.
    headless::mouseDown(byteAt(0, 3));
    headless::mouseMove(byteAt(0, 5));
    headless::mouseMove(byteAt(0, 5, rows));
    headless::duringNextModal([] { headless::tick(3); });
    const std::string missing = path("missing.bin");
    headless::command(cmd::openPath, reinterpret_cast<intptr_t>(missing.c_str()));
    EXPECT_EQ(lastMessage(), "Can't access file");
    expectNoDrag();
    headless::mouseDown(byteAt(0, 3));
    headless::mouseMove(byteAt(0, 5));
    platform::setCapture(headless::mainWindow()); // another window takes the mouse
    platform::releaseCapture();
    expectNoDrag();
}

TEST_F(Selection, AReleaseAnywhereEndsTheSelectingAndBareMovesSelectNothing) {
    // Released over the gap between the panes or outside the window, right after the press or
    // after a drag: the capture taken at the press brings the release back.
    for (const bool dragged : {false, true}) {
        for (const bool outside : {false, true}) {
            SCOPED_TRACE(2 * dragged + outside);
            startWith(sequence(60));
            const headless::Point away =
                outside ? headless::Point{-30, -30}
                        : headless::Point{headless::windowRect(headless::pane(1)).left - 3, 20};
            headless::mouseDown(byteAt(0, 12));
            if (dragged) {
                headless::mouseMove(byteAt(0, 15));
            }
            headless::mouseMove(away);
            headless::mouseUp(away);
            expectNoDrag();
            const ByteRange kept = state.selection;
            headless::mouseMove(byteAt(0, 40)); // no button held
            press(vk::right, 1, {});
            headless::mouseDown(byteAt(0, 50));
            headless::mouseUp(byteAt(0, 50));
            EXPECT_EQ(state.caret, 100);
            expectSelection(kept.start, kept.end);
        }
    }
    // A release the editor never saw (the move arrives without the button): nothing is selected.
    headless::mouseDown(byteAt(0, 10));
    const ByteRange before = state.selection;
    const headless::Point to = byteAt(0, 14);
    platform::sendMessage(headless::pane(0), wm::mouseMove, 0, to.x | intptr_t{to.y} << 16);
    expectNoDrag();
    EXPECT_EQ(state.caret, 20);
    expectSelection(before.start, before.end);
}

TEST_F(Selection, MovesInAZoneNeverOutpaceItsTicksAndComingBackStopsTheScrolling) {
    startWith(sequence(2000));
    const int32_t rows = state.visibleRows;
    headless::mouseDown(byteAt(0, 101));
    headless::mouseMove(byteAt(0, 1, rows)); // into the slow zone: one row at once
    EXPECT_EQ(state.topCell / 20, 1);
    for (int i = 0; i < 10; ++i) { // wiggling between ticks: only the 6th tick scrolls
        headless::mouseMove(headless::cellPoint(0, 2 * (i % 3) + 1, rows));
        headless::tick();
    }
    EXPECT_EQ(state.topCell / 20, 2);
    // Straight back onto the caret's own cell.
    headless::mouseMove(
        headless::cellPoint(0, state.caret % 20, (state.caret - state.topCell) / 20));
    EXPECT_FALSE(headless::timerRunning(dragTimer));
    headless::tick(12);
    EXPECT_EQ(state.topCell / 20, 2);
}

TEST_F(Selection, TheFirstMoveFromALowDigitAndAClickRightOfTheRowsLandExactly) {
    startWith(sequence(60));
    headless::mouseDown(headless::cellPoint(0, 7, 0)); // byte 3's low digit
    headless::mouseMove(byteAt(1, 7));                 // first move: over the text pane's byte 7
    EXPECT_EQ(state.caret, 14);
    expectSelection(3, 7);
    headless::mouseUp(byteAt(1, 7));
    // A window the size could not snap: a strip right of the rows in both panes. A click there
    // stays on its row, on the row's last cell.
    headless::resizeWithoutSnapping(state.chromeWidth + 30 * 8 + 20, 46 + 10 * 12);
    ASSERT_EQ(state.rowCells[1], 10);
    const int clicks[][2] = {{0, 58}, {0, 59}, {1, 58}}; // the switch of panes rounds
    for (const auto& [pane, caret] : clicks) {
        const headless::Point strip{headless::windowRect(headless::pane(pane)).right - 3,
                                    byteAt(0, 20).y};
        headless::mouseDown(strip);
        headless::mouseUp(strip);
        EXPECT_EQ(state.caret, caret);
    }
}
