// The headless host's drawing: device contexts over the panes' cell grids, invalidation,
// scrolling and fonts.
#include "platform/headless/host.h"

#include <algorithm>
#include <cassert>

namespace platform {

using headless::Cell;
using headless::host;

namespace {

bool intersects(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect clientRect(Window window) {
    return {0, 0, headless::clientWidth(window), headless::clientHeight(window)};
}

// Applies f to every cell of [left, right) x [top, bottom) that lies in the grid and, during a
// paint, meets the update rectangle.
template <typename F>
void forCells(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom, F f) {
    // Drawing in cells without the cell mapping would land elsewhere on a real screen.
    assert(dc->cellMapping);
    headless::Grid& grid = *dc->target;
    for (int32_t row = std::max(top, 0); row < std::min(bottom, grid.rows); ++row) {
        for (int32_t column = std::max(left, 0); column < std::min(right, grid.columns); ++column) {
            const Rect pixels{column * dc->cellWidth, row * dc->cellHeight,
                              (column + 1) * dc->cellWidth, (row + 1) * dc->cellHeight};
            const bool inRegion = std::any_of(dc->clip.begin(), dc->clip.end(),
                                              [&](const Rect& r) { return intersects(pixels, r); });
            const bool covered =
                !dc->ignorePopups && headless::popupOver(dc->window, pixels) != nullptr;
            if ((!dc->painting || inRegion) && !covered) {
                f(grid.at(column, row));
            }
        }
    }
}

} // namespace

DrawContext getDrawContext(Window window) {
    auto* dc = new DrawObject;
    dc->window = window;
    dc->target = &window->grid;
    return dc;
}

void releaseDrawContext(Window, DrawContext dc) {
    delete dc;
}

void useCellCoordinates(DrawContext dc, Font, int32_t cellWidth, int32_t cellHeight) {
    dc->cellMapping = true;
    dc->cellWidth = cellWidth;
    dc->cellHeight = cellHeight;
}

void setTextColor(DrawContext dc, uint32_t color) {
    dc->textColor = color;
}
uint32_t backgroundColor(DrawContext dc) {
    return dc->background;
}
void setBackgroundColor(DrawContext dc, uint32_t color) {
    dc->background = color;
}

void drawText(DrawContext dc, int32_t column, int32_t row, const char* text, int32_t count) {
    ++dc->window->textCalls;
    for (int32_t i = 0; i < count; ++i) {
        const Cell cell{static_cast<uint8_t>(text[i]), dc->textColor, dc->background};
        forCells(dc, column + i, row, column + i + 1, row + 1, [&](Cell& c) { c = cell; });
    }
}

void fillWhite(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    forCells(dc, left, top, right, bottom, [](Cell& c) {
        c = {headless::filled, 0xFFFFFF, 0xFFFFFF};
    });
}

void invertCells(DrawContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    forCells(dc, left, top, right, bottom, [](Cell& c) {
        c.text ^= 0xFFFFFF;
        c.background ^= 0xFFFFFF;
    });
}

void invalidate(Window window, bool erase) {
    invalidateRect(window, clientRect(window), erase);
}

void invalidateRect(Window window, const Rect& pixels, bool) {
    const Rect client = clientRect(window);
    Rect r{std::max(pixels.left, 0), std::max(pixels.top, 0), std::min(pixels.right, client.right),
           std::min(pixels.bottom, client.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) {
        return;
    }
    // The region is the union of its rectangles, never their bounding box: cells between two
    // separate strips stay valid, as they do on Win32.
    auto contains = [](const Rect& outer, const Rect& inner) {
        return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
               inner.bottom <= outer.bottom;
    };
    std::vector<Rect>& region = window->invalid;
    if (std::any_of(region.begin(), region.end(), [&](const Rect& o) { return contains(o, r); })) {
        return;
    }
    region.erase(
        std::remove_if(region.begin(), region.end(), [&](const Rect& o) { return contains(r, o); }),
        region.end());
    region.push_back(r);
}

void updateWindow(Window window) {
    headless::paintInvalid(window);
}

void scrollWindow(Window window, int32_t dy) {
    const int32_t lineHeight = host().metrics.lineHeight;
    const Rect client = clientRect(window);
    if (dy == 0) {
        return;
    }
    // The caret, when it is in this window, moves with the contents.
    headless::Host& h = host();
    if (h.caretExists && h.caret.owner == window) {
        h.caret.y += dy;
    }
    if (std::abs(dy) >= client.bottom) {
        invalidate(window, false);
        return;
    }
    // The program scrolls by whole rows, so the grid moves by whole cells.
    assert(dy % lineHeight == 0);
    headless::Grid& grid = window->grid;
    const int32_t rows = dy / lineHeight;
    headless::Grid moved = grid;
    for (int32_t row = 0; row < grid.rows; ++row) {
        const int32_t from = row - rows;
        for (int32_t column = 0; column < grid.columns; ++column) {
            if (from >= 0 && from < grid.rows) {
                moved.at(column, row) = grid.at(column, from);
            }
        }
    }
    grid = std::move(moved);
    // The invalid region moves with the contents; the uncovered strip becomes invalid too.
    std::vector<Rect> region = std::move(window->invalid);
    window->invalid.clear();
    for (Rect r : region) {
        r.top += dy;
        r.bottom += dy;
        invalidateRect(window, r, false);
    }

    if (dy > 0) {
        invalidateRect(window, {0, 0, client.right, dy}, false);
    } else {
        invalidateRect(window, {0, client.bottom + dy, client.right, client.bottom}, false);
    }
}

Font stockFixedFont() {
    return &host().stockFont;
}

Font createFont(const FontRequest& request) {
    auto font = std::make_unique<FontObject>();
    font->metrics = host().stockFont.metrics;
    font->metrics.height = request.height;
    font->metrics.weight = request.weight;
    font->metrics.charSet = request.charSet;
    font->metrics.pitchAndFamily = request.pitchAndFamily;
    host().fonts.push_back(std::move(font));
    return host().fonts.back().get();
}

FontMetrics measureFont(Window, Font font) {
    return font->metrics;
}

void setWindowFont(Window, Font) {}

} // namespace platform
