#include "common/ZULErrorCodes.h"

#include <gtest/gtest.h>

#include <string>

TEST(ZULErrorText, EdgesOfTheTableAndBeyond) {
    EXPECT_STREQ(ZULErrorText(ZULERR_SUCCESS), "Operation completed successfully.");
    EXPECT_STREQ(ZULErrorText(35), "A demo version of the item is already installed.");
    EXPECT_STREQ(ZULErrorText(36), "Unknown error");
    EXPECT_STREQ(ZULErrorText(0xFFFFFFFFu), "Unknown error");
    EXPECT_STREQ(ZULErrorText(static_cast<uint32_t>(-2)), "Unknown error");
}

TEST(ZULErrorText, KeepsTheWordingOfTheInterface) {
    EXPECT_STREQ(ZULErrorText(13), "Failed to memory map  file.");
    EXPECT_STREQ(ZULErrorText(30), "Bad server response recieved.");
    EXPECT_STREQ(ZULErrorText(ZULERR_ALREADY_INSTALLED), "The item is already installed.");
    // Every defined code has its own sentence ending in a full stop.
    for (uint32_t code = 0; code <= ZULERR_LAST; ++code) {
        std::string text = ZULErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.back(), '.') << code;
    }
}
