// ZULVelorin's starts under Wine: registration and its removal, the item installer activated by
// the channel manager across processes, the updater lines, the partner migration, the server
// mode and the command lines that carry risk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
#include "tests/integration/frontend_test_support.h"

using namespace testsupport;
using namespace frontendtest;

namespace {

const char kClsid[] = "{1E43FD7B-E567-202F-9675-EBFC99A584C9}";
const char kAppId[] = "{AB1D659E-3CD2-13E8-5A8D-E6EABF0E0DB4}";
const char kTypeLib[] = "{D584FC7E-C938-2AC4-74AA-AAFB56FDF393}";
const char* const kItemTypes[] = {"{B9A401D9-F453-A21D-5F44-3B64ABF95049}", "{DF1C2AA1-EE6C-65A8-A483-00F6376D65B4}",
                                  "{0F176F16-C1BE-51D9-2826-B6641F4C4C3A}"};
const char kDesktopChannel[] = "{9D406394-BD56-70FD-BC9D-878734DB1AB6}";
const char kLaptopChannel[] = "{44C3F1E5-A415-41C4-568A-B08BD4CE11A5}";
const char kChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F7}";

std::string RegisterLine(const char* updateType, const char* verifyType, const std::string& tail) {
    return "-registerapp ZULVelorin -applongname \"Tessary ZUL Velorin\" -appexe \"\" -apppath \"" + ProgramFilesDir() +
           "\\Tessary\" -updateurl \"http://update.tessary.com\" -downloadtype 1 -updatetype " + updateType +
           " -verifytype " + verifyType + " -updateinterval 15000" + tail;
}

class FrontendProcess : public FrontendTest {
protected:
    std::string ChannelRecordValue(const char* guid, const char* name) {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + guid, name).value_or("<none>");
    }
    // An old partner front-end's settings, folder and menu.
    std::string PlantPartner(const char* key, const char* name, bool updatesEnabled) {
        const std::string dir = MakeScratchDirectory(name);
        const std::string menu = MakeScratchDirectory((std::string(name) + "-menu").c_str());
        CreateDirectoryA((menu + "\\Options").c_str(), nullptr);
        WriteFileBytes(menu + "\\Options\\Turn off.lnk", "x");
        WriteFileBytes(menu + "\\Old Game.lnk", "x");
        WriteFileBytes(menu + "\\keep.txt", "x");
        WriteFileBytes(dir + "\\Velorin.ini",
                       std::string("[Velorin]\r\nUpdatesEnabled=") + (updatesEnabled ? "true" : "FALSE") + "\r\n");
        WriteString(HKEY_LOCAL_MACHINE, key, "Exe", BinPath("common_test_child.exe"));
        WriteString(HKEY_LOCAL_MACHINE, key, "Path", dir);
        WriteString(HKEY_LOCAL_MACHINE, key, "MainMenu", menu);
        return menu;
    }
};

