// The edits that change many bytes at once, all overwriting from a byte on and lengthening the
// file only where they run past its end: the block write at the caret (Paste, Decimal, every
// replacement), Cut File, Extend File and Fill.
#pragma once

#include <cstdint>

// Writes count bytes from source over the bytes from the caret's byte on, recorded for undo
// when record is set; the caret does not move. Returns the number of bytes written: 0 when the
// user declined, or the write would take the file past its size limit.
int32_t writeAtCaret(const uint8_t* source, int32_t count, bool record);
// Writes the pattern repeated over bytes [start, end): byte start + i receives
// pattern[i mod length]. Returns the number of bytes written (fewer when memory ran short).
int32_t fillRange(int32_t start, int32_t end, const uint8_t* pattern, int32_t length);
// Cut File: the file ends before the caret's byte.
void cutFile();
// Extend File: asks for a count and appends that many zero bytes.
void extendFile();
// Fill: asks for a pattern and fills the selection with it.
void fillSelection();
