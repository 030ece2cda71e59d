// The main window: its message cases, the command table, New, the notice, the question before
// unsaved changes are thrown away, and the shut-down sequence.
#pragma once

#include "app/outcome.h"
#include "platform/platform.h"

#include <cstdint>

Outcome mainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam);
// Carries out a command of the menu or the accelerator table; returns the command's result.
intptr_t runCommand(int command, intptr_t lParam);
// Asks before unsaved changes would be lost; false when the user declines.
bool confirmDiscardChanges();
void newDocument();
// An empty, unnamed document, without asking: New after its question, and an open that could
// not read the file whole.
void startNewDocument();
// The close sequence: the question, then shutDown.
void closeProgram();
// Saves the window placement, stops every handler from touching the document and posts the
// quit message; the document and the undo log are released once the loop has ended.
void shutDown();
// Releases the document buffer and the undo log (after the message loop has ended).
void releaseDocument();