TEST_F(FrontendProcess, RegServerWritesItsEntriesAndItemTypesAndTheManagerActivatesItsInstaller) {
    const std::string log = MakeScratchDirectory("frontend-log") + "\\zul.log";
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "LogFile", log);
    ASSERT_EQ(Velorin("-RegServer"), 0u);

    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string("AppID\\") + kAppId, nullptr), "ZULVelorin");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "AppID\\ZULVelorin.EXE", "AppID"), kAppId);
    const std::string clsidKey = std::string("CLSID\\") + kClsid;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo.1", nullptr), "ItemInstaller_Velo Class");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo.1\\CLSID", nullptr), kClsid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo", nullptr), "ItemInstaller_Velo Class");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo\\CLSID", nullptr), kClsid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo\\CurVer", nullptr),
              "ZULVelorin.ItemInstaller_Velo.1");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey, nullptr), "ItemInstaller_Velo Class");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey, "AppID"), kAppId);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", nullptr), "ZULVelorin.ItemInstaller_Velo.1");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\VersionIndependentProgID", nullptr),
              "ZULVelorin.ItemInstaller_Velo");
    char shortPath[MAX_PATH];
    GetShortPathNameA(VelorinExe().c_str(), shortPath, sizeof shortPath);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\LocalServer32", nullptr), std::string(shortPath));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + "\\TypeLib", nullptr), kTypeLib);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kTypeLib + "\\1.0"));
    for (const char* type : kItemTypes)
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string("Software\\Tessary\\ZUL\\ItemInstaller\\") + type, "CLSID"),
                  kClsid)
            << type;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"), BootRunValue());

    // The manager, in its own process, activates the installer in a ZULVelorin server for an
    // item of the notification type and hands its answer on: the item names no channel.
    const char item[] = "{0C1D2E3F-4A5B-4C6D-8E7F-901A2B3C4D5E}";
    WriteString(HKEY_LOCAL_MACHINE, std::string(ProductKeys::kItems) + "\\" + item, "Type", kItemTypes[0]);
    // Not the manager that registration started, which is in its quiet period.
    StopAllManagers();
    ZULError ret = ZULERR_SUCCESS;
    EXPECT_EQ(Manager()->UninstallItem(const_cast<char*>(item), &ret), S_FALSE);
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);
    EXPECT_FALSE(FindProcesses("ZULVelorin.exe").empty());
    m_manager.Reset();
    StopAllManagers();
    // Its last object gone, the server ends by itself after its quiet second.
    for (int i = 0; i < 100 && !FindProcesses("ZULVelorin.exe").empty(); ++i) Sleep(100);
    EXPECT_TRUE(FindProcesses("ZULVelorin.exe").empty());

    // Each job of both starts left its line, under the program's name.
    DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "LogFile");
    const std::string lines = ReadFileText(log);
    for (const char* expected : {" ZULVelorin RegServer - hr=0x00000000 ret=0 ms=", " ZULVelorin uninstall item ",
                                 " hr=0x00000001 ret=5 ms="})
        EXPECT_NE(lines.find(expected), std::string::npos) << expected << " in:\n" << lines;
}

TEST_F(FrontendProcess, UnregServerRemovesItsEntriesButLeavesTheRunValueAndUsedFolders) {
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    ProcessAnswer(std::string("Channel\n{\n GUID=") + kChannel + "\n Name=Ludora\n MenuName=Programs\\Ludora\n Subscribe=1\n}\n");
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    const std::string folder = startMenu + "\\Programs\\Ludora";
    ASSERT_TRUE(PathExists(folder + "\\- Options -"));
    WriteFileBytes(folder + "\\Played Game.lnk", "x");
    ClearUpdaterLog();

    ASSERT_EQ(Velorin("-UnregServer"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("AppID\\") + kAppId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "AppID\\ZULVelorin.EXE"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "ZULVelorin.ItemInstaller_Velo"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kTypeLib + "\\1.0"));
    for (const char* type : kItemTypes)
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string("Software\\Tessary\\ZUL\\ItemInstaller\\") + type));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"), BootRunValue());

    // The channel is turned off; its folder keeps the user's shortcut, loses options and marker.
    EXPECT_EQ(ChannelRecordValue(kChannel, "Subscribed"), "0");
    EXPECT_TRUE(PathExists(folder + "\\Played Game.lnk"));
    EXPECT_FALSE(PathExists(folder + "\\- Options -"));
    EXPECT_FALSE(PathExists(folder + "\\ZULVelorin-ZUL-Channel-Dir-" + kChannel + ".txt"));

    // Leaving the updater: three lines after the start's own registration check.
    const std::vector<std::string> log = UpdaterLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{RegisterLine("1", "1", ""), " -disableupdates ZULVelorin",
                                        " -unregisterapp ZULVelorin"}));

    // An empty folder goes with the clean-up.
    DeleteFileA((folder + "\\Played Game.lnk").c_str());
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
    ASSERT_EQ(Velorin("-UnregServer"), 0u);
    EXPECT_FALSE(PathExists(folder));
}

