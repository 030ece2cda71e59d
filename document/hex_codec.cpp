#include "document/hex_codec.h"

#include <array>
#include <cstring>

namespace {

constexpr char digitChar(unsigned value) {
    return static_cast<char>(value < 10 ? 0x30 + value : 0x41 + (value - 10));
}

// The two characters of every byte value, side by side.
constexpr std::array<char, 512> hexPairs = [] {
    std::array<char, 512> table{};
    for (unsigned value = 0; value < 256; ++value) {
        table[2 * value] = digitChar(value >> 4);
        table[2 * value + 1] = digitChar(value & 15);
    }
    return table;
}();

} // namespace

uint8_t decodeHexPair(uint8_t high, uint8_t low) {
    const unsigned h = static_cast<uint8_t>(high >= 0x41 ? high - 0x37 : high - 0x30);
    unsigned l = 0;
    if (low >= 0x41) {
        l = low - 0x37u;
    } else if (low >= 0x30) {
        l = low - 0x30u;
    }
    return static_cast<uint8_t>(16 * h + l);
}

void hexConvert(char* text, uint8_t* bytes, uint32_t first, uint32_t end, bool toHex) {
    if (first >= end) {
        return;
    }
    if (toHex) {
        char* out = text + 2 * static_cast<std::size_t>(first);
        for (uint32_t i = first; i < end; ++i, out += 2) {
            std::memcpy(out, &hexPairs[2 * static_cast<std::size_t>(bytes[i])], 2);
        }
        return;
    }
    for (uint32_t i = first; i < end; ++i) {
        const auto* pair = reinterpret_cast<const uint8_t*>(text) + 2 * static_cast<std::size_t>(i);
        bytes[i] = decodeHexPair(pair[0], pair[1]);
    }
}
