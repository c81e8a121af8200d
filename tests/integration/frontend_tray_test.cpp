// The tray icon of pending notifications under Wine with Xvfb, driven as a user would: its menu
// opened through the icon's callback and picked with the keyboard, notifications opened, a
// second tray start, the log-on start, "Exit" and the install helper's shutdown request.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/ProgramTestSupport.h"
#include "common/VelorinIds.h"
#include "frontend/StartMenuBuilder.h"
#include "frontend/TrayIcon.h"
#include "frontend/VelorinSettings.h"
#include "tests/integration/frontend_test_support.h"
#include "tools/uiauto/UiAuto.h"

using namespace testsupport;
using namespace frontendtest;

namespace {

const char kChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F7}";
const char kItemA[] = "{11111111-2222-3333-4444-555555555501}";
const char kItemB[] = "{11111111-2222-3333-4444-555555555502}";
const char kNamelessItem[] = "{11111111-2222-3333-4444-555555555503}";
const std::string kAnswer = std::string("Channel\n{\n GUID=") + kChannel + "\n Name=Ludora Channel\n MenuName=Programs\\Ludora\n}\n";
constexpr char kItemKey[] = "Software\\Tessary\\ZUL\\Item\\";
constexpr char kTrayClass[] = "C_TrayIcon Window Class";
constexpr char kTrayTitle[] = "C_TrayIcon Window";
constexpr DWORD kTrayStartMs = 40000;  // the start waits 10 s before it looks at the list

// Wine shows tray icons in a window of its own while there are any.
constexpr char kWineTrayClass[] = "__winex11_standalone_tray";

bool NoTrayIconShown() {
    for (int i = 0; i < 50; ++i) {
        if (!uiauto::FindTopWindow(kWineTrayClass, nullptr)) return true;
        Sleep(100);
    }
    return false;
}

HWND WaitForTrayWindow(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 200) {
        if (HWND window = FindWindowA(kTrayClass, kTrayTitle)) return window;
        Sleep(200);
    }
    return nullptr;
}

class FrontendTray : public FrontendTest {
protected:
    void SetUp() override {
        FrontendTest::SetUp();
        LetWineDrawWindowFrames();
        pagesLog = MakeScratchDirectory("tray-pages") + "\\pages.log";
        RecordOpenedPages(pagesLog);
        ProcessAnswer(kAnswer);
        ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
        AddItem(kItemA, "Notice A");
        AddItem(kItemB, "Notice B");
        AddItem(kNamelessItem, "");
    }

    void AddItem(const char* guid, const std::string& shortcutName) {
        const std::string key = std::string(kItemKey) + guid;
        const std::string folder = MakeScratchDirectory(guid);
        WriteFileBytes(folder + "\\index.html", "<p>notice</p>");
        WriteString(HKEY_LOCAL_MACHINE, key, "Type", "{B9A401D9-F453-A21D-5F44-3B64ABF95049}");
        WriteString(HKEY_LOCAL_MACHINE, key, "Path", folder);
        WriteString(HKEY_LOCAL_MACHINE, key, "Channel", kChannel);
        if (!shortcutName.empty()) WriteString(HKEY_LOCAL_MACHINE, key, "ShortcutName", shortcutName);
    }
    void SetPending(const std::string& list) const {
        WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications", list);
    }
    std::string Pending() const { return ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications").value_or("<none>"); }
    std::string MenuDir() const {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kChannel, "MenuDir").value_or("<none>");
    }
    void MarkUpdated() {
        const VelorinSettings settings = VelorinSettings::Load();
        ASSERT_EQ(C_StartMenuBuilder(settings).MarkChannelUpdated(Manager().Get(), kChannel, true), 0);
        ASSERT_NE(MenuDir().find(" (Updated)"), std::string::npos);
    }
    void Screenshot(const char* name) const {
        const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
        if (!dir.empty()) {
            EXPECT_TRUE(uiauto::SaveScreenshot(dir + "/" + name)) << name;
        }
    }
    bool OpenedPageOf(const char* guid) const {
        for (const std::string& line : OpenedPages(pagesLog)) {
            if (line.find(std::string(guid) + "\\index.html") != std::string::npos) return true;
        }
        return false;
    }

    std::string pagesLog;
};

