// The two failure reports: an error by number, and running out of memory during an edit.
#pragma once

#include <cstdint>

// The caption of errors, low-memory reports and the questions about the document.
extern const char messageCaption[];

// The largest document, in bytes; nibble indexes up to twice this fit a signed 32-bit value.
constexpr int64_t maxDocumentBytes = 0x3FFFFFFF;
// The one check of the size limit, for reads, typing and block writes alike: true when a
// document reaching up to byte end stays within the limit; otherwise shows "Maximum filesize
// exceeded" and returns false.
bool withinSizeLimit(int64_t end);

// Shows string number of the string table ("Error " and the number when there is none, or for
// numbers below 127) and returns 0, so callers can pass it on as their own result.
int showError(int16_t number);

// Reports that an edit could not get the memory it needed. With unsaved changes other than the
// failing one (changeJustCounted: it has already been counted), offers to write the document
// to the rescue file "KEZRescueFile" and then ends the program. Always returns false.
bool reportLowMemory(bool changeJustCounted);
