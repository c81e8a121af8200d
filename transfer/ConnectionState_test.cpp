#include "transfer/ConnectionState.h"

#include <gtest/gtest.h>

TEST(ConnectionState, OnlyLoopbackOrZeroIsNotUsable) {
    EXPECT_FALSE(IsUsableAddress({127, 0, 0, 1}));
    EXPECT_FALSE(IsUsableAddress({0, 0, 0, 0}));
    EXPECT_TRUE(IsUsableAddress({127, 0, 0, 2}));
    EXPECT_TRUE(IsUsableAddress({192, 168, 1, 7}));
}

TEST(ConnectionState, ConfiguredCountsWithoutModemOrRas) {
    EXPECT_TRUE(ConfiguredWithoutDialUp(kConnectionConfigured));
    EXPECT_TRUE(ConfiguredWithoutDialUp(kConnectionConfigured | 0x02));
    EXPECT_FALSE(ConfiguredWithoutDialUp(kConnectionConfigured | kConnectionModem));
    EXPECT_FALSE(ConfiguredWithoutDialUp(kConnectionConfigured | kConnectionRasInstalled));
    EXPECT_FALSE(ConfiguredWithoutDialUp(0x02));
}
