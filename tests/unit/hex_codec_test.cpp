// The hex codec: encoding bytes as upper-case digit pairs and decoding any character pair back.
#include "document/hex_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The decoding rule, written out step by step: only the low four bits of the high digit count,
// a low character below '0' counts as 0, and a low character from 'A' on adds c - 0x37.
uint8_t expectedDecoding(unsigned high, unsigned low) {
    const unsigned h = (high >= 0x41 ? high - 0x37 : high - 0x30) & 0xFF;
    unsigned l = 0;
    if (low < 0x30) {
        l = 0;
    } else if (low >= 0x41) {
        l = low - 0x37;
    } else {
        l = low - 0x30;
    }
    return static_cast<uint8_t>((16 * h + l) & 0xFF);
}

uint8_t decodeThroughConvert(char high, char low) {
    char text[2] = {high, low};
    uint8_t byte = 0x5A;
    hexConvert(text, &byte, 0, 1, false);
    return byte;
}

} // namespace

TEST(HexCodec, EncodesBytesAsUpperCaseDigitPairs) {
    uint8_t bytes[] = {0x00, 0x9F, 0xA0, 0xFF};
    char text[10];
    std::memset(text, '#', sizeof text);
    hexConvert(text, bytes, 0, 4, true);
    EXPECT_EQ(std::string(text, 8), "009FA0FF");
    EXPECT_EQ(text[8], '#');
    EXPECT_EQ(text[9], '#');
}

