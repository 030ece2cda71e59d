// Both mouse buttons at once, the strip right of the rows, and a new document during a drag:
// whatever the order of presses and releases, and wherever they happen, the last release ends
// every mouse mode, and each press counts where the pointer is.
#include "scenario.h"

#include "app/commands.h"

using MouseButtons = Scenario;

namespace {

// Byte b of the hex pane, b - 100 of the text pane from 100 on, or outside the window (-1).
headless::Point at(int32_t b) {
    const int pane = b >= 100 ? 1 : 0;
    b %= 100;
    return b < 0 ? headless::Point{-30, -30}
                 : headless::cellPoint(pane, (b % 10) * (2 - pane), b / 10);
}

void expectNoMouseMode() {
    EXPECT_FALSE(headless::isVisible(state.inspectorWindow));
    EXPECT_EQ(headless::capture(), nullptr);
    EXPECT_FALSE(headless::timerRunning(2));
    EXPECT_EQ(state.mouseSelecting + state.dragPane + state.inspectorCapture, 0);
}

} // namespace

TEST_F(MouseButtons, TheLastReleaseEndsEverythingAndEachPressCountsWhereThePointerIs) {
    // The steps (L, R: left, right press; m: a move; l, r: left, right release), where the left
    // and right presses and the releases are, and where the caret ends and in which pane.
    const std::tuple<const char*, int32_t, int32_t, int32_t, int32_t, int> cases[] = {
        {"LRlr", 12, 130, -1, 60, 1},  {"LRlr", 12, 15, 140, 30, 0}, {"LRrl", 12, 130, -1, 60, 1},
        {"RLlr", 22, 108, -1, 44, 0},  // the press on the hex pane, not the right button's pane
        {"RLmlr", -1, 108, -1, 16, 1}, // a press on nothing
        {"RLrl", 140, 5, -1, 80, 1},   {"RLrl", 107, 105, 1, 14, 1},
    };
    for (const auto& [steps, left, right, release, caret, pane] : cases) {
        SCOPED_TRACE(steps + std::to_string(left));
        startWith(sequence(60));
        for (const char* step = steps; *step != '\0'; ++step) {
            *step == 'L'   ? headless::mouseDown(at(left))
            : *step == 'R' ? headless::rightDown(at(right))
            : *step == 'm' ? headless::mouseMove(at(50))
            : *step == 'l' ? headless::mouseUp(at(release))
                           : headless::rightUp(at(release));
        }
        expectNoMouseMode();
        EXPECT_EQ(state.caret, caret);
        EXPECT_EQ(state.activePane, pane);
        EXPECT_EQ(state.selection.start, state.selection.end); // nothing was dragged
        headless::keyDown(vk::f1);                             // the popup can show again
        EXPECT_TRUE(headless::isVisible(state.inspectorWindow));
        headless::keyUp(vk::f1);
        expectPanesMatchRepaint();
    }
}

TEST_F(MouseButtons, TheStripRightOfTheHexRowsBelongsToTheHexPane) {
    startWith(sequence(60));
    headless::resizeWithoutSnapping(state.chromeWidth + 30 * 8 + 20, 46 + 10 * 12);
    ASSERT_EQ(state.rowCells[1], 10);
    const int32_t strip = headless::windowRect(headless::pane(0)).right - 3;
    // A drag from the text pane released over the strip leaves the hex pane active.
    headless::press(vk::tab);
    headless::mouseDown(at(103));
    headless::mouseMove(at(107));
    headless::mouseUp({strip, at(20).y});
    EXPECT_EQ(state.activePane, 0);
    EXPECT_EQ(headless::focus(), headless::pane(0));
    // A right click there puts the popup under its byte, as one on the row's last digit does.
    for (const int32_t x : {at(9).x + 8, strip}) {
        headless::rightDown({x, at(0).y});
        EXPECT_EQ(headless::windowRect(state.inspectorWindow).left, 18 * 8 + 1) << x;
        headless::rightUp({x, at(0).y});
    }
}

TEST_F(MouseButtons, ANewDocumentDuringADragEndsIt) {
    writeFile("other.bin", sequence(3000));
    const std::string other = path("other.bin");
    for (const bool dropped : {true, false}) {
        startWith(sequence(2000));
        headless::mouseDown(at(12));
        headless::mouseMove(at(14));
        headless::mouseMove({at(14).x, 400}); // below the rows: the timer runs
        ASSERT_TRUE(headless::timerRunning(2));
        dropped ? headless::dropFiles({other})
                : headless::command(cmd::openPath, reinterpret_cast<intptr_t>(other.c_str()));
        ASSERT_EQ(state.length, 6000);
        expectNoMouseMode();
        headless::tick(10);
        headless::mouseMove(at(30));
        headless::mouseUp(at(30));
        EXPECT_EQ(state.caret + state.selection.end, 0);
        expectPanesMatchRepaint();
    }
}
