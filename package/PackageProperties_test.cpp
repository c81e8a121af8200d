#include "package/PackageProperties.h"

#include <gtest/gtest.h>

TEST(PackageProperties, ChannelListsOfGuidsOnly) {
    EXPECT_TRUE(IsValidChannelList(""));
    EXPECT_TRUE(IsValidChannelList("{6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4D},,6a3b2c1d-4e5f-4a6b-8c7d-9e0f1a2b3c4e,"));
    EXPECT_FALSE(IsValidChannelList("{6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4D};{6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4E}"));
    EXPECT_FALSE(IsValidChannelList("{6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}, {6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4E}"));
    EXPECT_FALSE(IsValidChannelList("Demo Channel"));
}

TEST(PackageProperties, DistIdIsPrintableShortAndFreeOfSeparators) {
    EXPECT_TRUE(IsValidDistId(""));
    EXPECT_TRUE(IsValidDistId("PARTNER 7 (spring)"));
    EXPECT_TRUE(IsValidDistId(std::string(256, 'x')));
    EXPECT_FALSE(IsValidDistId(std::string(257, 'x')));
    for (const char* bad : {"A\"B", "A|B", "A\nB", "A\rB", "A\tB"}) EXPECT_FALSE(IsValidDistId(bad)) << bad;
    EXPECT_EQ(RefusedPropertyMessage("DISTID", "too long."), "The value of the property DISTID is not valid: too long.");
}
