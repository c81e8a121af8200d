// The install helper against a registered channel manager: silent installs of item packages,
// bad packages, the shut-down of running programs, and the progress window driven through the
// UI-automation helper (screenshots under the build tree's "screenshots" folder).
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "installhelper/InstallFlow.h"
#include "installhelper/resource.h"
#include "manager/ZULManager.h"
#include "common/ProgramTestSupport.h"
#include "tools/uiauto/UiAuto.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

const char kTessary[] = "Software\\Tessary";
const char kZUL[] = "Software\\Tessary\\ZUL";
const char kChannel[] = "{3C1D5E7F-0A2B-4C6D-8E9F-1A2B3C4D5E63}";
const char kItem[] = "{3C1D5E7F-0A2B-4C6D-8E9F-1A2B3C4D5E64}";
const char kItemName[] = "Cops & Robbers";
const char kInstallLog[] = "C:\\TestInstall.log";  // the install program's log when started by the manager
const char kSupportURL[] = "http://support.example.test/help";
const DWORD kWindowWaitMs = 30000;

std::string ItemKey() { return std::string(kZUL) + "\\Item\\" + kItem; }

size_t Count(const std::string& text, const std::string& wanted) {
    size_t count = 0;
    for (size_t at = text.find(wanted); at != std::string::npos; at = text.find(wanted, at + 1)) ++count;
    return count;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class InstallHelperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        LetWineDrawWindowFrames();
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    }
    void SetUp() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
        managerDir = MakeScratchDirectory("helper-manager");
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "Path", managerDir);
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "SupportURL", kSupportURL);
        DeleteFileA(kInstallLog);
        // The unpacked package: a copy of the sample package.
        package = MakeScratchDirectory("helper-package");
        const std::string sample = BinPath("testdata\\installhelper\\sample");
        for (const char* name : {"ItemInfo.dat", "installer.FileSet", "channel.FileSet", "about.htm", "TYInstallHelper.exe"})
            ASSERT_TRUE(CopyFileA((sample + "\\" + name).c_str(), (package + "\\" + name).c_str(), FALSE)) << name;
        itemInfo = ReadFileText(package + "\\ItemInfo.dat");
    }
    void TearDown() override { StopAllManagers(); }

    void WriteItemInfo(const std::string& text) { ASSERT_TRUE(WriteFileBytes(package + "\\ItemInfo.dat", text)); }

    // Runs the package's helper in the package directory; its exit code.
    std::optional<DWORD> RunHelper(const std::string& args, DWORD timeoutMs = 90000) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string line = "\"" + package + "\\TYInstallHelper.exe\" " + args;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, package.c_str(), &startup, &info))
            return std::nullopt;
        CloseHandle(info.hThread);
        std::optional<DWORD> code;
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(info.hProcess, &exitCode);
            code = exitCode;
        } else {
            TerminateProcess(info.hProcess, 999);
        }
        CloseHandle(info.hProcess);
        return code;
    }
    PROCESS_INFORMATION StartHelper(const std::string& args) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string line = "\"" + package + "\\TYInstallHelper.exe\" " + args;
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, package.c_str(), &startup,
                                   &info));
        return info;
    }
    static DWORD ExitCodeOf(PROCESS_INFORMATION& info, DWORD timeoutMs = 20000) {
        DWORD exitCode = 999;
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &exitCode);
        else TerminateProcess(info.hProcess, 999);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return exitCode;
    }

    std::string managerDir, package, itemInfo;
};

// ---- the flow against a manager of this process --------------------------------------------

InstallSteps InProcessSteps(const std::string& directory) {
    InstallSteps steps;
    steps.createManager = [](ComPtr<I_ZULManager>& manager) {
        return ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager, &manager);
    };
    steps.packageDirectory = [directory] { return directory; };
    return steps;
}

