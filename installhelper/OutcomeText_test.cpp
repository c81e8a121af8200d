#include "installhelper/OutcomeText.h"

#include <gtest/gtest.h>

namespace {

TEST(OutcomeText, AlreadyInstalledCodesUnderSFalseAreNotFailures) {
    EXPECT_FALSE(IsInstallFailure(0, 0));
    EXPECT_FALSE(IsInstallFailure(1, 33));
    EXPECT_FALSE(IsInstallFailure(1, 35));
    EXPECT_TRUE(IsInstallFailure(1, 18));
    EXPECT_TRUE(IsInstallFailure(static_cast<int32_t>(0x80070005), 33));
    EXPECT_EQ(FailureText("http://s/", 1, 18),
              "Installation failed.\nFor assistance, please visit http://s/\n\nHR = 1, ZULErr = 18, Reason = Download failed.\n");
    EXPECT_EQ(CompletionText(35, "Chess"),
              "A demo copy of Chess is already installed.  Therefore, this installation has been cancelled.\n\n\n");
    EXPECT_EQ(CompletionText(0, "Chess"), "\nChess Successfully Installed!\n\n");
    EXPECT_EQ(PleaseWaitText("100% Chess"), "Please wait while 100% Chess is installed...");
}

TEST(OutcomeText, StartMenuTextDropsUpdatedMarkOfFoldersOnly) {
    EXPECT_EQ(StartMenuText("C:\\Users\\All\\Start Menu\\Programs\\Channel (Updated)\\Chess"),
              "Start --> Programs --> Channel --> Chess");
    EXPECT_EQ(StartMenuText("C:\\x\\Start Menu\\Programs\\Chess (Updated)"), "Start --> Programs --> Chess (Updated)");
    EXPECT_EQ(StartMenuText(nullptr), "");
    EXPECT_FALSE(StartMenuText("C:\\Games\\Chess").has_value());
}

TEST(OutcomeText, AmpersandsShowAsThemselvesInCheckBoxes) {
    EXPECT_EQ(LaunchCheckText("Cops & Robbers"), "Launch \"Cops && Robbers\" Now");
    EXPECT_EQ(DesktopCheckText("A&&B"), "Add Desktop Shortcut for \"A&&&&B\"");
}

}  // namespace

#include "installhelper/HtmlPageText.h"

namespace {

TEST(HtmlPageText, AddressesAndDrivePathsStandRelativeNamesJoinTheDirectory) {
    EXPECT_EQ(HtmlPageLocation("HTTP://host/page.htm", "C:\\pkg"), "HTTP://host/page.htm");
    EXPECT_EQ(HtmlPageLocation("D:\\pages\\a.htm", "C:\\pkg"), "D:\\pages\\a.htm");
    EXPECT_EQ(HtmlPageLocation("about.htm", "C:\\pkg"), "C:\\pkg\\about.htm");
}

}  // namespace
