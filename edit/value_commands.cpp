#include "edit/value_commands.h"

#include "app/editor_state.h"
#include "dialogs/input_dialog.h"
#include "document/document_buffer.h"
#include "edit/block_edits.h"
#include "edit/byte_entry.h"
#include "view/caret.h"

#include <algorithm>
#include <cctype>
#include <cstring>

void enterDecimal() {
    char text[12] = "";
    InputRequest request{
        {text, 12, filter::decimal, "-bls"}, nullptr, "Enter [b/s/l] decimal value"};
    if ((askInput(&request) & 0xFF) == 0 || text[0] == '\0') {
        return;
    }
    int32_t size = 4;
    const char* number = text;
    switch (text[0]) {
    case 'b':
        size = 1;
        ++number;
        break;
    case 's':
        size = 2;
        ++number;
        break;
    case 'l':
        ++number;
        break;
    default:
        break; // a leading '-' is the number's sign
    }
    // The value's low bytes, least significant first; negative values in two's complement.
    const auto value = static_cast<uint32_t>(decimalValue(number));
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    writeAtCaret(bytes, size, true);
}

void enterBits() {
    uint8_t byte = 0;
    if (state.caret != state.length) {
        state.document->transfer(state.caret / 2, 1, &byte, false);
    }
    char text[9];
    for (int i = 0; i < 8; ++i) {
        text[i] = (byte >> i & 1) != 0 ? '1' : '0'; // the least significant bit first
    }
    text[8] = '\0';
    InputRequest request{{text, 9, 0x04, emptyText}, nullptr, "Enter binary value"};
    if ((askInput(&request) & 0xFF) == 0 || text[0] == '\0') {
        return;
    }
    // The leftmost character is bit 0 again; fewer than eight characters leave the high bits 0.
    const auto taken = static_cast<int>(std::min<size_t>(std::strlen(text), 8));
    uint32_t value = 0;
    for (int i = taken - 1; i >= 0; --i) {
        value = value << 1 | static_cast<uint32_t>(static_cast<uint8_t>(text[i]) - '0');
    }
    const int32_t position = 2 * (state.caret / 2);
    if (enterCell(1, position, value & 0xFF, true) && position + 2 >= state.length) {
        state.length = position + 2;
        updateScrollRange();
    }
}

void goToOffset() {
    char text[12] = "";
    InputRequest request{
        {text, 12, filter::decimal | filter::toggle, "+-"}, "Hex", "Goto [+/-] in bytes?"};
    if ((askInput(&request) & 0xFF) == 0) {
        return;
    }
    const char direction = text[0] == '+' || text[0] == '-' ? text[0] : '\0';
    // An offset or count beyond the file, however large, stops at its end (or at its start
    // going back).
    const int64_t nibbles = 2 * decimalCount(direction != '\0' ? text + 1 : text);
    int64_t target = nibbles;
    if (direction == '+') {
        target = state.caret + nibbles;
    } else if (direction == '-') {
        target = state.caret - nibbles;
    }
    setCaret(static_cast<int32_t>(std::clamp<int64_t>(target, 0, state.length)));
}

void setGroupColor() {
    char text[7] = "";
    InputRequest request{
        {text, 7, filter::decimal | filter::hex, emptyText}, nullptr, "Set color (RRGGBB)?"};
    if ((askInput(&request) & 0xFF) == 0) {
        return;
    }
    // Anything but six hexadecimal digits is no colour: the entry is ignored.
    if (std::strlen(text) != 6 || !std::all_of(text, text + 6, [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        })) {
        return;
    }
    // RRGGBB becomes BBGGRR: red in the low byte, as the platform's colour values hold it.
    std::swap(text[0], text[4]);
    std::swap(text[1], text[5]);
    uint32_t colour = 0;
    for (int i = 0; i < 6; ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        colour = colour << 4 | static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    state.textColors[1] = colour;
    platform::invalidate(state.panes[0], true);
}