TEST_F(FrontendProcess, UpdaterRegistrationTakesTheDistIdFileAndSwitchesUpdates) {
    const std::string distId = VelorinDir() + "\\distid.dat";
    ASSERT_TRUE(WriteFileBytes(distId, "PARTNER 7 \t\r\n"));
    ASSERT_EQ(Velorin("-RefreshMenu"), 0u);
    EXPECT_FALSE(PathExists(distId));
    EXPECT_EQ(UpdaterLog(), (std::vector<std::string>{"-getapppath ZULVelorin", "-getapppath ZULVelorin",
                                                      RegisterLine("3", "2", " -distid \"PARTNER 7\""),
                                                      " -enableupdates ZULManager"}));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "UpdatesEnabled"), "true");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe"), VelorinExe());
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "MenuUpdateSuffix"), " (Updated)");

    // Registered now: the next start only asks, then switches updates on without waiting.
    ClearUpdaterLog();
    ASSERT_EQ(Velorin("/refreshmenu"), 0u);
    EXPECT_EQ(UpdaterLog(true), (std::vector<std::string>{"-getapppath ZULVelorin", "-getapppath ZULVelorin",
                                                          "-enableupdates ZULVelorin"}));
    ClearUpdaterLog();
    WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "UpdatesEnabled", "no");
    ASSERT_EQ(Velorin("-RefreshMenu"), 0u);
    EXPECT_EQ(UpdaterLog(true).back(), "-disableupdates ZULVelorin");

    // A text with a quote would add arguments of its own to the registration: it is not used.
    ASSERT_TRUE(WriteFileBytes(maker + "\\updater\\rlymgr.apps", "ZULManager\t" + ProgramFilesDir() + "\\Tessary\n"));
    ASSERT_TRUE(WriteFileBytes(distId, "PARTNER\" -evil \"7"));
    ClearUpdaterLog();
    ASSERT_EQ(Velorin("-RefreshMenu"), 0u);
    EXPECT_FALSE(PathExists(distId));
    const std::vector<std::string> lines = UpdaterLog();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2].rfind("-registerapp ZULVelorin", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].find("evil"), std::string::npos) << lines[2];
}

// An updater that never answers holds a start up for the wait limit at most, once, and is logged.
TEST_F(FrontendProcess, HungUpdaterIsGivenUpAfterTheWaitLimit) {
    const std::string log = MakeScratchDirectory("hung-updater") + "\\zul.log";
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "LogFile", log);
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "ProgramWaitSeconds", "5");
    ASSERT_TRUE(WriteFileBytes(maker + "\\updater\\rlymgr.hang", "ZULVelorin"));  // the manager's runs answer
    EXPECT_EQ(Velorin("-RefreshMenu", 6 * 60 * 1000), 0u);  // a hang time-out only
    DeleteFileA((maker + "\\updater\\rlymgr.hang").c_str());
    DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "LogFile");
    DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "ProgramWaitSeconds");
    for (DWORD id : FindProcesses("rlymgr.exe")) {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (process && TerminateProcess(process.get(), 1)) WaitForSingleObject(process.get(), 5000);
    }
    EXPECT_EQ(UpdaterLog(), std::vector<std::string>{"-getapppath ZULVelorin"});
    EXPECT_NE(ReadFileText(log).find("updater wait ran out -getapppath ZULVelorin"), std::string::npos) << ReadFileText(log);
}

TEST_F(FrontendProcess, MigrationTakesOverOneOrBothPartnerFrontEnds) {
    // Only the laptop front-end: its channel alone, subscribed.
    const std::string laptopMenu = PlantPartner("Software\\Tessary\\Velorin\\KVLaptop\\Games", "laptop", true);
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    EXPECT_EQ(ChannelRecordValue(kLaptopChannel, "Subscribed"), "1");
    EXPECT_EQ(ChannelRecordValue(kLaptopChannel, "MenuDir"), startMenu + "\\Programs\\Ludora");
    // The channel's files came from the front-end's "Migration" folder; its about page is found.
    EXPECT_EQ(ChannelRecordValue(kLaptopChannel, "AboutFile"), ChannelRecordValue(kLaptopChannel, "Path") + "\\About.html");
    EXPECT_TRUE(IsHidden(startMenu + "\\Programs\\Ludora\\ZULVelorin-ZUL-Channel-Dir-" + kLaptopChannel + ".txt"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kDesktopChannel));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin\\KVLaptop\\Games"));
    EXPECT_FALSE(PathExists(laptopMenu + "\\Options"));
    EXPECT_FALSE(PathExists(laptopMenu + "\\Old Game.lnk"));
    EXPECT_TRUE(PathExists(laptopMenu + "\\keep.txt"));
    const std::vector<std::string> log = UpdaterLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "-unregisterapp KVLaptopGamesVelorin"), log.end());

    // Both, the desktop one with updates off: both channels recorded unsubscribed.
    DeleteTree(HKEY_LOCAL_MACHINE, kChannelKey);
    PlantPartner("Software\\Tessary\\Velorin\\KV\\Games", "desktop", false);
    PlantPartner("Software\\Tessary\\Velorin\\KVLaptop\\Games", "laptop", true);
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    EXPECT_EQ(ChannelRecordValue(kDesktopChannel, "Name"), "KV Desktop Games Channel");
    EXPECT_EQ(ChannelRecordValue(kLaptopChannel, "Name"), "KV Laptop Ludora");
    EXPECT_NE(ChannelRecordValue(kDesktopChannel, "Subscribed"), "1");
    EXPECT_NE(ChannelRecordValue(kLaptopChannel, "Subscribed"), "1");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin\\KV\\Games"));

    // An old front-end recorded in the new one's own folder, written with a trailing separator:
    // that folder stays.
    const std::string own = MakeScratchDirectory("own-frontend");
    ASSERT_TRUE(WriteFileBytes(own + "\\keep.txt", "x"));
    WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Path", own);
    WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe", VelorinExe());
    PlantPartner("Software\\Tessary\\Velorin\\KV\\Games", "desktop", true);
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin\\KV\\Games", "Path", own + "\\");
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin\\KV\\Games"));
    EXPECT_TRUE(PathExists(own + "\\keep.txt"));
}

