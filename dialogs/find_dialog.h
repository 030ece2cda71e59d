// Find and replace: the dialog over template 1, collapsed to the search text or expanded with
// the replacement, an "in selection" box and the Replace and "... all" buttons. The dialog does
// no searching itself: it sends its three private messages to the main window, whose handlers
// search the document, select the match and write the replacements.
#pragma once

#include "dialogs/input_dialog.h"

#include <cstdint>

struct FindRequest : EditRequest {
    uint32_t expanded; // the replacement controls are shown
    char* replacementText;
};

// Find (301) and Replace (303).
void openFindDialog(int command);
// Find Next (302): the last pattern again, from the byte after the caret's (from the caret's own
// byte right where the dialog left it, after its match), with wrap-around.
void findNext();
// The handlers of the dialog's messages to the main window.
int16_t findFromDialog(FindRequest* request, bool inSelection);
int8_t replaceOnce(FindRequest* request);
int32_t replaceAll(FindRequest* request, bool inSelection);
// Finds the pattern in bytes [start, end) and puts the caret on the match; 1 when found.
int findAt(int32_t start, int32_t end);
