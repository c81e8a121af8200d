#include "records/DecimalText.h"

#include <gtest/gtest.h>

namespace {
// The number read, or a marker for a refused text.
int64_t Read(std::string_view text) {
    uint32_t value = 777;
    if (ParseLeadingUnsigned(text, value) != ZULERR_SUCCESS) {
        EXPECT_EQ(value, 777u) << "refused text changed the value: " << text;
        return -1;
    }
    return value;
}
}  // namespace

TEST(DecimalText, ReadsTheNumberAtTheStartAndIgnoresTheRest) {
    EXPECT_EQ(Read("12abc"), 12);
    EXPECT_EQ(Read("0"), 0);
    EXPECT_EQ(Read("  \t42 "), 42);
    EXPECT_EQ(Read("+7"), 7);
    EXPECT_EQ(Read("4294967295"), 4294967295);
    EXPECT_EQ(Read("00000000000000000009"), 9);
}

TEST(DecimalText, TextWithoutLeadingDigitsIsAParseError) {
    EXPECT_EQ(Read("abc"), -1);
    EXPECT_EQ(Read(""), -1);
    EXPECT_EQ(Read("   "), -1);
    EXPECT_EQ(Read("-"), -1);
    EXPECT_EQ(Read("+ 1"), -1);
    EXPECT_EQ(Read("x12"), -1);
}

TEST(DecimalText, SignAndOverflowFollowTheRuntimeConversion) {
    EXPECT_EQ(Read("-1"), 4294967295);
    EXPECT_EQ(Read("-5"), 4294967291);
    EXPECT_EQ(Read("4294967296"), 4294967295);
    EXPECT_EQ(Read("99999999999999999999999999"), 4294967295);
}
