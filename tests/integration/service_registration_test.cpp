// ZULMan's "RegServer" and "UnregServer" under Wine, read back through the registry API.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"

using namespace testsupport;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaryZUL";
const char kManagerClsid[] = "{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}";
const char kAppId[] = "{4A4724EA-E7FE-68E6-7AC9-BF18DEC0FC20}";
const char kTypeLib[] = "{A61098A6-5B86-7FFB-191D-AB5448C5830D}";
const char kManagerIid[] = "{98DA4D2F-410C-D677-ED9D-C77F2473BD88}";

struct ClassNames {
    const char* clsid;
    const char* progId;
    const char* viProgId;
    const char* display;
};
const ClassNames kClasses[] = {
    {kManagerClsid, "ZULMan.ZULManager.1", "ZULMan.ZULManager", "ZULManager Class"},
    {"{17179814-FAD5-235E-BC1A-1306E659E09B}", "ZULMan.DownloadMgr.1", "ZULMan.DownloadMgr", "DownloadMgr Class"},
    {"{4E59C901-9B5D-696D-8AA0-72B505A594B0}", "ZULMan.ItemInstaller.1", "ZULMan.ItemInstaller", "ItemInstaller Class"},
};

class ServiceRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kTessary);
        DeleteValue(HKEY_LOCAL_MACHINE, kRun, "ZULM");
        DeleteTree(HKEY_LOCAL_MACHINE, kUninstall);
        managerDir = MakeScratchDirectory("managerdir");
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "Path", managerDir);
    }
    void TearDown() override { StopAllManagers(); }

    DWORD Run(const char* args) {
        auto code = RunProgram(BinPath("ZULMan.exe"), args);
        EXPECT_TRUE(code.has_value()) << "ZULMan " << args << " did not end";
        return code.value_or(999);
    }

    std::string managerDir;
};

TEST_F(ServiceRegistration, RegServerWritesEveryEntry) {
    ASSERT_EQ(Run("-RegServer"), 0u);

    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"), "\"" + managerDir + "\\ZULMan.exe\" -Background");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "Tessary Channel Manager");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "\"" + managerDir + "\\Uninstall.exe\"");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayIcon"), managerDir + "\\Uninstall.exe,0");

    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string("AppID\\") + kAppId, nullptr), "ZULMan");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "AppID\\ZULMan.EXE", "AppID"), kAppId);

    char shortPath[MAX_PATH];
    GetShortPathNameA(BinPath("ZULMan.exe").c_str(), shortPath, sizeof shortPath);
    for (const ClassNames& c : kClasses) {
        const std::string clsidKey = std::string("CLSID\\") + c.clsid;
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, c.progId, nullptr), c.display);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string(c.progId) + "\\CLSID", nullptr), c.clsid);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, c.viProgId, nullptr), c.display);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string(c.viProgId) + "\\CLSID", nullptr), c.clsid);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string(c.viProgId) + "\\CurVer", nullptr), c.progId);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey, nullptr), c.display);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey, "AppID"), kAppId);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", nullptr), c.progId);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\VersionIndependentProgID", nullptr), c.viProgId);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\LocalServer32", nullptr), std::string(shortPath));
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\TypeLib", nullptr), kTypeLib);
    }
    // Type library and the proxy/stub library for the interfaces.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kTypeLib + "\\1.0"));
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, std::string("Interface\\") + kManagerIid + "\\ProxyStubClsid32", nullptr));
}

TEST_F(ServiceRegistration, RegistrationReplacesAStaleClassKeyWhole) {
    WriteString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid + "\\InprocServer32", nullptr, "stale.dll");
    ASSERT_EQ(Run("/regserver"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid + "\\InprocServer32"));
}

