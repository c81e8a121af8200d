#include "package/PresetsData.h"

#include <gtest/gtest.h>

TEST(PresetsData, SplitsTheThreeFieldsAndTrimsTheDirectory) {
    const PresetsData full = ParsePresetsData("C:\\Program Files\\Tessary\\ZUL\\|{A},{B}|PARTNER|7 ");
    EXPECT_EQ(full.directory, "C:\\Program Files\\Tessary\\ZUL");
    EXPECT_EQ(full.channels, "{A},{B}");
    EXPECT_EQ(full.distId, "PARTNER|7 ");

    const PresetsData none = ParsePresetsData("D:\\|||");
    EXPECT_EQ(none.directory, "D:\\");
    EXPECT_EQ(none.channels, "");
    EXPECT_EQ(none.distId, "|");

    EXPECT_EQ(ParsePresetsData("C:\\Dir").channels, "");
    EXPECT_EQ(ParsePresetsData("").directory, "");
}