TEST(HexCodec, EncodesEveryByteValueLikePrintf) {
    std::array<uint8_t, 256> bytes{};
    for (unsigned i = 0; i < 256; ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    std::array<char, 512> text{};
    hexConvert(text.data(), bytes.data(), 0, 256, true);
    for (unsigned i = 0; i < 256; ++i) {
        char expected[3];
        std::snprintf(expected, sizeof expected, "%02X", i);
        EXPECT_EQ(text[2 * i], expected[0]) << "byte " << i;
        EXPECT_EQ(text[2 * i + 1], expected[1]) << "byte " << i;
    }
}

TEST(HexCodec, EncodingWritesOnlyThePairsOfTheIndexRange) {
    uint8_t bytes[] = {0x11, 0x22, 0x33, 0x44};
    char text[8];
    std::memset(text, '#', sizeof text);
    hexConvert(text, bytes, 1, 3, true);
    EXPECT_EQ(std::string(text, 8), "##2233##");
}

TEST(HexCodec, DecodesTheDocumentedPairs) {
    EXPECT_EQ(decodeThroughConvert('7', 'E'), 0x7E);
    EXPECT_EQ(decodeThroughConvert('7', '\0'), 0x70);
    EXPECT_EQ(decodeThroughConvert(' ', '5'), 0x05);
    EXPECT_EQ(decodeThroughConvert('0', '0'), 0x00);
    EXPECT_EQ(decodeThroughConvert('F', 'F'), 0xFF);
    EXPECT_EQ(decodeThroughConvert('A', '9'), 0xA9);
    EXPECT_EQ(decodeHexPair('7', 'E'), 0x7E);
    EXPECT_EQ(decodeHexPair('7', 0), 0x70);
    EXPECT_EQ(decodeHexPair(' ', '5'), 0x05);
}

TEST(HexCodec, HighPlaceCountsOnlyTheLowFourBits) {
    EXPECT_EQ(decodeThroughConvert(0x2F, '0'), 0xF0);
    for (unsigned c = 0x3A; c <= 0x3F; ++c) {
        EXPECT_EQ(decodeThroughConvert(static_cast<char>(c), '0'), (c - 0x3A + 10) * 16)
            << "high character " << c;
    }
    EXPECT_EQ(decodeThroughConvert(' ', '0'), 0x00);
    EXPECT_EQ(decodeThroughConvert(0x40, '0'), 0x00);
    const char lower[] = "abcdef";
    for (unsigned i = 0; i < 6; ++i) {
        EXPECT_EQ(decodeThroughConvert(lower[i], '1'), (10 + i) * 16 + 1) << lower[i];
    }
}

TEST(HexCodec, LowPlaceBelowZeroCountsAsZeroAndLettersAddTheirFullValue) {
    EXPECT_EQ(decodeThroughConvert('1', 'a'), 0x3A);
    EXPECT_EQ(decodeThroughConvert('2', ' '), 0x20);
    EXPECT_EQ(decodeThroughConvert('2', 0x2F), 0x20);
    EXPECT_EQ(decodeThroughConvert('2', 'G'), static_cast<uint8_t>(0x20 + 0x10));
    EXPECT_EQ(decodeThroughConvert('0', static_cast<char>(0xFF)), 0xC8);
}

TEST(HexCodec, DecodesInPlace) {
    char buffer[5] = "ABCD";
    hexConvert(buffer, reinterpret_cast<uint8_t*>(buffer), 0, 2, false);
    EXPECT_EQ(static_cast<uint8_t>(buffer[0]), 0xAB);
    EXPECT_EQ(static_cast<uint8_t>(buffer[1]), 0xCD);
    EXPECT_EQ(buffer[2], 'C');
    EXPECT_EQ(buffer[3], 'D');
}

TEST(HexCodec, DecodesInPlaceOverALongText) {
    std::array<uint8_t, 300> original{};
    for (size_t i = 0; i < original.size(); ++i) {
        original[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    std::array<char, 600> buffer{};
    hexConvert(buffer.data(), original.data(), 0, 300, true);
    hexConvert(buffer.data(), reinterpret_cast<uint8_t*>(buffer.data()), 0, 300, false);
    EXPECT_EQ(std::memcmp(buffer.data(), original.data(), original.size()), 0);
}

TEST(HexCodec, DecodingWritesOnlyTheBytesOfTheIndexRange) {
    char text[] = "0102A3B4";
    uint8_t bytes[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    hexConvert(text, bytes, 1, 3, false);
    EXPECT_EQ(bytes[0], 0xEE);
    EXPECT_EQ(bytes[1], 0x02);
    EXPECT_EQ(bytes[2], 0xA3);
    EXPECT_EQ(bytes[3], 0xEE);
}

TEST(HexCodec, EmptyOrReversedRangeConvertsNothing) {
    char text[8];
    uint8_t bytes[4] = {0x12, 0x34, 0x56, 0x78};
    for (const bool toHex : {true, false}) {
        std::memset(text, '#', sizeof text);
        const uint8_t before[4] = {0x12, 0x34, 0x56, 0x78};
        hexConvert(text, bytes, 0, 0, toHex);
        hexConvert(text, bytes, 2, 2, toHex);
        hexConvert(text, bytes, 3, 1, toHex);
        hexConvert(text, bytes, 0xFFFFFFFFu, 2, toHex);
        EXPECT_EQ(std::string(text, 8), "########") << "toHex " << toHex;
        EXPECT_EQ(std::memcmp(bytes, before, 4), 0) << "toHex " << toHex;
    }
}

TEST(HexCodec, EveryCharacterPairDecodesByTheRule) {
    // One run of 256 pairs per high character, decoded at once.
    std::array<char, 512> text{};
    std::array<uint8_t, 256> bytes{};
    int mismatches = 0;
    for (unsigned high = 0; high < 256; ++high) {
        for (unsigned low = 0; low < 256; ++low) {
            text[2 * low] = static_cast<char>(high);
            text[2 * low + 1] = static_cast<char>(low);
        }
        hexConvert(text.data(), bytes.data(), 0, 256, false);
        for (unsigned low = 0; low < 256; ++low) {
            const uint8_t expected = expectedDecoding(high, low);
            if (bytes[low] != expected ||
                decodeHexPair(static_cast<uint8_t>(high), static_cast<uint8_t>(low)) != expected) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << "pair " << high << "," << low << " decoded to "
                                  << unsigned{bytes[low]} << ", expected " << unsigned{expected};
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(HexCodec, EncodingThenDecodingGivesTheBytesBack) {
    std::array<uint8_t, 256> bytes{};
    for (unsigned i = 0; i < 256; ++i) {
        bytes[i] = static_cast<uint8_t>(255 - i);
    }
    std::array<char, 512> text{};
    hexConvert(text.data(), bytes.data(), 0, 256, true);
    std::array<uint8_t, 256> decoded{};
    hexConvert(text.data(), decoded.data(), 0, 256, false);
    EXPECT_EQ(decoded, bytes);
}
