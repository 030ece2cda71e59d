// The layout: metrics, snapping to whole bytes and rows, the resize rules for the view and the
// caret, and the window rectangle kept in the settings.
#include "scenario.h"

#include "app/layout.h"

using Layout = Scenario;

namespace {

const std::string placementKey = "Software\\kez\\tarnvik\\WinPos";

Bytes rectBytes(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Bytes data;
    for (const int32_t value : {left, top, right, bottom}) {
        for (int b = 0; b < 4; ++b) {
            data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * b)));
        }
    }
    return data;
}

int32_t width(const platform::Rect& r) {
    return r.right - r.left;
}
int32_t height(const platform::Rect& r) {
    return r.bottom - r.top;
}

} // namespace

TEST_F(Layout, MetricsOfTheWorkedExample) {
    start();
    EXPECT_EQ(state.charWidth, 8);
    EXPECT_EQ(state.lineHeight, 12);
    EXPECT_EQ(state.borderWidth, 2);
    EXPECT_EQ(state.paneGap, 6);
    EXPECT_EQ(state.autoScrollMargin, 20);
    EXPECT_EQ(state.chromeWidth, 34);
    EXPECT_EQ(state.minTrackSize[0], 34 + 48);
    EXPECT_EQ(state.minTrackSize[1], 48 + 24);
    // The largest whole number of bytes and rows that fits the maximised window.
    EXPECT_EQ(state.maxTrackSize[0], 34 + (1032 - 34) / 24 * 24);
    EXPECT_EQ(state.maxTrackSize[1], 48 + (776 - 48) / 12 * 12);
    // The value inspector is sized to its font.
    EXPECT_EQ(state.inspectorWidth, 13 * 8);
    EXPECT_EQ(state.inspectorHeight, 4 * 12 + 1);
}

TEST_F(Layout, TheWorkedExampleSnapsTo298By396) {
    start();
    headless::resizeWindow(300, 400);
    const platform::Rect window = headless::windowRect(headless::mainWindow());
    EXPECT_EQ(width(window), 298);
    EXPECT_EQ(height(window), 396);
    EXPECT_EQ(state.chromeHeight, 48);
    EXPECT_EQ(state.clientSize[0], 274);
    EXPECT_EQ(state.clientSize[1], 350);
    EXPECT_EQ(state.rowCells[0], 22);
    EXPECT_EQ(state.rowCells[1], 11);
    EXPECT_EQ(state.visibleRows, 29);
    EXPECT_EQ(state.pageCells, 638);
    const platform::Rect hex = headless::windowRect(headless::pane(0));
    const platform::Rect text = headless::windowRect(headless::pane(1));
    EXPECT_EQ(hex.left, 0);
    EXPECT_EQ(width(hex), 178);
    EXPECT_EQ(text.left, 184);
    EXPECT_EQ(width(text), 90);
    EXPECT_EQ(height(hex), 350);
}

TEST_F(Layout, AFirstStartOpensAtTheTopLeftWithTenBytesPerRow) {
    start();
    const platform::Rect window = headless::windowRect(headless::mainWindow());
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(width(window), state.chromeWidth + 30 * 8);
    EXPECT_EQ(state.rowCells[1], 10);
    EXPECT_EQ(state.rowCells[0], 20);
    EXPECT_EQ(state.pageCells, 20 * state.visibleRows);
}

TEST_F(Layout, SizesMoveInWholeBytesAndRowsDownToTwoBytesAndTwoRows) {
    start();
    for (int32_t w = 0; w < 700; w += 7) {
        const int32_t h = 60 + w / 2;
        headless::resizeWindow(w, h);
        const platform::Rect window = headless::windowRect(headless::mainWindow());
        EXPECT_EQ((width(window) - state.chromeWidth) % 24, 0) << w;
        EXPECT_EQ((height(window) - state.chromeHeight) % 12, 0) << h;
        EXPECT_EQ(state.rowCells[1], (width(window) - state.chromeWidth) / 24);
        EXPECT_EQ(state.rowCells[0], 2 * state.rowCells[1]);
        EXPECT_EQ(state.visibleRows, (height(window) - state.chromeHeight) / 12);
        EXPECT_EQ(state.pageCells, state.rowCells[0] * state.visibleRows);
    }
    headless::resizeWindow(1, 1);
    EXPECT_EQ(state.rowCells[0], 4);
    EXPECT_EQ(state.rowCells[1], 2);
    EXPECT_EQ(state.visibleRows, 2);
    EXPECT_EQ(state.pageCells, 8);
}

