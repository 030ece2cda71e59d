#include "app/layout.h"

#include "app/editor_state.h"
#include "platform/codes.h"
#include "view/caret.h"
#include "view/pane_paint.h"

#include <algorithm>
#include <cstring>

const char settingsKey[] = "Software\\kez\\tarnvik";
const char placementValue[] = "WinPos";

namespace {

void moveRect(platform::Rect& rect, int32_t dx, int32_t dy) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
}

// Keeps a restored rectangle within the largest window and on its monitor: first its size is
// cut to the largest size, then it is moved back by what overruns the work area of the monitor
// nearest to it, so that a window saved on a second monitor opens there again. False when the
// rectangle is none a window could have had, which a value left by another version, a registry
// cleaner or a hand edit may be: an empty or inverted size, coordinates beyond the 16-bit range
// Windows keeps window positions in, or no part on any monitor's work area. The caller then
// takes the default rectangle.
bool fitRestoredRect(platform::Rect& rect) {
    constexpr int32_t farthest = 0x7FFF;
    for (const int32_t edge : {rect.left, rect.top, rect.right, rect.bottom}) {
        if (edge < -farthest - 1 || edge > farthest) {
            return false;
        }
    }
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return false;
    }
    const int32_t maxWidth = state.maxTrackSize[0];
    const int32_t maxHeight = state.maxTrackSize[1];
    if (rect.bottom - rect.top > maxHeight) {
        rect.bottom = rect.top + maxHeight;
    }
    if (rect.right - rect.left > maxWidth) {
        rect.right = rect.left + maxWidth;
    }
    const platform::Rect work = platform::workAreaNear(rect);
    if (rect.right <= work.left || rect.left >= work.right || rect.bottom <= work.top ||
        rect.top >= work.bottom) {
        return false;
    }
    if (rect.bottom > work.bottom) {
        moveRect(rect, 0, work.bottom - rect.bottom);
    }
    if (rect.right > work.right) {
        moveRect(rect, work.right - rect.right, 0);
    }
    if (rect.top < work.top) {
        moveRect(rect, 0, work.top - rect.top);
    }
    if (rect.left < work.left) {
        moveRect(rect, work.left - rect.left, 0);
    }
    return true;
}

// The width of one character column per byte across both panes, for a client width: at most
// maxRowBytes characters, the panes then leaving blank space on the right.
int32_t columnWidthFor(int32_t clientWidth) {
    const int32_t width = (clientWidth - 2 * state.borderWidth - state.paneGap) / 3;
    return std::min(width, maxRowBytes * state.charWidth);
}

void createInspector(const platform::FontMetrics& paneFont) {
    state.inspectorWindow = platform::createInspector();
    platform::FontRequest request{};
    request.height = paneFont.height;
    request.weight = paneFont.weight;
    request.charSet = paneFont.charSet;
    request.pitchAndFamily = static_cast<uint8_t>(paneFont.pitchAndFamily | 0x31);
    platform::Font font = platform::createFont(request);
    platform::setWindowFont(state.inspectorWindow, font);
    const platform::FontMetrics metrics = platform::measureFont(state.inspectorWindow, font);
    state.inspectorWidth = 13 * metrics.averageWidth;
    state.inspectorHeight = 4 * (metrics.height + metrics.externalLeading) + 1;
    platform::moveWindow(state.inspectorWindow, 0, 0, state.inspectorWidth, state.inspectorHeight);
}

} // namespace

void layoutAtStartup() {
    state.textFont = platform::stockFixedFont();
    const platform::FontMetrics font = platform::measureFont(state.mainWindow, state.textFont);
    state.charWidth = std::max(font.averageWidth, 1);
    state.lineHeight = std::max(font.height + font.externalLeading, 1);
    const int32_t vscroll = platform::systemMetric(sm::cxVScroll);
    const int32_t caption = platform::systemMetric(sm::cyCaption);
    const int32_t frameX = platform::systemMetric(sm::cxFrame);
    const int32_t frameY = platform::systemMetric(sm::cyFrame);
    const int32_t menu = platform::systemMetric(sm::cyMenu);
    state.borderWidth = static_cast<int8_t>(2 * platform::systemMetric(sm::cxBorder));
    state.autoScrollMargin = static_cast<int8_t>(caption + state.borderWidth / 2);
    state.paneGap = static_cast<int8_t>(3 * state.borderWidth);
    state.chromeWidth = vscroll + 2 * frameX + 2 * state.borderWidth + state.paneGap;
    state.chromeHeight = caption + menu + 2 * frameY + state.borderWidth;
    state.minTrackSize[0] = state.chromeWidth + 6 * state.charWidth;
    state.minTrackSize[1] = state.chromeHeight + 2 * state.lineHeight;
    const int32_t byteWidth = 3 * state.charWidth;
    state.maxTrackSize[0] =
        state.chromeWidth +
        (platform::systemMetric(sm::cxMaximized) - state.chromeWidth) / byteWidth * byteWidth;
    state.maxTrackSize[1] =
        state.chromeHeight + (platform::systemMetric(sm::cyMaximized) - state.chromeHeight) /
                                 state.lineHeight * state.lineHeight;

    platform::Rect rect{};
    int32_t hexWidth = 1, textWidth = 1, paneHeight = 1, textLeft = 0;
    if (!loadWindowPlacement(rect) || !fitRestoredRect(rect)) {
        hexWidth = state.rowCells[0] * state.charWidth + state.borderWidth;
        textWidth = state.rowCells[1] * state.charWidth + state.borderWidth;
        paneHeight = state.visibleRows * state.lineHeight;
        textLeft = hexWidth + state.paneGap;
        rect = {0, 0, vscroll + textLeft + textWidth + 2 * frameX,
                paneHeight + menu + 2 * frameY + caption};
    }
    state.panes[1] = platform::createPane(textLeft, 0, textWidth, paneHeight);
    state.panes[0] = platform::createPane(0, 0, hexWidth, paneHeight);
    platform::placeWindow(state.mainWindow, rect);
    createInspector(font);
}

