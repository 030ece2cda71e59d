// The repaint oracle: after any sequence of keys, typing, scrolls, resizes, undos, selecting moves,
// drags with their auto-scroll ticks, Select All and Toggle, both panes must look exactly as a full
// repaint from scratch draws them. Incremental drawing (typed cells, blanked end cells, scrolled
// contents, partial repaints, inverted highlights) must never leave a cell a full repaint would
// draw differently.
#include "scenario.h"

#include "app/commands.h"

#include <random>

using RepaintOracle = Scenario;

namespace {

void randomStep(std::mt19937& random) {
    static const int keys[] = {vk::left, vk::right, vk::up,     vk::down,
                               vk::home, vk::end,   vk::pageUp, vk::pageDown};
    switch (random() % 22) {
    case 0:
    case 1:
    case 2:
        headless::press(keys[random() % 8]);
        break;
    case 3:
        headless::press(random() % 2 ? vk::pageDown : vk::pageUp, {vk::control});
        break;
    case 4:
    case 5: {
        static const char digits[] = "0123456789abcdef";
        const std::string typed(1, state.activePane == 0 ? digits[random() % 16]
                                                         : static_cast<char>('a' + random() % 26));
        headless::type(typed);
        break;
    }
    case 6:
        headless::character(static_cast<uint8_t>(27 + random() % 229));
        break;
    case 7:
        headless::press(vk::back);
        break;
    case 8:
        headless::press(vk::tab);
        break;
    case 9:
        headless::command(cmd::undo);
        break;
    case 10: {
        static const int codes[] = {sb::lineUp, sb::lineDown, sb::pageUp, sb::pageDown};
        headless::scroll(codes[random() % 4]);
        break;
    }
    case 11:
        headless::scroll(sb::thumbPosition, static_cast<int32_t>(random() % (state.totalRows + 2)));
        break;
    case 12:
        headless::wheel(random() % 2 ? 120 : -120);
        break;
    case 13: {
        // A selection somewhere in the file, shown by a full repaint.
        const auto bytes = static_cast<uint32_t>(state.length / 2 + 1);
        const auto start = static_cast<int32_t>(random() % bytes);
        const auto end =
            static_cast<int32_t>(start + random() % (bytes - static_cast<uint32_t>(start)));
        state.selection = {start, end};
        platform::invalidate(headless::pane(0), false);
        platform::invalidate(headless::pane(1), false);
        headless::pump();
        break;
    }
    case 15:
        headless::press(keys[random() % 8], {vk::shift});
        break;
    case 16:
    case 17:
    case 18: {
        // The pointer anywhere over the panes, or above or below them (reached while captured).
        static void (*const actions[])(headless::Point) = {
            headless::mouseDown, headless::mouseUp, headless::doubleClick, headless::mouseMove,
            headless::mouseMove};
        const auto x = static_cast<int32_t>(random() % (state.clientSize[0] + 1));
        const auto y = static_cast<int32_t>(random() % (state.clientSize[1] + 80)) - 40;
        actions[random() % 5]({x, y});
        break;
    }
    case 19:
        headless::tick(static_cast<int>(1 + random() % 6));
        break;
    case 20:
        headless::command(random() % 2 ? cmd::selectAll : cmd::toggleSelection);
        break;
    default: {
        const auto width = static_cast<int32_t>(60 + random() % 500);
        const auto height = static_cast<int32_t>(60 + random() % 400);
        // Now and then a size that skips the snapping: a partly visible bottom row.
        (random() % 3 == 0 ? headless::resizeWithoutSnapping : headless::resizeWindow)(width,
                                                                                       height);
        break;
    }
    }
}

} // namespace

TEST_F(RepaintOracle, IncrementalDrawingAlwaysMatchesAFullRepaint) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::mt19937 random(seed);
        const size_t size = random() % 3 == 0 ? random() % 40 : random() % 3000;
        startWith(sequence(size, static_cast<uint8_t>(seed)));
        for (int step = 0; step < 1200; ++step) {
            randomStep(random);
            SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(step));
            ASSERT_NO_FATAL_FAILURE(expectPanesMatchRepaint());
            ASSERT_LE(state.caret, state.length);
            ASSERT_EQ(state.topCell % state.rowCells[0], 0);
            ASSERT_GE(state.topCell, 0);
        }
        headless::finish();
    }
}

TEST_F(RepaintOracle, TypingInsideASelectionKeepsItsColours) {
    startWith(sequence(60));
    state.selection = {2, 12};
    platform::invalidate(headless::pane(0), false);
    platform::invalidate(headless::pane(1), false);
    headless::pump();
    for (int i = 0; i < 6; ++i) {
        headless::press(vk::right);
    }
    headless::type("7c");
    headless::press(vk::tab);
    headless::type("Q");
    expectPanesMatchRepaint();
    EXPECT_EQ(headless::grid(0).at(6, 0).background, 0x000000u);
}
