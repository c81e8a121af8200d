// The installation package under Wine's Windows Installer: installing leaves both servers
// registered and a resident manager that checks in with the presets handed over; the uninstall
// entry's command line, answered through the UI-automation helper, removes everything or
// nothing; installing again and installing over an older version leave one installation.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <string>

#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
#include "tools/uiauto/UiAuto.h"
#include "uninstall/UninstallTexts.h"

using namespace testsupport;

namespace {

const char kTessary[] = "Software\\Tessary";
const char kZUL[] = "Software\\Tessary\\ZUL";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaryZUL";
const char kManagerClsid[] = "{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}";
const char kVelorinClsid[] = "{1E43FD7B-E567-202F-9675-EBFC99A584C9}";
const char kManagerIid[] = "{98DA4D2F-410C-D677-ED9D-C77F2473BD88}";
const char kChannel[] = "{6A3B2C1D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}";
const char kManagerDir[] = "C:\\Program Files\\Tessary\\ZUL";
const char kVelorinDir[] = "C:\\Program Files\\Tessary\\Velorin";
const char* const kInstalledFiles[] = {
    "C:\\Program Files\\Tessary\\ZUL\\ZULMan.exe",     "C:\\Program Files\\Tessary\\ZUL\\ZULManps.dll",
    "C:\\Program Files\\Tessary\\ZUL\\Uninstall.exe",  "C:\\Program Files\\Tessary\\Velorin\\ZULVelorin.exe",
    "C:\\Program Files\\Tessary\\Velorin\\TYInstallHelper.exe"};
const DWORD kInstallWaitMs = 180000;

std::string PackagePath(const char* name) { return BinDirectory() + "\\..\\package\\" + name; }

std::string UpgradeCodeBraced() { return std::string("{") + ZUL_UPGRADE_CODE + "}"; }

// Product codes of the installed packages of the system.
std::vector<std::string> InstalledProducts() {
    std::vector<std::string> products;
    char code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(UpgradeCodeBraced().c_str(), 0, i, code) == ERROR_SUCCESS; ++i)
        products.push_back(code);
    return products;
}

std::optional<DWORD> Msiexec(const std::string& args) {
    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, sizeof systemDir);
    return RunProgram(std::string(systemDir) + "\\msiexec.exe", args, kInstallWaitMs);
}

std::optional<DWORD> InstallPackage(const char* name, const std::string& properties = "") {
    return Msiexec("/i \"" + PackagePath(name) + "\" /qn " + properties);
}

// Starts a command line as the list of installed programs does: the whole text to CreateProcess.
UniqueHandle StartCommandLine(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

// A message box of Uninstall.exe whose text holds wanted.
HWND WaitForMessage(const std::string& wanted, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 200) {
        HWND box = uiauto::FindTopWindow(uiauto::kDialogClass, uninstall_text::kCaption);
        if (box && uiauto::MessageText(box).find(wanted) != std::string::npos) return box;
        Sleep(200);
    }
    return nullptr;
}

DWORD ExitCodeAfter(const UniqueHandle& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return 999999;
    DWORD code = 999999;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

bool WaitFor(const auto& condition, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 200) {
        if (condition()) return true;
        Sleep(200);
    }
    return condition();
}

class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        LetWineDrawWindowFrames();
    }
    void SetUp() override { RemoveEverything(); }
    void TearDown() override { RemoveEverything(); }

    static void RemoveEverything() {
        for (const std::string& product : InstalledProducts()) Msiexec("/x " + product + " /qn");
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        DeleteValue(HKEY_LOCAL_MACHINE, kRun, "ZULM");
        DeleteValue(HKEY_LOCAL_MACHINE, kRun, "ZULVelorin");
        DeleteTree(HKEY_LOCAL_MACHINE, kUninstall);
    }

    // What a working installation shows: files, both servers registered from the installed
    // programs, the Run values, the uninstall entry and one resident manager.
    static void ExpectOneWorkingInstallation() {
        EXPECT_EQ(InstalledProducts().size(), 1u);
        for (const char* file : kInstalledFiles) EXPECT_TRUE(PathExists(file)) << file;
        char shortPath[MAX_PATH] = {};
        GetShortPathNameA(kInstalledFiles[0], shortPath, sizeof shortPath);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid + "\\LocalServer32", nullptr),
                  std::string(shortPath));
        EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, std::string("Interface\\") + kManagerIid + "\\ProxyStubClsid32", nullptr));
        GetShortPathNameA(kInstalledFiles[3], shortPath, sizeof shortPath);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kVelorinClsid + "\\LocalServer32", nullptr),
                  std::string(shortPath));
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"),
                  std::string("\"C:\\Program Files\\Tessary\\ZUL\\ZULMan.exe\" -Background"));
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULVelorin"),
                  std::string("\"C:\\Program Files\\Tessary\\Velorin\\ZULVelorin.exe\" -boot"));
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), std::string(kManagerDir) + "\\Uninstall.exe");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin", "Path"), std::string(kVelorinDir));
        EXPECT_TRUE(WaitFor([] { return FindProcesses("ZULMan.exe").size() == 1; }, 20000))
            << FindProcesses("ZULMan.exe").size() << " managers run";
    }

    static void Screenshot(const char* name) {
        const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
        if (!dir.empty()) uiauto::SaveScreenshot(dir + "/" + name);
    }
};