TEST_F(ServiceRegistration, UnregServerRemovesWhatItMustAndKeepsTheRest) {
    ASSERT_EQ(Run("-RegServer"), 0u);
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "DistID", "D1");
    ASSERT_EQ(Run("-UnregServer"), 0u);

    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("AppID\\") + kAppId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "AppID\\ZULMan.EXE"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    for (const ClassNames& c : kClasses) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + c.clsid)) << c.clsid;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.viProgId));
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kTypeLib + "\\1.0"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Interface\\") + kManagerIid));
    // Left in place: the uninstall entry and the distribution identifier.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "Tessary Channel Manager");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "D1");
}

TEST_F(ServiceRegistration, RegServerFollowedByAnotherWordRegistersNothing) {
    // "-RegServer -Background" is a background start: it stays resident until told to stop.
    PROCESS_INFORMATION info = StartProgramAsync(BinPath("ZULMan.exe"), "-RegServer -Background");
    ASSERT_TRUE(info.hProcess);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 3000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

TEST_F(ServiceRegistration, PresetListIsConsumedWhateverItHolds) {
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels",
                "{9D406394-BD56-70FD-BC9D-878734DB1AB6},,{44C3F1E5-A415-41C4-568A-B08BD4CE11A5},");
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels"));

    WriteString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels", "");
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels"));

    // Longer than any fixed buffer: read whole, never written past a buffer.
    std::string longList;
    while (longList.size() < 40000) longList += "{9D406394-BD56-70FD-BC9D-878734DB1AB6},";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels", longList);
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels"));
}

// A preset channel the machine does not know yet is recorded subscribed, so the first check-in
// names it; a malformed piece records nothing.
TEST_F(ServiceRegistration, UnknownPresetChannelsAreRecordedSubscribed) {
    const char* channel = "{5C0FFEE1-2B3D-4E5F-8091-A2B3C4D5E6F7}";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels", std::string(channel) + ",junk");
    ASSERT_EQ(Run("-RegServer"), 0u);
    const std::string record = std::string(kZUL) + "\\Channel\\" + channel;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, record.c_str(), "Subscribed"), "1");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, record.c_str(), "Priority"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, (std::string(kZUL) + "\\Channel\\junk").c_str()));
}

TEST_F(ServiceRegistration, DistIdFileIsStoredTrimmedAndDeleted) {
    const std::string distId = managerDir + "\\distid.dat";
    ASSERT_TRUE(WriteFileBytes(distId, "  PARTNER 7  \r\n"));
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "  PARTNER 7  ");
    EXPECT_FALSE(PathExists(distId));

    // No file: the stored identifier stays.
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "  PARTNER 7  ");

    // An empty file stores an empty identifier.
    ASSERT_TRUE(WriteFileBytes(distId, "\r\n"));
    ASSERT_EQ(Run("-RegServer"), 0u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "");
}

TEST_F(ServiceRegistration, UnreadableDistIdFileKeepsTheOldValue) {
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "DistID", "OLD");
    const std::string distId = managerDir + "\\distid.dat";
    ASSERT_TRUE(WriteFileBytes(distId, "NEW"));
    // Held open without sharing: the registration cannot read it.
    HANDLE held = CreateFileA(distId.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run("-RegServer"), 0u);
    CloseHandle(held);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "OLD");
}

TEST_F(ServiceRegistration, ManagerDirectoryDefaultsToTheProgramDirectory) {
    DeleteValue(HKEY_LOCAL_MACHINE, kZUL, "Path");
    ASSERT_EQ(Run("-RegServer"), 0u);
    char longBin[MAX_PATH];
    GetLongPathNameA(BinDirectory().c_str(), longBin, sizeof longBin);
    auto path = ReadString(HKEY_LOCAL_MACHINE, kZUL, "Path");
    ASSERT_TRUE(path);
    EXPECT_EQ(lstrcmpiA(path->c_str(), BinDirectory().c_str()) == 0 || lstrcmpiA(path->c_str(), longBin) == 0, true)
        << *path;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"), "\"" + *path + "\\ZULMan.exe\" -Background");
}

}  // namespace
