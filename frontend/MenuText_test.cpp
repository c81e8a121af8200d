#include "frontend/MenuText.h"

#include <gtest/gtest.h>

using namespace MenuText;

TEST(MenuText, MarkerFileNameAndBytes) {
    const char guid[] = "{9D406394-BD56-70FD-BC9D-878734DB1AB6}";
    EXPECT_EQ(MarkerFileName(guid), "ZULVelorin-ZUL-Channel-Dir-{9D406394-BD56-70FD-BC9D-878734DB1AB6}.txt");
    EXPECT_EQ(MarkerFileText(guid),
              "This file identifies the ZUL-Channel-Dir-{9D406394-BD56-70FD-BC9D-878734DB1AB6} directory for "
              "Tessary ZUL Velorin.\n\nDeleting this file is NOT recommended.");
}

TEST(MenuText, ShortcutNamesUseTheLastComponentOfTheMenuName) {
    EXPECT_EQ(DisplayName("Programs\\Ludora"), "Ludora");
    EXPECT_EQ(DisplayName("Programs/Games\\KV Games"), "KV Games");
    EXPECT_EQ(DisplayName("Plain"), "Plain");
    EXPECT_EQ(OptionShortcutName(OptionShortcut::About, "Ludora"), "About Ludora Menu.lnk");
    EXPECT_EQ(OptionShortcutName(OptionShortcut::TurnOff, "Ludora"), "Turn off Ludora.lnk");
}

TEST(MenuText, UpdatedMarkIsAddedOnceAndRemovedFromItsFirstOccurrence) {
    const char suffix[] = " (Updated)";
    EXPECT_EQ(WithUpdatedMark("C:\\SM\\Ludora", suffix), "C:\\SM\\Ludora (Updated)");
    EXPECT_EQ(WithUpdatedMark("C:\\SM\\Ludora (Updated)", suffix), "C:\\SM\\Ludora (Updated)");
    EXPECT_EQ(WithoutUpdatedMark("C:\\SM\\Ludora (Updated)", suffix), "C:\\SM\\Ludora");
    EXPECT_EQ(WithoutUpdatedMark("C:\\SM\\Ludora", suffix), "C:\\SM\\Ludora");
    // A suffix inside a parent's name counts too: the path is cut there.
    EXPECT_EQ(WithoutUpdatedMark("C:\\A (Updated)\\B", suffix), "C:\\A");
    EXPECT_EQ(WithUpdatedMark("C:\\SM\\X", ""), "C:\\SM\\X");
}

TEST(MenuText, ChannelsShareAFolderWhenTheirMenuDirsMatchWithoutTheUpdatedMark) {
    EXPECT_TRUE(SameChannelFolder("Programs\\Ludora (Updated)", "programs/LUDORA"));
    EXPECT_FALSE(SameChannelFolder("Programs\\Ludora", "Programs\\Ludora\\Extra"));
    EXPECT_FALSE(SameChannelFolder("Programs\\Ludora", "Programs\\Ludorb"));
}
