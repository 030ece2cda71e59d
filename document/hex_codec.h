// Hex text: two upper-case hex digits per byte, high digit first, no separators.
#pragma once

#include <cstdint>

// For every index i with first <= i < end (compared unsigned): toHex writes the two characters
// of bytes[i] at text[2i] and text[2i + 1]; otherwise bytes[i] is decoded from them. Decoding
// into the buffer that holds the text is allowed, since byte i is written after characters 2i
// and 2i + 1 have been read.
void hexConvert(char* text, uint8_t* bytes, uint32_t first, uint32_t end, bool toHex);

// The decoding of one character pair; total on every pair of 8-bit characters.
uint8_t decodeHexPair(uint8_t high, uint8_t low);