TEST_F(FrontendProcess, CommandLinesThatCarryRisk) {
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    ProcessAnswer(std::string("Channel\n{\n GUID=") + kChannel + "\n Name=Ludora\n MenuName=Programs\\Ludora\n}\n");
    const char second[] = "{6B8F1D22-3C4E-4F60-9102-B3C4D5E6F708}";
    ProcessAnswer(std::string("Channel\n{\n GUID=") + second + "\n Name=Other\n MenuName=Programs\\Moved Away\n}\n");
    DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin");
    const std::string settingsBefore = ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe").value_or("?");

    // Parse errors: nothing at all happens.
    EXPECT_EQ(Velorin(std::string("--Subscribe ") + kChannel), 25u);
    EXPECT_EQ(Velorin("-RefreshMenu -Subscribe"), 25u);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"));

    // "About" comes first and ends the start: no subscription, Run value untouched.
    EXPECT_EQ(VelorinAnsweringOk(std::string("-Subscribe ") + kChannel + " -About", {"Error:"}), 0u);
    EXPECT_NE(ChannelRecordValue(kChannel, "Subscribed"), "1");
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"));

    // "Subscribe" twice: only the second channel is turned on.
    EXPECT_EQ(VelorinAnsweringOk(std::string("/SUBSCRIBE ") + kChannel + " -Subscribe " + second, {"Moved Away"}), 0u);
    EXPECT_NE(ChannelRecordValue(kChannel, "Subscribed"), "1");
    EXPECT_EQ(ChannelRecordValue(second, "Subscribed"), "1");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"));

    // "MachinePrep" with a folder that does not exist: 1, settings untouched; with one: set.
    EXPECT_EQ(Velorin("-MachinePrep -VelorinDir C:\\no\\such\\folder"), 1u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe"), settingsBefore);
    const std::string prepared = MakeScratchDirectory("prepared");
    EXPECT_EQ(Velorin("-MachinePrep -VelorinDir \"" + prepared + "\""), 0u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "Path"), prepared);

    // No channel manager to be had: 15, and not even the settings are touched.
    m_manager.Reset();
    StopAllManagers();
    DeleteTree(HKEY_LOCAL_MACHINE, kVelorinKey);
    DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}");
    EXPECT_EQ(Velorin("-RefreshMenu"), 15u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kVelorinKey));
    ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
}

TEST_F(FrontendProcess, ServerStartWithoutClientsStaysUntilShutDown) {
    const PROCESS_INFORMATION info = StartProgramAsync(VelorinExe(), "");
    const UniqueHandle process(info.hProcess), thread(info.hThread);
    ASSERT_TRUE(process);
    EXPECT_EQ(WaitForSingleObject(process.get(), 3000), static_cast<DWORD>(WAIT_TIMEOUT));
    PostToAll("ZULVelorin.exe", VELORIN_MSG_SHUTDOWN_ALT);
    EXPECT_EQ(WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}

TEST_F(FrontendProcess, BootStartWithoutNotificationsWaitsTenSecondsAndEnds) {
    WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications", "");
    const DWORD started = GetTickCount();
    EXPECT_EQ(Velorin("-boot"), 0u);
    EXPECT_GE(GetTickCount() - started, 10000u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin"), BootRunValue());
}

}  // namespace
