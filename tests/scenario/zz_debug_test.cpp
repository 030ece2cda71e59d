#include "app/commands.h"
#include "scenario.h"
#include <cstdlib>
#include <random>
using Dbg = Scenario;
static int lastCase;
void randomStep(std::mt19937& random) {
    static const int keys[] = {vk::left, vk::right, vk::up,     vk::down,
                               vk::home, vk::end,   vk::pageUp, vk::pageDown};
    lastCase = int(random() % 14);
    switch (lastCase) {
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
    default:
        headless::resizeWindow(static_cast<int32_t>(60 + random() % 500),
                               static_cast<int32_t>(60 + random() % 400));
        break;
    }
}

TEST_F(Dbg, X) {
    unsigned seed = unsigned(atoi(getenv("SEED")));
    int last = atoi(getenv("STEP"));
    std::mt19937 random(seed);
    const size_t size = random() % 3 == 0 ? random() % 40 : random() % 3000;
    startWith(sequence(size, uint8_t(seed)));
    for (int step = 0; step <= last; ++step) {
        int top = state.topCell, len = state.length, caret = state.caret, pane = state.activePane;
        randomStep(random);
        if (step >= last - 6)
            printf("step %d case %d top %d->%d len %d->%d caret %d->%d pane %d->%d R %d vis %d sel "
                   "%d %d\n",
                   step, lastCase, top, state.topCell, len, state.length, caret, state.caret, pane,
                   state.activePane, state.rowCells[0], state.visibleRows, state.selection.start,
                   state.selection.end);
    }
}
