// The value inspector: a small popup that shows, while the right button or F1 is held, the
// offset of a byte and the values of the byte, the 16-bit and the 32-bit little-endian words
// starting there; signed with Ctrl, the byte as bits with Shift.
#pragma once

#include <cstdint>

// Fills and shows the popup for the cell under a point of the pane's client area and moves
// the caret there; nothing happens for a cell at or after the file's last digit.
void showInspector(int32_t x, int32_t y, int pane);
// The same for the caret's cell in the active pane (F1).
void showInspectorAtCaret();
void hideInspector();
// The popup's text for the caret's byte, read through paintSource[1] (exposed for tests).
void inspectorText(char* text, int size, bool signedValues, bool bits);
