// Recording block changes for undo, and the Undo command.
#pragma once

#include <cstdint>

// Logs the change of count bytes about to be written from the caret's byte on, saving the bytes
// that exist there. A change too large to save asks the user first; false when the user
// declines, and the caller then abandons the change.
bool recordChange(int32_t count);
// Takes the newest change back: restores its saved bytes, sets the length back, repaints and
// puts the caret on it.
void undoLastChange();
