// A channel's Start-menu folder under Wine: made by an "-EnableUpdates" start for a channel the
// manager recorded from a server answer, read back through IShellLinkA, found again by its
// marker after a rename, recreated after deletion, marked updated and flipped by subscription.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "common/Handles.h"
#include "frontend/StartMenuBuilder.h"
#include "frontend/VelorinSettings.h"
#include "common/ProgramTestSupport.h"
#include "tests/integration/frontend_test_support.h"

using namespace testsupport;
using namespace frontendtest;

namespace {

const char kChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F7}";
const std::string kMarkerName = std::string("ZULVelorin-ZUL-Channel-Dir-") + kChannel + ".txt";
const std::string kAnswer = std::string("Channel\n{\n GUID=") + kChannel + "\n Name=Ludora Channel\n MenuName=Programs\\Ludora\n}\n";

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class FrontendMenu : public FrontendTest {
protected:
    std::string MenuDir() {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kChannel, "MenuDir").value_or("<none>");
    }
    std::string Options(const std::string& link) const { return startMenu + "\\Programs\\Ludora\\- Options -\\" + link; }
};

TEST_F(FrontendMenu, EnableUpdatesGivesTheChannelItsFolderMarkerAndOptions) {
    ProcessAnswer(kAnswer);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);

    const std::string folder = startMenu + "\\Programs\\Ludora";
    EXPECT_EQ(MenuDir(), folder);
    const std::string marker = folder + "\\" + kMarkerName;
    EXPECT_TRUE(IsHidden(marker));
    EXPECT_EQ(Bytes(marker), std::string("This file identifies the ZUL-Channel-Dir-") + kChannel +
                                 " directory for Tessary ZUL Velorin.\n\nDeleting this file is NOT recommended.");

    struct Expected {
        const char* file;
        std::string arguments;
        int icon;
        bool hidden;
    };
    const Expected expected[] = {
        {"About Ludora Menu.lnk", std::string("-AboutChannel ") + kChannel, 1, false},
        {"Turn on Ludora.lnk", std::string("-Subscribe ") + kChannel, 4, false},
        {"Turn off Ludora.lnk", std::string("-Unsubscribe ") + kChannel, 5, true},
    };
    for (const Expected& e : expected) {
        const LinkInfo link = ReadLink(Options(e.file));
        ASSERT_TRUE(link.read) << e.file;
        EXPECT_EQ(lstrcmpiA(link.target.c_str(), VelorinExe().c_str()), 0) << link.target;
        EXPECT_EQ(link.arguments, e.arguments);
        EXPECT_EQ(lstrcmpiA(link.workingDir.c_str(), VelorinDir().c_str()), 0) << link.workingDir;
        EXPECT_EQ(lstrcmpiA(link.iconPath.c_str(), VelorinExe().c_str()), 0) << link.iconPath;
        EXPECT_EQ(link.iconIndex, e.icon) << e.file;
        EXPECT_EQ(IsHidden(Options(e.file)), e.hidden) << e.file;
    }
    // The indices name icons the program carries.
    EXPECT_GE(ExtractIconExA(VelorinExe().c_str(), -1, nullptr, nullptr, 0), 6u);

    std::cout << "Start menu\\Programs of one channel:\n";
    PrintShortcutTree(startMenu + "\\Programs", std::cout);
}

TEST_F(FrontendMenu, RenamedFolderIsFoundByItsMarkerAndADeletedOneIsRecreated) {
    ProcessAnswer(kAnswer);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    const std::string folder = startMenu + "\\Programs\\Ludora";
    const std::string moved = startMenu + "\\Programs\\Moved Away";
    ASSERT_TRUE(MoveFileA(folder.c_str(), moved.c_str()));

    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    EXPECT_EQ(MenuDir(), moved);
    EXPECT_FALSE(PathExists(folder));
    EXPECT_TRUE(PathExists(moved + "\\- Options -\\Turn on Ludora.lnk"));

    testsupport::RemoveFolderTree(moved);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    EXPECT_EQ(MenuDir(), folder);
    EXPECT_TRUE(IsHidden(folder + "\\" + kMarkerName));
    EXPECT_TRUE(PathExists(Options("About Ludora Menu.lnk")));

    // A folder left marked updated by an earlier run is adopted when the plain one is missing.
    testsupport::RemoveFolderTree(folder);
    CreateDirectoryA((folder + " (Updated)").c_str(), nullptr);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    EXPECT_EQ(MenuDir(), folder + " (Updated)");
    EXPECT_FALSE(PathExists(folder));
}

TEST_F(FrontendMenu, MarkingUpdatedRenamesOnceAndClearingRestoresTheName) {
    ProcessAnswer(kAnswer);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    const VelorinSettings settings = VelorinSettings::Load();
    const C_StartMenuBuilder builder(settings);
    const std::string folder = startMenu + "\\Programs\\Ludora";

    EXPECT_EQ(builder.MarkChannelUpdated(Manager().Get(), kChannel, true), 0);
    EXPECT_EQ(builder.MarkChannelUpdated(Manager().Get(), kChannel, true), 0);
    EXPECT_EQ(MenuDir(), folder + " (Updated)");
    EXPECT_FALSE(PathExists(folder));
    EXPECT_FALSE(PathExists(folder + " (Updated) (Updated)"));

    EXPECT_EQ(builder.MarkChannelUpdated(Manager().Get(), kChannel, false), 0);
    EXPECT_EQ(MenuDir(), folder);
    EXPECT_FALSE(PathExists(folder + " (Updated)"));
    EXPECT_EQ(builder.MarkChannelUpdated(Manager().Get(), kChannel, false), 0);
    EXPECT_EQ(MenuDir(), folder);
}

TEST_F(FrontendMenu, SubscriptionFlipsWhichOptionShortcutIsVisible) {
    ProcessAnswer(kAnswer);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    EXPECT_FALSE(IsHidden(Options("Turn on Ludora.lnk")));
    EXPECT_TRUE(IsHidden(Options("Turn off Ludora.lnk")));

    ASSERT_EQ(VelorinAnsweringOk(std::string("-Subscribe ") + kChannel, {"Ludora"}), 0u);
    EXPECT_TRUE(IsHidden(Options("Turn on Ludora.lnk")));
    EXPECT_FALSE(IsHidden(Options("Turn off Ludora.lnk")));

    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(Manager()->UnSubscribeChannel(const_cast<char*>(kChannel), &ret), S_OK);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    EXPECT_FALSE(IsHidden(Options("Turn on Ludora.lnk")));
    EXPECT_TRUE(IsHidden(Options("Turn off Ludora.lnk")));
}

}  // namespace
