// Copy and Paste through the system clipboard. A copy puts the selected bytes in the text
// format and, for a plain Copy, their count in the private format "KEZ_BIN", so that zero bytes
// travel too; Paste writes the clipboard's bytes over the bytes from the caret's byte on.
#pragma once

// Copy (206), ASCII (207) and Hex (208).
void copySelection(int command);
// False when there was nothing to paste (the clipboard busy or without text).
bool pasteClipboard();
