#include "document/hex_codec.h"

#include <gtest/gtest.h>

TEST(HexCodec, Placeholder) {
    EXPECT_EQ(decodeHexPair('7', 'E'), 0x7E);
}