TEST_F(FrontendTray, MenuListsNamedNotificationsInOrderAndOpeningOneRemovesOnlyIt) {
    MarkUpdated();
    // An empty entry, a malformed GUID and an item without "ShortcutName" take no place.
    SetPending(std::string(kItemA) + ",,{not-a-guid}," + kNamelessItem + "," + kItemB + ",");
    RunningVelorin tray("-TrayIcon");
    HWND window = WaitForTrayWindow(kTrayStartMs);
    ASSERT_TRUE(window);

    EXPECT_EQ(uiauto::FirstTrayIconTip(10000), "2 New Notification(s) Available");
    Screenshot("tray-tip.png");
    SetCursorPos(400, 300);  // the menu opens at the mouse: away from the icon, which stays in view

    // About, (separator), New Notifications, whose sub-menu opens on its first entry.
    ASSERT_TRUE(uiauto::ClickTrayIcon(window, kTrayCallbackMessage));
    ASSERT_TRUE(uiauto::PressMenuKeys({VK_DOWN, VK_DOWN, VK_RIGHT}, 10000));
    Sleep(1500);  // the timer keeps firing; the open menu stays as it is
    Screenshot("tray-menu.png");
    ASSERT_TRUE(uiauto::PressMenuKeys({VK_DOWN, VK_RETURN}, 2000));

    // The second named entry is B (identifier 101).
    for (int i = 0; i < 50 && Pending().find(kItemB) != std::string::npos; ++i) Sleep(100);
    EXPECT_EQ(Pending(), std::string(kItemA) + ",,{not-a-guid}," + kNamelessItem + ",");
    EXPECT_TRUE(OpenedPageOf(kItemB));
    EXPECT_FALSE(OpenedPageOf(kItemA));
    EXPECT_EQ(MenuDir().find(" (Updated)"), std::string::npos) << MenuDir();

    // A is still the first entry: identifier 100.
    ASSERT_TRUE(uiauto::PostMenuCommand(window, kTrayCmdFirstNotification));
    for (int i = 0; i < 50 && Pending().find(kItemA) != std::string::npos; ++i) Sleep(100);
    EXPECT_EQ(Pending(), std::string(",{not-a-guid},") + kNamelessItem + ",");
    EXPECT_TRUE(OpenedPageOf(kItemA));

    // "Exit" ends the tray and takes its window with it.
    ASSERT_TRUE(uiauto::PostMenuCommand(window, kTrayCmdExit));
    EXPECT_EQ(tray.Wait(20000), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(NoTrayIconShown());
}

TEST_F(FrontendTray, OneTrayAtATimeAndTheInstallHelperEndsItEvenWithItsMenuOpen) {
    // Many pending entries (items long gone among them) make a list longer than 1,024 bytes.
    std::string pending;
    for (int i = 0; i < 40; ++i) {
        char gone[64];
        std::snprintf(gone, sizeof gone, "{11111111-2222-3333-4444-5555555556%02d},", i);
        pending += gone;
    }
    SetPending(pending + kItemA + ",");
    RunningVelorin first("-boot");  // the log-on start: a tray because notifications are pending
    const HWND window = WaitForTrayWindow(kTrayStartMs);
    ASSERT_TRUE(window);
    ASSERT_TRUE(uiauto::WaitForWindow(kWineTrayClass, nullptr, 10000));

    RunningVelorin second("-TrayIcon");
    EXPECT_EQ(second.Wait(kTrayStartMs), 0u);
    EXPECT_EQ(FindProcesses("ZULVelorin.exe").size(), 1u);

    // The menu's modal loop would drop the request, were it not caught on the way.
    SetCursorPos(400, 300);
    ASSERT_TRUE(uiauto::ClickTrayIcon(window, kTrayCallbackMessage));
    ASSERT_TRUE(uiauto::WaitForWindow("#32768", nullptr, 10000));
    PostToAll(VelorinIds::kProgramFile, VELORIN_MSG_SHUTDOWN);
    EXPECT_EQ(first.Wait(20000), 0u);
    EXPECT_FALSE(FindWindowA(kTrayClass, kTrayTitle));
    EXPECT_TRUE(NoTrayIconShown());
}

TEST_F(FrontendTray, LaunchNotificationOpensThePageAndLeavesOtherEntries) {
    MarkUpdated();
    SetPending(std::string(kItemA) + "," + kItemB + ",");
    EXPECT_EQ(Velorin(std::string("-LaunchNotification ") + kItemA), 0u);
    EXPECT_EQ(Pending(), std::string(kItemB) + ",");
    EXPECT_TRUE(OpenedPageOf(kItemA));
    EXPECT_EQ(MenuDir().find(" (Updated)"), std::string::npos) << MenuDir();
}

}  // namespace