TEST_F(InstallHelperTest, RelativeSourcesBecomeFullPathsUnderThePackage) {
    WriteItemInfo("FileSet\r\n{\r\nGUID={3C1D5E7F-0A2B-4C6D-8E9F-1A2B3C4D5E61}\r\nSourceURL=installer.FileSet\r\n}\r\n"
                  "FileSet\r\n{\r\nGUID={3C1D5E7F-0A2B-4C6D-8E9F-1A2B3C4D5E62}\r\nSourceURL=/sets\\channel.FileSet\r\n}\r\n"
                  "FileSet\r\n{\r\nGUID={3C1D5E7F-0A2B-4C6D-8E9F-1A2B3C4D5E65}\r\nSourceURL=http://127.0.0.1:9/x.FileSet\r\n}\r\n"
                  "Item\r\n{\r\nGuid=" + std::string(kItem) + "\r\n}\r\n");
    ComPtr<I_ZULManager> manager;
    ASSERT_EQ(InProcessSteps(package).createManager(manager), S_OK);
    ComPtr<I_ResponseData> description;
    ASSERT_TRUE(PrepareItemDescription(manager.Get(), package, description).Succeeded());
    std::vector<std::string> sources;
    ZULError code = ZULERR_FAILED;
    for (HRESULT hr = description->RewindBlock(const_cast<char*>("FileSet"), &code); hr == S_OK && code == ZULERR_SUCCESS;
         hr = description->NextBlock(const_cast<char*>("FileSet"), &code)) {
        char* value = nullptr;
        ZULError read = ZULERR_FAILED;
        ASSERT_EQ(description->GetKeyValue(const_cast<char*>("SourceURL"), &value, &read), S_OK);
        sources.push_back(value ? value : "");
        CoTaskMemFree(value);
    }
    EXPECT_EQ(sources, (std::vector<std::string>{package + "\\installer.FileSet", package + "\\sets\\channel.FileSet",
                                                 "http://127.0.0.1:9/x.FileSet"}));
}

TEST_F(InstallHelperTest, FlowReportsMissingDescriptionMissingItemAndMissingManager) {
    DeleteFileA((package + "\\ItemInfo.dat").c_str());
    EXPECT_EQ(RunSilentInstall(InProcessSteps(package)), ZULERR_FILE_NOT_FOUND);
    InstallSteps noManager = InProcessSteps(package);
    noManager.createManager = [](ComPtr<I_ZULManager>&) { return REGDB_E_CLASSNOTREG; };
    EXPECT_EQ(RunSilentInstall(noManager), -1);
}

// ---- silent installs through the registered manager ------------------------------------------

TEST_F(InstallHelperTest, SilentInstallThenSecondRunChangesNothingTwice) {
    const std::string diagnosticLog = managerDir + "\\zul.log";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "LogFile", diagnosticLog);
    ASSERT_EQ(RunHelper(""), DWORD{0});
    // The helper's steps and the manager's install share one log, a whole line each.
    const std::string lines = ReadFileText(diagnosticLog);
    for (const std::string& expected :
         {std::string(" TYInstallHelper prepare "), std::string(" TYInstallHelper install "),
          std::string(" install ") + kItem + " hr=0x00000000 ret=0 ms="})
        EXPECT_NE(lines.find(expected), std::string::npos) << expected << " in:\n" << lines;
    DeleteValue(HKEY_LOCAL_MACHINE, kZUL, "LogFile");
    const std::string entry = std::string(kItem) + "," + kChannel + ";";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), entry);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel, "Subscribed"), "1");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel, "Priority"), "1");
    EXPECT_TRUE(PathExists(managerDir + "\\Channel\\" + kChannel + "\\readme.txt"));
    std::string log = ReadFileText(kInstallLog);
    EXPECT_EQ(Count(log, "[TestInstall]"), 1u) << log;
    EXPECT_NE(log.find("Arguments=/exit=0 sample"), std::string::npos) << log;
    EXPECT_NE(log.find("setup.dat"), std::string::npos) << log;

    // A second run offers the item once more; the channel keeps its priority, the pending
    // list holds the item once.
    ASSERT_EQ(RunHelper("-NoKSInst"), DWORD{0});
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), entry);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel, "Priority"), "1");
    EXPECT_EQ(Count(ReadFileText(kInstallLog), "[TestInstall]"), 2u);
    EXPECT_EQ(RunHelper("-GameName"), DWORD{3});
    EXPECT_EQ(RunHelper("-Install"), DWORD{3});
}

