#include "uninstall/UninstallCommandLine.h"

#include <gtest/gtest.h>

TEST(UninstallCommandLine, OnlyTheConfirmedWordLastOnTheLineSkipsTheQuestion) {
    EXPECT_TRUE(IsConfirmedStart("-RemoveConfirmed"));
    EXPECT_TRUE(IsConfirmedStart("x -removeconfirmed  "));
    EXPECT_FALSE(IsConfirmedStart(""));
    EXPECT_FALSE(IsConfirmedStart("x-RemoveConfirmed"));
    EXPECT_FALSE(IsConfirmedStart("-RemoveConfirmed x"));
    EXPECT_FALSE(IsConfirmedStart("/RemoveConfirmed"));
}
