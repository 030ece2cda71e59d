#include "files/path_text.h"

namespace {

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length in bytes of the character at text (not at its end): a whole UTF-8 sequence, or one
// byte that begins none.
size_t characterBytes(const uint8_t* text) {
    const uint8_t lead = text[0];
    size_t length = 1;
    uint32_t lowest = 0; // the smallest value the sequence may encode: no overlong forms
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 1;
    }
    uint32_t value = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(text[i])) {
            return 1; // cut short (the terminator stops here too)
        }
        value = value << 6 | (text[i] & 0x3Fu);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < lowest || value > 0x10FFFF || surrogate ? 1 : length;
}

} // namespace

int64_t utf16Length(const char* text) {
    const auto* at = reinterpret_cast<const uint8_t*>(text);
    int64_t units = 0;
    while (*at != 0) {
        const size_t bytes = characterBytes(at);
        units += bytes == 4 ? 2 : 1;
        at += bytes;
    }
    return units;
}

size_t characterPrefix(const char* text, size_t characters) {
    const auto* at = reinterpret_cast<const uint8_t*>(text);
    size_t length = 0;
    for (; characters > 0 && at[length] != 0; --characters) {
        length += characterBytes(at + length);
    }
    return length;
}
