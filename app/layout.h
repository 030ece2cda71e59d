// The layout of the main window: font and frame metrics, the panes side by side, sizes snapped
// to whole bytes per row and whole rows, and the window rectangle kept in the registry.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Measures the font and the frame, creates the panes and the value-inspector popup, and
// restores the window rectangle (which shows the window).
void layoutAtStartup();
// WM_WINDOWPOSCHANGING: snaps a proposed size to whole bytes per row and whole rows.
void snapWindowSize(platform::WindowPosChange& change);
// WM_GETMINMAXINFO.
void applyTrackingLimits(platform::TrackingLimits& limits);
// WM_SIZE: the row width and row count follow the client size; the view and the caret are
// kept valid.
void resizeLayout(uintptr_t sizeKind, uint32_t clientSize);
// The distance from the hex pane's left edge to the text pane's, in pixels, as the last resize
// placed them.
int32_t textPaneOffset();
// A pane's window rectangle in the main window's client area, as the last resize placed it.
platform::Rect paneRect(int pane);
void saveWindowPlacement();
// The saved window rectangle; false when there is none.
bool loadWindowPlacement(platform::Rect& rect);

extern const char settingsKey[];
extern const char placementValue[];
