#include "package/PresetsData.h"

#include <gtest/gtest.h>

TEST(PresetsData, SplitsTheFieldsAndTrimsTheDirectories) {
    const PresetsData full = ParsePresetsData(
        "C:\\Program Files\\Tessary\\ZUL\\|C:\\Program Files\\Tessary\\Velorin\\|{A},{B}|BPXk|PARTNER 7 ");
    EXPECT_EQ(full.directory, "C:\\Program Files\\Tessary\\ZUL");
    EXPECT_EQ(full.frontEndDirectory, "C:\\Program Files\\Tessary\\Velorin");
    EXPECT_EQ(full.channels, "{A},{B}");
    EXPECT_EQ(full.publisherKey, "BPXk");
    EXPECT_EQ(full.distId, "PARTNER 7 ");

    const PresetsData none = ParsePresetsData("D:\\|E:/|||");
    EXPECT_EQ(none.directory, "D:\\");
    EXPECT_EQ(none.frontEndDirectory, "E:/");
    EXPECT_EQ(none.channels, "");
    EXPECT_EQ(none.distId, "");

    EXPECT_EQ(ParsePresetsData("C:\\Dir").frontEndDirectory, "");
    EXPECT_EQ(ParsePresetsData("").directory, "");
}