void snapWindowSize(platform::WindowPosChange& change) {
    if (state.chromeWidth == 0 || platform::isMinimized(state.mainWindow) ||
        (change.flags & swp::noSize) != 0) {
        return;
    }
    const int32_t bytesPerRow = (change.width - state.chromeWidth) / state.charWidth / 3;
    change.width =
        std::max(state.chromeWidth + 3 * bytesPerRow * state.charWidth, state.minTrackSize[0]);
    const int32_t client =
        platform::clientHeightForSize(state.mainWindow, change.width, change.height);
    state.chromeHeight = change.height - client + state.borderWidth;
    const int32_t rows = std::max((change.height - state.chromeHeight) / state.lineHeight, 1);
    change.height = state.chromeHeight + rows * state.lineHeight;
}

void applyTrackingLimits(platform::TrackingLimits& limits) {
    limits.minWidth = state.minTrackSize[0];
    limits.minHeight = state.minTrackSize[1];
    limits.maxWidth = state.maxTrackSize[0];
    limits.maxHeight = state.maxTrackSize[1];
}

void resizeLayout(uintptr_t kind, uint32_t clientSize) {
    if (state.chromeWidth == 0 || kind == sizeKind::minimized) {
        return;
    }
    const int32_t width = static_cast<int32_t>(clientSize & 0xFFFF);
    const int32_t height = static_cast<int32_t>(clientSize >> 16);
    state.clientSize[0] = width;
    state.clientSize[1] = height;
    const int32_t columnWidth = columnWidthFor(width);
    // At least one byte and one row, so that no division by the row width ever sees 0.
    state.visibleRows = std::max((height - state.borderWidth) / state.lineHeight, 1);
    const int32_t bytesPerRow = std::clamp(columnWidth / state.charWidth, 1, maxRowBytes);
    state.rowCells[1] = bytesPerRow;
    state.rowCells[0] = 2 * bytesPerRow;
    state.pageCells = state.rowCells[0] * state.visibleRows;
    updateScrollRange();
    for (const int pane : {1, 0}) {
        const platform::Rect r = paneRect(pane);
        platform::moveWindow(state.panes[pane], r.left, r.top, r.right - r.left, r.bottom - r.top);
    }

    const int32_t rowCells = state.rowCells[0];
    const int32_t topRow = state.topCell / rowCells;
    const bool pastLastRow = state.totalRows - topRow < state.visibleRows;
    if (pastLastRow) {
        state.topCell = state.length < state.pageCells
                            ? 0
                            : (state.totalRows - state.visibleRows + 1) * rowCells;
    } else {
        state.topCell = topRow * rowCells;
    }
    // The scroll bar shows the top row as it is now.
    platform::setScrollPosition(state.mainWindow, state.topCell / rowCells);
    if (state.caret < state.topCell) {
        setCaret(state.topCell);
    } else if (state.caret > pageEnd()) {
        setCaret(pageEnd());
    } else {
        placeCaret(false);
    }
    if (pastLastRow) {
        invalidatePanes();
    }
}

int32_t textPaneOffset() {
    return 2 * columnWidthFor(state.clientSize[0]) + state.paneGap + state.borderWidth;
}

platform::Rect paneRect(int pane) {
    const int32_t columnWidth = columnWidthFor(state.clientSize[0]);
    const int32_t height = state.clientSize[1];
    if (pane == 0) {
        return {0, 0, 2 * columnWidth + state.borderWidth, height};
    }
    const int32_t left = textPaneOffset();
    return {left, 0, left + columnWidth + state.borderWidth, height};
}

void saveWindowPlacement() {
    const platform::Rect rect = platform::normalWindowRect(state.mainWindow);
    const int32_t values[4] = {rect.left, rect.top, rect.right, rect.bottom};
    uint8_t data[16];
    for (int i = 0; i < 4; ++i) {
        const auto value = static_cast<uint32_t>(values[i]);
        for (int b = 0; b < 4; ++b) {
            data[4 * i + b] = static_cast<uint8_t>(value >> (8 * b));
        }
    }
    platform::writeSetting(settingsKey, placementValue, data, sizeof data);
}

bool loadWindowPlacement(platform::Rect& rect) {
    uint8_t data[16] = {};
    platform::readSetting(settingsKey, placementValue, data, sizeof data);
    int32_t values[4];
    for (int i = 0; i < 4; ++i) {
        uint32_t value = 0;
        for (int b = 0; b < 4; ++b) {
            value |= static_cast<uint32_t>(data[4 * i + b]) << (8 * b);
        }
        values[i] = static_cast<int32_t>(value);
    }
    rect = {values[0], values[1], values[2], values[3]};
    return rect.right != 0 || rect.bottom != 0;
}