TEST_F(InstallHelperTest, BadPackagesEndWithACodeAndChangeNothing) {
    const auto nothingChanged = [&] {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel));
        EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"));
        EXPECT_FALSE(PathExists(kInstallLog));
    };
    DeleteFileA((package + "\\ItemInfo.dat").c_str());
    EXPECT_EQ(RunHelper(""), DWORD{ZULERR_FILE_NOT_FOUND});
    nothingChanged();

    WriteItemInfo(itemInfo.substr(0, itemInfo.find("Item\r\n") == std::string::npos ? itemInfo.find("Item\n")
                                                                                     : itemInfo.find("Item\r\n")));
    EXPECT_EQ(RunHelper(""), DWORD{ZULERR_NOT_FOUND});
    nothingChanged();

    WriteItemInfo(itemInfo);
    DeleteFileA((package + "\\channel.FileSet").c_str());
    EXPECT_EQ(RunHelper(""), DWORD{ZULERR_FILE_COPY_FAILED});
    nothingChanged();
}

// ---- shutting down running programs ----------------------------------------------------------

TEST_F(InstallHelperTest, KillZulmEndsTheManagerAndTheFrontEnd) {
    const DWORD started = GetTickCount();
    EXPECT_EQ(RunHelper("-KillZULM"), DWORD{0});
    EXPECT_LT(GetTickCount() - started, 60000u);  // nothing to wait for: only a hang takes this long

    PROCESS_INFORMATION manager = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
    PROCESS_INFORMATION frontEnd = StartProgramAsync(BinPath("tools\\velorin-standin\\ZULVelorin.exe"), "");
    ASSERT_TRUE(manager.hProcess && frontEnd.hProcess);
    Sleep(2000);
    ASSERT_FALSE(FindProcesses("ZULVelorin.exe").empty());
    ASSERT_FALSE(FindProcesses("ZULMan.exe").empty());
    EXPECT_EQ(RunHelper("/killzulm"), DWORD{0});
    EXPECT_EQ(WaitForSingleObject(manager.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(frontEnd.hProcess, 0), WAIT_OBJECT_0);
    for (PROCESS_INFORMATION* info : {&manager, &frontEnd}) {
        CloseHandle(info->hThread);
        CloseHandle(info->hProcess);
    }
}

TEST_F(InstallHelperTest, KillZulmReportsAFrontEndThatWillNotEnd) {
    PROCESS_INFORMATION stubborn = StartProgramAsync(BinPath("tools\\velorin-standin\\ZULVelorin.exe"), "-ignore");
    ASSERT_TRUE(stubborn.hProcess);
    Sleep(1000);
    PROCESS_INFORMATION helper = StartHelper("-KillZULM");
    HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, "Installation Error", kWindowWaitMs);
    ASSERT_TRUE(box);
    const std::string text = uiauto::MessageText(box);
    EXPECT_NE(text.find("An existing copy of the Tessary Channel Manager is running and\ncould not be shut down."),
              std::string::npos) << text;
    EXPECT_NE(text.find(std::string("please visit ") + kSupportURL + "\nWe regret this error"), std::string::npos) << text;
    EXPECT_TRUE(uiauto::ClickButton(box, IDOK));
    EXPECT_EQ(ExitCodeOf(helper), DWORD{1});
    TerminateProcess(stubborn.hProcess, 0);
    WaitForSingleObject(stubborn.hProcess, 5000);
    CloseHandle(stubborn.hThread);
    CloseHandle(stubborn.hProcess);
}

// ---- the progress window ---------------------------------------------------------------------

