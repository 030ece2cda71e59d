// Typing in the panes: one hex digit at a time in the hex pane, one whole byte per character in
// the text pane, overwriting the cell under the caret or appending at the end of the file.
#pragma once

#include <cstdint>

// Writes one cell at a nibble index and repaints it: for pane 0 code is a hex digit character,
// for pane 1 a byte value. record makes the change undoable. False when the document buffer
// cannot hold the byte (the low-memory report has then run). Moves neither caret nor length.
bool enterCell(int pane, int32_t position, uint32_t code, bool record);
// A character typed in a pane.
void typeIntoPane(int pane, uint32_t code);
// Backspace at the end of the file: takes the last cell back.
void eraseLastCell(int pane);
