#include "platform/headless/headless.h"

#include <gtest/gtest.h>

TEST(Startup, Title) {
    headless::reset();
    ASSERT_TRUE(headless::start());
    EXPECT_EQ(headless::title(), "Tavrins Editor 0.3.1 ");
    headless::finish();
}
