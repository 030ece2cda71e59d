// The byte search over the document's store: the first place where a pattern starts, exactly as
// a plain left-to-right scan finds it, at close to memory speed on any data.
#pragma once

#include <cstddef>
#include <cstdint>

// The first candidate in [first, lastCandidate] where the length bytes of the pattern start, or
// null. The bytes read are those of [first, lastCandidate + length) only; length is at least 1.
const uint8_t* findBytes(const uint8_t* first, const uint8_t* lastCandidate, const uint8_t* pattern,
                         size_t length);