TEST_F(Layout, AWrappedMenuBarCountsInTheChromeHeight) {
    headless::Metrics metrics;
    metrics.menuWrapWidth = 200;
    start(metrics);
    headless::resizeWindow(150, 400);
    EXPECT_EQ(state.chromeHeight, 48 + 19);
    EXPECT_EQ((height(headless::windowRect(headless::mainWindow())) - 67) % 12, 0);
    EXPECT_EQ(state.visibleRows, (400 - 67) / 12);
    headless::resizeWindow(300, 400);
    EXPECT_EQ(state.chromeHeight, 48);
}

TEST_F(Layout, EnlargingAtTheEndOfALongFileKeepsTheLastRowAtTheBottom) {
    startWith(sequence(10000));
    headless::press(vk::pageDown, {vk::control});
    ASSERT_EQ(state.caret, state.length);
    headless::resizeWindow(298, 600);
    const int32_t lastTopRow = state.totalRows - state.visibleRows + 1;
    EXPECT_EQ(state.topCell, lastTopRow * state.rowCells[0]);
    EXPECT_EQ(headless::scrollBar().position, lastTopRow);
    expectPanesMatchRepaint();
}

TEST_F(Layout, AFileShorterThanAPageIsShownFromTheTop) {
    startWith(sequence(100));
    headless::resizeWindow(298, 200);
    headless::press(vk::pageDown, {vk::control});
    headless::resizeWindow(298, 700);
    EXPECT_EQ(state.topCell, 0);
    expectPanesMatchRepaint();
}

TEST_F(Layout, NarrowingRoundsTheTopDownToTheNewRowWidth) {
    startWith(sequence(5000));
    headless::scroll(sb::thumbPosition, 30); // row 30 of 10 bytes: byte 300 at the top
    ASSERT_EQ(state.topCell, 600);
    headless::resizeWindow(state.chromeWidth + 7 * 24, 400); // 7 bytes per row
    EXPECT_EQ(state.rowCells[0], 14);
    EXPECT_EQ(state.topCell, 600 / 14 * 14);
    expectPanesMatchRepaint();
}

TEST_F(Layout, ShrinkingBelowTheCaretMovesItToTheRowJustBelowThePage) {
    startWith(sequence(5000));
    headless::resizeWindow(298, 400); // 11 bytes per row, 29 rows
    // The caret on row 20, well inside the page.
    for (int i = 0; i < 20; ++i) {
        headless::press(vk::down);
    }
    ASSERT_EQ(state.caret, 20 * 22);
    ASSERT_EQ(state.topCell, 0);
    headless::resizeWindow(298, 48 + 10 * 12); // 10 rows: the caret is 10 rows below the page
    EXPECT_EQ(state.visibleRows, 10);
    EXPECT_EQ(state.caret, state.pageCells);
    EXPECT_EQ(state.topCell, state.pageCells);
    EXPECT_EQ(headless::title(), "Edit: " + std::to_string(state.pageCells / 2));
    expectPanesMatchRepaint();
}

TEST_F(Layout, ACaretOnTheFirstCellBelowThePageStays) {
    startWith(sequence(5000));
    headless::resizeWindow(298, 400);
    for (int i = 0; i < 10; ++i) {
        headless::press(vk::down);
    }
    headless::resizeWindow(298, 48 + 10 * 12);
    EXPECT_EQ(state.caret, 10 * 22);
    EXPECT_EQ(state.topCell, 0);
}

TEST_F(Layout, AMinimisedWindowKeepsItsLayout) {
    startWith(sequence(1000));
    headless::resizeWindow(298, 400);
    headless::minimizeWindow();
    EXPECT_EQ(state.rowCells[1], 11);
    EXPECT_EQ(state.visibleRows, 29);
    headless::restoreWindow();
    EXPECT_EQ(state.rowCells[1], 11);
    EXPECT_EQ(state.visibleRows, 29);
    expectPanesMatchRepaint();
}

TEST_F(Layout, APureMoveRedrawsNothing) {
    startWith(sequence(1000));
    headless::resetCounters();
    headless::moveWindow(50, 60);
    EXPECT_EQ(headless::windowRect(headless::mainWindow()).left, 50);
    EXPECT_EQ(headless::textCalls(0), 0);
    EXPECT_EQ(headless::textCalls(1), 0);
    EXPECT_EQ(state.rowCells[1], 10);
}

