// Both mouse buttons at once, the strip right of the rows, and a new document during a drag:
// whatever the order of presses and releases, and wherever they happen, the last release ends
// every mouse mode, and each press counts where the pointer is.
#include "scenario.h"

#include "app/commands.h"

#include <string>

using MouseButtons = Scenario;

namespace {

constexpr uint32_t dragTimer = 2;

headless::Point byteAt(int pane, int32_t b) {
    return headless::cellPoint(pane, (b % 10) * (2 - pane), b / 10);
}

// A byte of a pane, or outside the window.
struct Place {
    int pane;
    int32_t byte;
    headless::Point point() const {
        return pane < 0 ? headless::Point{-30, -30} : byteAt(pane, byte);
    }
};
const Place outside{-1, 0};

bool popupShown() {
    return headless::isVisible(state.inspectorWindow);
}

void expectNoMouseMode() {
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(headless::capture(), nullptr);
    EXPECT_FALSE(headless::timerRunning(dragTimer));
    EXPECT_EQ(state.mouseSelecting, 0);
    EXPECT_EQ(state.dragPane, 0);
    EXPECT_EQ(state.inspectorCapture, 0);
}

} // namespace

TEST_F(MouseButtons, TheLastReleaseEndsEverythingAndEachPressCountsWhereThePointerIs) {
    struct Case {
        const char* steps; // L, R: left, right press; m: a move; l, r: left, right release
        Place first, second, release; // where the first and second presses, and the releases, are
        int32_t caret;
        int pane;
    };
    const Case cases[] = {
        {"LRlr", {0, 12}, {1, 30}, outside, 60, 1},
        {"LRlr", {0, 12}, {0, 15}, {1, 40}, 30, 0},
        {"LRrl", {0, 12}, {1, 30}, outside, 60, 1},
        {"RLlr", {1, 8}, {0, 22}, outside, 44, 0},  // the press on the hex pane
        {"RLmlr", {1, 8}, outside, outside, 16, 1}, // a press on nothing
        {"RLrl", {0, 5}, {1, 40}, outside, 80, 1},
        {"RLrl", {1, 5}, {1, 7}, {0, 1}, 14, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.steps) + " " + std::to_string(&c - cases));
        startWith(sequence(60));
        const bool leftFirst = c.steps[0] == 'L';
        for (const char* step = c.steps; *step != '\0'; ++step) {
            switch (*step) {
            case 'L':
                headless::mouseDown((leftFirst ? c.first : c.second).point());
                break;
            case 'R':
                headless::rightDown((leftFirst ? c.second : c.first).point());
                break;
            case 'm':
                headless::mouseMove(byteAt(0, 50));
                break;
            case 'l':
                headless::mouseUp(c.release.point());
                break;
            default:
                headless::rightUp(c.release.point());
                break;
            }
        }
        expectNoMouseMode();
        EXPECT_EQ(state.caret, c.caret);
        EXPECT_EQ(state.activePane, c.pane);
        EXPECT_EQ(state.selection.start, state.selection.end); // nothing was dragged
        headless::keyDown(vk::f1);                             // the popup can show again
        EXPECT_TRUE(popupShown());
        headless::keyUp(vk::f1);
        expectPanesMatchRepaint();
    }
}

TEST_F(MouseButtons, TheStripRightOfTheHexRowsBelongsToTheHexPane) {
    startWith(sequence(60));
    headless::resizeWithoutSnapping(state.chromeWidth + 30 * 8 + 20, 46 + 10 * 12);
    ASSERT_EQ(state.rowCells[1], 10);
    const int32_t stripX = headless::windowRect(headless::pane(0)).right - 3;
    // A drag from the text pane released over the strip leaves the hex pane active.
    headless::press(vk::tab);
    headless::mouseDown(byteAt(1, 3));
    headless::mouseMove(byteAt(1, 7));
    headless::mouseUp({stripX, byteAt(0, 20).y});
    EXPECT_EQ(state.activePane, 0);
    EXPECT_EQ(headless::focus(), headless::pane(0));
    // A right click there puts the popup under its byte, as one on the row's last digit does.
    for (const int32_t x : {byteAt(0, 19).x + 8, stripX}) {
        headless::rightDown({x, byteAt(0, 0).y});
        const platform::Rect popup = headless::windowRect(state.inspectorWindow);
        headless::rightUp({x, byteAt(0, 0).y});
        EXPECT_EQ(popup.left, 18 * 8 + 1) << x;
        EXPECT_EQ(state.caret, 19);
    }
}

TEST_F(MouseButtons, ANewDocumentDuringADragEndsIt) {
    writeFile("other.bin", sequence(3000));
    const std::string other = path("other.bin");
    const std::function<void()> replacements[] = {
        [&] { headless::dropFiles({other}); },
        [&] { headless::command(cmd::openPath, reinterpret_cast<intptr_t>(other.c_str())); },
    };
    for (const auto& replace : replacements) {
        startWith(sequence(2000));
        headless::mouseDown(byteAt(0, 12));
        headless::mouseMove(byteAt(0, 14));
        headless::mouseMove({byteAt(0, 14).x, 400}); // below the rows: the timer runs
        ASSERT_TRUE(headless::timerRunning(dragTimer));
        replace();
        ASSERT_EQ(state.length, 6000);
        expectNoMouseMode();
        headless::tick(10);
        headless::mouseMove(byteAt(0, 30));
        headless::mouseUp(byteAt(0, 30));
        EXPECT_EQ(state.caret, 0);
        EXPECT_EQ(state.selection.end, 0);
        expectPanesMatchRepaint();
    }
}
