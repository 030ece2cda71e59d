// File paths and names as the editor holds them: UTF-8 text, so that a name in any script
// passes through whole. The Windows layer converts at its edge; lengths are counted as Windows
// counts them, in UTF-16 units, and names are cut only between characters.
#pragma once

#include <cstddef>
#include <cstdint>

// The number of UTF-16 units the text takes: one per character, two for a character beyond the
// Basic Multilingual Plane. A byte that begins no valid sequence counts as one character, as
// the conversion to UTF-16 replaces it by one.
int64_t utf16Length(const char* text);
// The length in bytes of the first `characters` characters of the text, or of all of it when it
// holds fewer.
size_t characterPrefix(const char* text, size_t characters);