class InstallWindowTest : public InstallHelperTest {
protected:
    // The installed game as a front-end installer records it: its folder holds a copy of the
    // test install program, which logs its launch.
    void RecordInstalledGame() {
        gameDir = MakeScratchDirectory("helper-game");
        ASSERT_TRUE(CopyFileA(BinPath("tools\\TestInstall.exe").c_str(), (gameDir + "\\Game.exe").c_str(), FALSE));
        launchLog = gameDir + "\\launch.log";
        WriteString(HKEY_LOCAL_MACHINE, ItemKey(), "Path", gameDir);
        WriteString(HKEY_LOCAL_MACHINE, ItemKey(), "LaunchFile", "Game.exe");
        WriteString(HKEY_LOCAL_MACHINE, ItemKey(), "LaunchArgs", "/log=" + launchLog + " launched");
        WriteString(HKEY_LOCAL_MACHINE, ItemKey(), "MenuDir",
                    "C:\\users\\Public\\Start Menu\\Programs\\Sample Channel (Updated)\\Cops & Robbers");
    }
    HWND WaitForInstallWindow(const char* caption) { return uiauto::WaitForWindow(uiauto::kDialogClass, caption, kWindowWaitMs); }
    // The browser control cannot be made on this platform: its message comes first.
    void AcknowledgeNoBrowser() {
        HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, "Error", kWindowWaitMs);
        ASSERT_TRUE(box);
        EXPECT_EQ(uiauto::MessageText(box), "CreateControl() failed");
        uiauto::ClickButton(box, IDOK);
    }
    void Screenshot(const char* name) {
        const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
        if (dir.empty()) return;
        CreateDirectoryA(WindowsPathOf(dir).c_str(), nullptr);
        EXPECT_TRUE(uiauto::SaveScreenshot(dir + "/" + name)) << name;
    }
    std::string gameDir, launchLog;
};

TEST_F(InstallWindowTest, SuccessOffersLaunchAndShortcutAndDoneCarriesThemOut) {
    RecordInstalledGame();
    // The package writes the item's GUID without braces, in lower case: the shortcut is still
    // recorded on the item's own record.
    WriteItemInfo(Replaced(Replaced(itemInfo, "InstallArgs=/exit=0 sample", "InstallArgs=/exit=0 /sleep=3000 sample"),
                           std::string("Guid=") + kItem, "Guid=3c1d5e7f-0a2b-4c6d-8e9f-1a2b3c4d5e64"));
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE));
    const std::string shortcut = std::string(desktop) + "\\Play Cops & Robbers.lnk";
    DeleteFileA(shortcut.c_str());

    PROCESS_INFORMATION helper = StartHelper("-GameGUI -HTML about.htm -Scroll");
    AcknowledgeNoBrowser();
    HWND window = WaitForInstallWindow("Cops & Robbers Install");
    ASSERT_TRUE(window);
    EXPECT_EQ(uiauto::ControlText(window, IDC_STATUS), "Please wait while Cops & Robbers is installed...");
    EXPECT_FALSE(uiauto::IsControlEnabled(window, IDOK));
    HWND pane = FindWindowExA(window, nullptr, "TYInstall HTMLWindow Child", nullptr);
    EXPECT_TRUE(pane && IsWindowVisible(pane));
    RECT paneArea = {};
    GetWindowRect(pane, &paneArea);
    EXPECT_GT(paneArea.bottom - paneArea.top, 100) << paneArea.top << " " << paneArea.bottom;
    // Escape does nothing while it installs.
    uiauto::PressEscape(window);

    const std::string status = uiauto::WaitForControlText(window, IDC_STATUS, "Successfully", kWindowWaitMs);
    EXPECT_EQ(status, "\nCops & Robbers Successfully Installed!\n\n");
    EXPECT_TRUE(uiauto::IsControlEnabled(window, IDOK));
    EXPECT_TRUE(uiauto::IsControlVisible(window, IDC_START_MENU_GROUP));
    EXPECT_EQ(uiauto::ControlText(window, IDC_START_MENU_TEXT), "Start --> Programs --> Sample Channel --> Cops & Robbers");
    EXPECT_TRUE(uiauto::IsChecked(window, IDC_LAUNCH));
    EXPECT_TRUE(uiauto::IsChecked(window, IDC_DESKTOP_SHORTCUT));
    EXPECT_EQ(uiauto::ControlText(window, IDC_LAUNCH), "Launch \"Cops && Robbers\" Now");
    EXPECT_EQ(uiauto::ControlText(window, IDC_DESKTOP_SHORTCUT), "Add Desktop Shortcut for \"Cops && Robbers\"");
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_VIEW_HELP));
    Screenshot("install-success.png");

    uiauto::ClickButton(window, IDOK);
    EXPECT_EQ(ExitCodeOf(helper), DWORD{0});
    for (int i = 0; i < 100 && !PathExists(launchLog); ++i) Sleep(100);
    EXPECT_NE(ReadFileText(launchLog).find("Arguments=/log=" + launchLog + " launched"), std::string::npos);
    EXPECT_TRUE(PathExists(shortcut));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ItemKey(), "DesktopShortcut"), shortcut);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Item\\3c1d5e7f-0a2b-4c6d-8e9f-1a2b3c4d5e64"));
    DeleteFileA(shortcut.c_str());
}