TEST_F(Layout, AWideWindowNeverOverflowsTheRowWidth) {
    headless::Metrics metrics;
    metrics.charWidth = 1;
    metrics.lineHeight = 1;
    metrics.cxMaximized = 65000;
    metrics.cyMaximized = 3000;
    startWith(sequence(100000), metrics);
    headless::resizeWindow(65000, 3000);
    EXPECT_EQ(state.rowCells[1], maxRowBytes);
    EXPECT_EQ(state.rowCells[0], 2 * maxRowBytes);
    EXPECT_GT(state.visibleRows, 2000);
    EXPECT_EQ(state.pageCells, state.rowCells[0] * state.visibleRows);
    // The panes end at the row width; the rest of the window stays blank.
    EXPECT_EQ(width(headless::windowRect(headless::pane(0))), 2 * maxRowBytes + 2);
    headless::press(vk::pageDown, {vk::control});
    EXPECT_EQ(state.caret, state.length);
    expectPanesMatchRepaint();
}

TEST_F(Layout, TheRectangleIsSavedAtCloseAndRestoredAtTheNextStart) {
    start();
    headless::moveWindow(40, 30);
    headless::resizeWindow(298, 396);
    headless::closeWindow();
    ASSERT_EQ(headless::settings().count(placementKey), 1u);
    EXPECT_EQ(headless::settings()[placementKey], rectBytes(40, 30, 40 + 298, 30 + 396));
    headless::finish();

    start();
    const platform::Rect window = headless::windowRect(headless::mainWindow());
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 30);
    EXPECT_EQ(width(window), 298);
    EXPECT_EQ(height(window), 396);
    EXPECT_EQ(state.rowCells[1], 11);
    EXPECT_EQ(state.visibleRows, 29);
}

TEST_F(Layout, AZeroOrCorruptRectangleCountsAsNone) {
    // Zero; inverted; empty; coordinates past any screen, whose differences overflow 32 bits;
    // off every monitor.
    const int32_t cases[][4] = {{10, 10, 0, 0},
                                {200, 0, 10, 300},
                                {100, 100, 100, 400},
                                {INT32_MIN, INT32_MIN, 0x7FFF0000, 0x7FFF0000},
                                {0x7FFF0000, 0x7FFF0000, INT32_MIN, INT32_MIN},
                                {5000, 5000, 5500, 5500}};
    start();
    const platform::Rect first = headless::windowRect(headless::mainWindow());
    for (const auto& r : cases) {
        SCOPED_TRACE(&r - cases);
        headless::settings()[placementKey] = rectBytes(r[0], r[1], r[2], r[3]);
        start();
        const platform::Rect window = headless::windowRect(headless::mainWindow());
        EXPECT_EQ(std::tuple(window.left, window.top, window.right, window.bottom),
                  std::tuple(first.left, first.top, first.right, first.bottom));
        EXPECT_EQ(state.rowCells[1], 10);
    }
}

TEST_F(Layout, ARestoredRectangleIsCutAndMovedIntoTheMaximisedArea) {
    // Taller and wider than the largest window, and reaching past it.
    headless::settings()[placementKey] = rectBytes(300, 200, 300 + 5000, 200 + 4000);
    start();
    const platform::Rect window = headless::windowRect(headless::mainWindow());
    EXPECT_EQ(width(window), state.maxTrackSize[0]);
    EXPECT_EQ(height(window), state.maxTrackSize[1]);
    const headless::Metrics m;
    EXPECT_EQ(window.right, m.cxMaximized); // moved back by the overrun only
    EXPECT_EQ(window.bottom, m.cyMaximized);

    // A rectangle of a fitting size that reaches past the area is moved back inside it.
    headless::clearSettings();
    headless::settings()[placementKey] = rectBytes(900, 700, 1200, 900);
    start();
    const platform::Rect moved = headless::windowRect(headless::mainWindow());
    EXPECT_LE(moved.right, m.cxMaximized);
    EXPECT_LE(moved.bottom, m.cyMaximized);
    EXPECT_EQ(width(moved), 298);
}

TEST_F(Layout, ARectangleSavedOnASecondMonitorStaysThere) {
    headless::Metrics metrics;
    metrics.monitors = {{0, 0, 1024, 740}, {1024, -200, 2944, 880}};
    headless::settings()[placementKey] = rectBytes(1500, -100, 1800, 300);
    start(metrics);
    const platform::Rect window = headless::windowRect(headless::mainWindow());
    EXPECT_EQ(window.left, 1500);
    EXPECT_EQ(window.top, -100);
    // Reaching past the second monitor's right edge: moved back by the overrun only.
    headless::clearSettings();
    headless::settings()[placementKey] = rectBytes(2800, 0, 3100, 300);
    start(metrics);
    EXPECT_EQ(headless::windowRect(headless::mainWindow()).left, 2944 - 300);
    EXPECT_EQ(headless::windowRect(headless::mainWindow()).top, 0);
}
