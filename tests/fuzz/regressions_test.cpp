// Faults the event fuzzer found, each as the shortest sequence that showed it.
#include "tests/scenario/scenario.h"

#include "app/commands.h"

namespace {

using Fuzzed = Scenario;

TEST_F(Fuzzed, UndoCutsBackAPasteThatBeganOnATypedDigit) {
    startWith({0x11, 0x22});
    headless::press(vk::right);
    headless::press(vk::right);
    headless::type("7"); // the high digit of the last byte: its record takes in what follows
    headless::putOnClipboard(cf::text, {'A', 'B', 'C', 'D', 0});
    headless::command(cmd::paste); // saves the one byte that existed and runs past the end
    ASSERT_EQ(state.length, 10);
    headless::command(cmd::undo);
    EXPECT_EQ(state.length, 4);
    EXPECT_EQ(documentBytes(), (Bytes{0x11, 0x22}));
}

TEST_F(Fuzzed, ToggleBringsBackASelectionCutAtTheShorterFile) {
    startWith(sequence(10));
    headless::command(cmd::selectAll);
    headless::command(cmd::toggleSelection); // put aside: [0, 10)
    for (int i = 0; i < 8; ++i) {
        headless::press(vk::right);
    }
    headless::command(cmd::cutFile); // the file ends at byte 4
    headless::command(cmd::toggleSelection);
    EXPECT_EQ(state.selection.start, 0);
    EXPECT_EQ(state.selection.end, 4);
    expectPanesMatchRepaint();
}

TEST_F(Fuzzed, ADragWhoseFirstMoveComesFromTheOtherPaneEndsWithTheFocusRight) {
    startWith(sequence(40));
    headless::mouseDown(headless::cellPoint(1, 3, 0)); // the text pane becomes active
    headless::mouseMove(headless::cellPoint(0, 1, 0)); // already over the hex pane
    headless::mouseUp(headless::cellPoint(0, 1, 0));
    EXPECT_EQ(state.activePane, 0);
    EXPECT_EQ(headless::focus(), headless::pane(0));
}

TEST_F(Fuzzed, ATabDuringADragLeavesTheFocusWithThePaneReleasedOver) {
    startWith(sequence(40));
    headless::mouseDown(headless::cellPoint(0, 1, 0));
    headless::mouseMove(headless::cellPoint(0, 5, 0));
    headless::press(vk::tab); // the text pane takes the focus while the button is held
    headless::mouseUp(headless::cellPoint(0, 5, 0));
    EXPECT_EQ(state.activePane, 0);
    EXPECT_EQ(headless::focus(), headless::pane(0));
}

TEST_F(Fuzzed, AnUnsnappedWidthLeavesNoStaleCellsBesideTheRows) {
    startWith(sequence(100)); // 10 bytes per row: the hex pane is 20 cells wide
    // 9 bytes per row and 5 pixels more: the hex pane is now two columns wider than its rows.
    const platform::Rect rect = headless::windowRect(headless::mainWindow());
    headless::resizeWithoutSnapping(265, rect.bottom - rect.top);
    ASSERT_EQ(state.rowCells[1], 9);
    ASSERT_EQ(headless::grid(0).columns, 20);
    expectPanesMatchRepaint();
}

} // namespace