TEST_F(InstallWindowTest, AlreadyInstalledDemoShowsItsTextAndNoChoices) {
    RecordInstalledGame();
    WriteItemInfo(Replaced(itemInfo, "InstallArgs=/exit=0 sample", "InstallArgs=/exit=35 sample"));
    PROCESS_INFORMATION helper = StartHelper("-GameGUI -Title \"Sample Setup\"");
    HWND window = WaitForInstallWindow("Sample Setup");
    ASSERT_TRUE(window);
    const std::string status = uiauto::WaitForControlText(window, IDC_STATUS, "demo", kWindowWaitMs);
    EXPECT_EQ(status, "A demo copy of Cops & Robbers is already installed.  Therefore, this installation has been cancelled.\n\n\n");
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_LAUNCH));
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_DESKTOP_SHORTCUT));
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_START_MENU_GROUP));
    uiauto::ClickButton(window, IDOK);
    EXPECT_EQ(ExitCodeOf(helper), DWORD{35});
    EXPECT_FALSE(PathExists(launchLog));
}

TEST_F(InstallWindowTest, FailureShowsTheReasonAndTheCloseBoxGivesMinusOne) {
    DeleteFileA((package + "\\channel.FileSet").c_str());
    PROCESS_INFORMATION helper = StartHelper("-GameGUI");
    HWND window = WaitForInstallWindow("Cops & Robbers Install");
    ASSERT_TRUE(window);
    const std::string status = uiauto::WaitForControlText(window, IDC_STATUS, "HR =", kWindowWaitMs);
    EXPECT_EQ(status, std::string("Installation failed.\nFor assistance, please visit ") + kSupportURL +
                          "\n\nHR = 1, ZULErr = 17, Reason = Failed to copy file.\n");
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_LAUNCH));
    EXPECT_FALSE(uiauto::IsControlVisible(window, IDC_START_MENU_GROUP));
    Screenshot("install-failure.png");
    uiauto::PressEscape(window);
    Sleep(500);
    EXPECT_TRUE(IsWindow(window));
    uiauto::CloseWithCloseBox(window);
    EXPECT_EQ(ExitCodeOf(helper), static_cast<DWORD>(-1));
}

}  // namespace

namespace {

TEST_F(InstallWindowTest, ManagerThatCannotBeCreatedIsReportedTwice) {
    ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-UnregServer"), DWORD{0});
    PROCESS_INFORMATION helper = StartHelper("-GameGUI");
    HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, "Error", kWindowWaitMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(uiauto::MessageText(box), "Failed to create ZULManager instance");
    uiauto::ClickButton(box, IDOK);
    HWND window = WaitForInstallWindow("Tessary Installer");
    ASSERT_TRUE(window);
    const std::string status = uiauto::WaitForControlText(window, IDC_STATUS, "ZULErr = 15", kWindowWaitMs);
    EXPECT_NE(status.find("Reason = Failed to create an instance of a COM object."), std::string::npos) << status;
    uiauto::ClickButton(window, IDOK);
    EXPECT_EQ(ExitCodeOf(helper), DWORD{ZULERR_CREATE_INSTANCE_FAILED});
}

}  // namespace