TEST_F(PackageTest, InstallRegistersBothServersAndTheManagerChecksInWithThePresets) {
    const std::string state = Environment("ZUL_DEVSERVER_STATE");
    ASSERT_FALSE(state.empty()) << "ZUL_DEVSERVER_STATE is not set";
    const std::string stateDir = WindowsPathOf(state);
    const std::string port = ReadFileText(stateDir + "\\port");
    DeleteFileA((stateDir + "\\requests.log").c_str());
    DeleteFileA((stateDir + "\\script.json").c_str());
    DeleteFileA((stateDir + "\\catalogue.txt").c_str());
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "CheckinURL", "http://127.0.0.1:" + port + "/zulm/channelcheckin.asp");
    WriteString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Checkin", "NextChannelCheckin", "0");
    // A channel the machine knows but has not subscribed: the preset list subscribes it.
    const std::string channelKey = std::string(kZUL) + "\\Channel\\" + kChannel;
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed", "0");

    ASSERT_EQ(InstallPackage("TessaryZUL.msi", std::string("SUBSCRIBEDCHANNELS=") + kChannel + " DISTID=\"PARTNER 7\""),
              DWORD{0});

    ExpectOneWorkingInstallation();
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "PARTNER 7");
    EXPECT_FALSE(PathExists(std::string(kManagerDir) + "\\distid.dat"));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed"), "1");
    // The resident manager's first check-in names the preset channel.
    EXPECT_TRUE(WaitFor([&] { return ReadFileText(stateDir + "\\requests.log").find(kChannel) != std::string::npos; },
                        30000))
        << ReadFileText(stateDir + "\\requests.log");
}

TEST_F(PackageTest, UninstallEntryAnsweredNoKeepsEverythingAndAnsweredYesRemovesEverything) {
    ASSERT_EQ(InstallPackage("TessaryZUL.msi"), DWORD{0});
    const auto uninstallString = ReadString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString");
    ASSERT_TRUE(uninstallString);

    {
        UniqueHandle uninstaller = StartCommandLine(*uninstallString);
        ASSERT_TRUE(uninstaller);
        HWND question = WaitForMessage(uninstall_text::kQuestion, 30000);
        ASSERT_TRUE(question);
        uiauto::ClickButton(question, IDNO);
        EXPECT_EQ(ExitCodeAfter(uninstaller, 30000), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
        ExpectOneWorkingInstallation();
    }

    UniqueHandle uninstaller = StartCommandLine(*uninstallString);
    ASSERT_TRUE(uninstaller);
    HWND question = WaitForMessage(uninstall_text::kQuestion, 30000);
    ASSERT_TRUE(question);
    Screenshot("uninstall-question.png");
    uiauto::ClickButton(question, IDYES);
    // The removal goes on in a copy outside the installation; the program named by the entry ends.
    EXPECT_EQ(ExitCodeAfter(uninstaller, 30000), DWORD{0});
    HWND outcome = WaitForMessage(uninstall_text::kRemoved, kInstallWaitMs);
    ASSERT_TRUE(outcome) << "no outcome box";
    Screenshot("uninstall-outcome.png");
    uiauto::ClickButton(outcome, IDOK);
    EXPECT_TRUE(uiauto::WaitForWindowGone(outcome, 30000));

    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_TRUE(FindProcesses("ZULMan.exe").empty());
    EXPECT_TRUE(FindProcesses("ZULVelorin.exe").empty());
    for (const char* file : kInstalledFiles) EXPECT_FALSE(PathExists(file)) << file;
    EXPECT_FALSE(PathExists(kVelorinDir));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kVelorinClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Interface\\") + kManagerIid));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULVelorin"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
}

TEST_F(PackageTest, InstallingOverAnOlderVersionAndAgainLeavesOneInstallation) {
    // The older version's removal as Windows Installer runs it in an upgrade (with
    // UPGRADINGPRODUCTCODE, which Wine's installer leaves out): the programs stay registered, so
    // the front-end's unregistration does not turn the channels off.
    ASSERT_EQ(InstallPackage("TessaryZUL-older.msi"), DWORD{0});
    const std::string channelKey = std::string(kZUL) + "\\Channel\\" + kChannel;
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Name", "Upgrade Channel");
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed", "1");
    ASSERT_EQ(InstalledProducts().size(), 1u);
    ASSERT_EQ(Msiexec("/x " + InstalledProducts()[0] + " /qn UPGRADINGPRODUCTCODE={9F0C1A2B-3C4D-4E5F-8061-728394A5B6C7}"),
              DWORD{0});
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed"), "1");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid));

    ASSERT_EQ(InstallPackage("TessaryZUL-older.msi"), DWORD{0});
    ASSERT_EQ(InstallPackage("TessaryZUL.msi"), DWORD{0});
    ExpectOneWorkingInstallation();
    char version[64] = {};
    DWORD length = sizeof version;
    ASSERT_EQ(InstalledProducts().size(), 1u);
    MsiGetProductInfoA(InstalledProducts()[0].c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &length);
    EXPECT_EQ(std::string(version), ZUL_PRODUCT_VERSION);

    // The same package again repairs: a lost program comes back.
    StopAllManagers();
    ASSERT_TRUE(DeleteFileA(kInstalledFiles[0]));
    ASSERT_EQ(InstallPackage("TessaryZUL.msi"), DWORD{0});
    ExpectOneWorkingInstallation();

    // An older version does not replace a newer one.
    EXPECT_NE(InstallPackage("TessaryZUL-older.msi"), DWORD{0});
    ExpectOneWorkingInstallation();
}

}  // namespace
