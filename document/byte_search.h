// The byte search over the document's store: the first place where a pattern starts, exactly as
// a plain left-to-right scan finds it, in one pass whose cost depends little on what the data
// holds.
#pragma once

#include <cstddef>
#include <cstdint>

// The first candidate in [first, lastCandidate] where the length bytes of the pattern start, or
// null. The bytes read are those of [first, lastCandidate + length) only; length is at least 1,
// and may be any larger: a pattern longer than 32 bytes is searched for in one pass as a shorter
// one is, each candidate compared in full where the bytes tested match.
const uint8_t* findBytes(const uint8_t* first, const uint8_t* lastCandidate, const uint8_t* pattern,
                         size_t length);
