#include "document/hex_codec.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        uint32_t i = first;
#if defined(__SSE2__)
        // Sixteen bytes at a time: both digits of every byte at once, then interleaved.
        const __m128i nibble = _mm_set1_epi8(0x0F);
        const __m128i zero = _mm_set1_epi8('0');
        const __m128i nine = _mm_set1_epi8(9);
        const __m128i letterGap = _mm_set1_epi8('A' - '9' - 1);
        for (; end - i >= 16; i += 16, out += 32) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            __m128i high = _mm_and_si128(_mm_srli_epi16(chunk, 4), nibble);
            __m128i low = _mm_and_si128(chunk, nibble);
            high = _mm_add_epi8(_mm_add_epi8(high, zero),
                                _mm_and_si128(_mm_cmpgt_epi8(high, nine), letterGap));
            low = _mm_add_epi8(_mm_add_epi8(low, zero),
                               _mm_and_si128(_mm_cmpgt_epi8(low, nine), letterGap));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(high, low));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(high, low));
        }
#endif
        for (; i < end; ++i, out += 2) {
            std::memcpy(out, &hexPairs[2 * static_cast<std::size_t>(bytes[i])], 2);
        }
        return;
    }
    for (uint32_t i = first; i < end; ++i) {
        const auto* pair = reinterpret_cast<const uint8_t*>(text) + 2 * static_cast<std::size_t>(i);
        bytes[i] = decodeHexPair(pair[0], pair[1]);
    }
}
