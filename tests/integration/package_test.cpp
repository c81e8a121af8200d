// The installation package under Wine's Windows Installer: installing leaves both servers
// registered and a resident manager that checks in with the presets handed over; bad properties
// are refused before anything changes; a failed installation, upgrade or removal leaves the
// machine as it was; the uninstall entry's command line, answered through the UI-automation
// helper, removes nothing, or the system with its games and every trace of both; without a
// package it removes what registrations are left; installing again and over an older version
// leave one installation.
#include <windows.h>
#include <msi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/Handles.h"
#include "common/LeftoverRegistrations.h"
#include "common/ProductKeys.h"
#include "common/ProgramTestSupport.h"
#include "common/PublisherKey.h"
#include "tests/integration/devserver_test_support.h"
#include "tools/uiauto/UiAuto.h"
#include "uninstall/UninstallTexts.h"

using namespace testsupport;
using namespace devservertest;

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
const char kQuotedUninstaller[] = "\"C:\\Program Files\\Tessary\\ZUL\\Uninstall.exe\"";
// The base point of P-256 as a publisher key: a valid uncompressed point.
const char kValidKey[] =
    "BGsX0fLhLEJH+Lzm5WOkQPJ3A32BLeszoPShOUXYmMKWT+NC4v4af5uO5+tKfA+eFivOM1drMV7Oy7ZAaDe/UfU=";
const char kGameItem[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E702}";
const char kNoteItem[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C4D}";
const char kGameSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E1}";
const char kNoteSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E3}";
const char kItemChannel[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E701}";

// The valid key with another first character: its first byte is not 0x04.
std::string KeyStartingWith(char first) {
    std::string key = kValidKey;
    key[0] = first;
    return key;
}

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

// Each run logs verbosely into the test's scratch folder ("msiexec-N.log"), for a failure's reader.
std::optional<DWORD> Msiexec(const std::string& args) {
    static const std::string logs = MakeScratchDirectory("package-msiexec");
    static int run = 0;
    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, sizeof systemDir);
    const std::string log = logs + "\\msiexec-" + std::to_string(++run) + ".log";
    const bool logged = args.find("/l*v") != std::string::npos;
    return RunProgram(std::string(systemDir) + "\\msiexec.exe", logged ? args : args + " /l*v \"" + log + "\"",
                      kInstallWaitMs);
}

std::optional<DWORD> InstallPackage(const char* name, const std::string& properties = "") {
    return Msiexec("/i \"" + PackagePath(name) + "\" /qn " + properties);
}

// A key tree of HKEY_LOCAL_MACHINE as text: every key and every value with its type and bytes.
void DumpKey(const std::string& path, std::string& out) {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    out += "[" + path + "]\n";
    char name[16384];
    BYTE data[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
        if (RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
        out += std::string(name, nameLength) + "=" + std::to_string(type) + ":" +
               std::string(reinterpret_cast<char*>(data), dataLength) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DumpKey(path + "\\" + std::string(name, nameLength), out);
    }
}

void ListFiles(const std::string& folder, std::vector<std::string>& out) {
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        out.push_back(folder + "\\" + name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(folder + "\\" + name, out);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

// What the system and its games may touch on the machine: its records, the Run key, the list of
// installed programs, its COM registrations, and the files under Program Files, the Start menu
// and the desktop.
std::string MachineState() {
    std::string state;
    for (const std::string& key :
         {std::string(kTessary), std::string(kRun), std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"),
          std::string("Software\\Classes\\CLSID\\") + kManagerClsid, std::string("Software\\Classes\\CLSID\\") + kVelorinClsid,
          std::string("Software\\Classes\\Interface\\") + kManagerIid, std::string("Software\\Classes\\AppID\\ZULMan.EXE"),
          std::string("Software\\Classes\\AppID\\ZULVelorin.EXE"), std::string("Software\\Classes\\ZULMan.ZULManager")})
        DumpKey(key, state);
    std::vector<std::string> files;
    char folder[MAX_PATH];
    // The user's own desktop is the host's home folder under Wine: the common one holds the system's.
    for (const int place : {CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY})
        if (SUCCEEDED(SHGetFolderPathA(nullptr, place, nullptr, SHGFP_TYPE_CURRENT, folder))) ListFiles(folder, files);
    ListFiles(ProgramFilesDir() + "\\Tessary", files);
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) state += file + "\n";
    return state;
}

// The lines of one text that the other lacks, for a readable failure.
std::string Difference(const std::string& before, const std::string& after) {
    auto lines = [](const std::string& text) {
        std::vector<std::string> all;
        for (size_t start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            all.push_back(text.substr(start, end - start));
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto a = lines(before), b = lines(after);
    std::vector<std::string> gone, added;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
    std::string text;
    for (const auto& line : gone) text += "  - " + line + "\n";
    for (const auto& line : added) text += "  + " + line + "\n";
    return text;
}

std::string InstalledVersion() {
    const auto products = InstalledProducts();
    if (products.size() != 1) return std::to_string(products.size()) + " products";
    char version[64] = {};
    DWORD length = sizeof version;
    MsiGetProductInfoA(products[0].c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &length);
    return version;
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

// Ends every manager by its documented route, asking again until it listens (one just started
// may not have its message queue yet): a killed one stays registered as a class server under
// Wine, and every later activation of the manager fails.
void EndManagers() {
    EXPECT_TRUE(WaitFor(
        [] {
            PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
            return FindProcesses("ZULMan.exe").empty();
        },
        30000));
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
        // The registrations and the manager's file for the updater, left by a removal that Wine
        // could not finish.
        (void)RemoveLeftoverRegistrations();
        RemoveFolderTree(ProgramFilesDir() + "\\Tessary\\TYUpdates\\ZULManager");
        RemoveDirectoryA((ProgramFilesDir() + "\\Tessary\\TYUpdates").c_str());
        RemoveDirectoryA((ProgramFilesDir() + "\\Tessary").c_str());
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
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), kQuotedUninstaller);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\Velorin", "Path"), std::string(kVelorinDir));
        EXPECT_TRUE(WaitFor([] { return FindProcesses("ZULMan.exe").size() == 1; }, 20000))
            << FindProcesses("ZULMan.exe").size() << " managers run";
    }

    // A manager pointed at a closed loopback port that checks in only when told: the machine's
    // state then holds still between snapshots.
    static void QuietManagerSettings() {
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "CheckinURL", "http://127.0.0.1:9/zulm/channelcheckin.asp");
        WriteString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Checkin", "NextChannelCheckin", "999999999999999999");
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

    ASSERT_EQ(InstallPackage("TessaryZUL.msi", std::string("SUBSCRIBEDCHANNELS=") + kChannel +
                                                   " DISTID=\"PARTNER 7\" PUBLISHERKEY=" + kValidKey),
              DWORD{0});

    ExpectOneWorkingInstallation();
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "DistID"), "PARTNER 7");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "PublisherKey"), std::string(kValidKey));
    EXPECT_FALSE(PathExists(std::string(kManagerDir) + "\\distid.dat"));
    // Both registrations took their copy of DISTID.
    EXPECT_FALSE(PathExists(std::string(kVelorinDir) + "\\distid.dat"));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "SubscribedChannels"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed"), "1");
    // The resident manager's first check-in names the preset channel.
    EXPECT_TRUE(WaitFor([&] { return ReadFileText(stateDir + "\\requests.log").find(kChannel) != std::string::npos; },
                        30000))
        << ReadFileText(stateDir + "\\requests.log");
}

TEST_F(PackageTest, BadPropertiesAreRefusedBeforeAnythingChanges) {
    // The package takes the key by the same check the manager applies when it reads it.
    EXPECT_TRUE(IsValidPublisherKeyText(kValidKey));
    const std::string compressed = KeyStartingWith('A');  // its first byte is not 0x04
    for (const std::string& bad : {compressed, std::string(kValidKey).substr(4), std::string(kValidKey) + "AAAA",
                                   KeyStartingWith('C'), std::string(kValidKey, 86) + "==",
                                   KeyStartingWith('-')})
        EXPECT_FALSE(IsValidPublisherKeyText(bad)) << bad;

    QuietManagerSettings();
    const std::string before = MachineState();
    const std::string log = MakeScratchDirectory("package-log") + "\\refused.log";
    for (const auto& [property, value] :
         {std::pair{"SUBSCRIBEDCHANNELS", std::string(kChannel) + ";" + kItemChannel},
          std::pair{"DISTID", std::string("PARTNER|7")}, std::pair{"PUBLISHERKEY", compressed}}) {
        DeleteFileA(log.c_str());
        EXPECT_EQ(InstallPackage("TessaryZUL.msi", std::string(property) + "=\"" + value + "\" /l*v \"" + log + "\""),
                  static_cast<DWORD>(ERROR_INSTALL_FAILURE))
            << property;
        EXPECT_NE(ReadFileText(log).find(std::string("The value of the property ") + property + " is not valid"),
                  std::string::npos)
            << property;
        EXPECT_EQ(Difference(before, MachineState()), "") << property;
    }
    EXPECT_TRUE(InstalledProducts().empty());
}

TEST_F(PackageTest, FailedInstallationLeavesTheMachineAsItWasAndFailedRemovalKeepsTheRecords) {
    QuietManagerSettings();
    const std::string nothing = MachineState();
    EXPECT_EQ(InstallPackage("TessaryZUL.msi", std::string("ZULFORCEFAILURE=1 DISTID=P7 SUBSCRIBEDCHANNELS=") + kChannel),
              static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_EQ(Difference(nothing, MachineState()), "") << "after a failed installation";

    // A failed upgrade is not shown here: Wine's installer removes the older version in an
    // installation of its own, committed before the newer one runs, so no rollback can bring it back.

    // A failed removal keeps the system's records: they go only once a removal is committed.
    // (Wine's installer stops its own rollback of a removal at the files, before any rollback
    // action of the package, so the programs' files and registrations are not shown coming back,
    // nor what the front-end's unregistration changed in the channels.)
    ASSERT_EQ(InstallPackage("TessaryZUL.msi"), DWORD{0});
    const std::string channelKey = std::string(kZUL) + "\\Channel\\" + kChannel;
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Name", "Kept Channel");
    EndManagers();
    std::string records;
    DumpKey(std::string(kZUL) + "\\Checkin", records);
    ASSERT_EQ(InstalledProducts().size(), 1u);
    EXPECT_EQ(Msiexec("/x " + InstalledProducts()[0] + " /qn ZULFORCEFAILURE=1"), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EndManagers();
    std::string after;
    DumpKey(std::string(kZUL) + "\\Checkin", after);
    EXPECT_EQ(Difference(records, after), "") << "after a failed removal";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "Name"), "Kept Channel");
}

TEST_F(PackageTest, UninstallEntryAnsweredNoKeepsEverythingAndYesLeavesNothingOfTheSystemOrItsGames) {
    DevServer server;
    ASSERT_TRUE(server.Running()) << "ZUL_DEVSERVER_STATE names no running server";
    const std::string files = server.FilesDir() + "\\package";
    CreateDirectoryA(files.c_str(), nullptr);
    for (const char* name : {"game.fileset", "note.fileset"})
        ASSERT_TRUE(CopyFileA(BinPath((std::string("testdata\\frontend-items\\") + name).c_str()).c_str(),
                              (files + "\\" + name).c_str(), FALSE))
            << name;
    auto block = [](const char* type, const std::vector<std::pair<std::string, std::string>>& values) {
        std::string text = std::string(type) + "\r\n{\r\n";
        for (const auto& [key, value] : values) text += key + "=" + value + "\r\n";
        return text + "}\r\n";
    };
    const std::string answer =
        block("CheckinResult", {{"Status", "ok"}, {"Interval", "1440"}}) +
        block("FileSet", {{"GUID", kGameSet}, {"Name", "Game Files"}, {"SourceURL", server.FileUrl("package/game.fileset")}}) +
        block("FileSet", {{"GUID", kNoteSet}, {"Name", "News"}, {"SourceURL", server.FileUrl("package/note.fileset")}}) +
        block("Channel", {{"GUID", kItemChannel}, {"Name", "Ludora Channel"}, {"MenuName", "Programs\\Ludora"}}) +
        block("Item", {{"Guid", kGameItem}, {"Type", "{DF1C2AA1-EE6C-65A8-A483-00F6376D65B4}"}, {"Channel", kItemChannel},
                       {"Name", "Star Raiders"}, {"FileSets", kGameSet}, {"LaunchFile", "Raiders.exe"}, {"ShowEULA", "0"}}) +
        block("Item", {{"Guid", kNoteItem}, {"Type", "{B9A401D9-F453-A21D-5F44-3B64ABF95049}"}, {"Channel", kItemChannel},
                       {"Name", "Star Raiders II"}, {"FileSets", kNoteSet}});
    ASSERT_TRUE(server.Script({answer, block("CheckinResult", {{"Status", "ok"}, {"Interval", "1440"}})}));

    const std::string before = MachineState();
    server.PointManagerAt();
    WriteString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Checkin", "NextChannelCheckin", "0");
    const std::string managerLog = MakeScratchDirectory("package-manager-log") + "\\zul.log";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "LogFile", managerLog);
    // A channel the machine knows: the preset list subscribes it, the check-in brings its items.
    const std::string channelKey = std::string(kZUL) + "\\Channel\\" + kItemChannel;
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Name", "Ludora Channel");
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "MenuName", "Programs\\Ludora");
    WriteString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed", "0");
    ASSERT_EQ(InstallPackage("TessaryZUL.msi", std::string("SUBSCRIBEDCHANNELS=") + kItemChannel + " DISTID=P7"), DWORD{0});
    const std::string gameEntry = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kGameItem;
    ASSERT_TRUE(WaitFor([&] { return KeyExists(HKEY_LOCAL_MACHINE, gameEntry); }, 90000))
        << "the game was not installed; the manager's log:\n" << ReadFileText(managerLog);
    ASSERT_TRUE(WaitFor([&] { return KeyExists(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Item\\" + kNoteItem); }, 30000));
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
    // Windows Installer goes on alone; the program named by the entry ends at once.
    EXPECT_EQ(ExitCodeAfter(uninstaller, 30000), DWORD{0});
    EXPECT_TRUE(WaitFor([] { return InstalledProducts().empty() && FindProcesses("msiexec.exe").empty(); }, kInstallWaitMs));

    EXPECT_TRUE(FindProcesses("ZULMan.exe").empty());
    EXPECT_TRUE(FindProcesses("ZULVelorin.exe").empty());
    EXPECT_EQ(Difference(before, MachineState()), "");
}

TEST_F(PackageTest, UninstallWithoutThePackageRemovesTheRegistrationsLeftAndSaysSo) {
    WriteString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", kQuotedUninstaller);
    WriteString(HKEY_LOCAL_MACHINE, kRun, "ZULM", "\"C:\\Program Files\\Tessary\\ZUL\\ZULMan.exe\" -Background");
    WriteString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kVelorinClsid + "\\LocalServer32", nullptr, "C:\\gone.exe");

    UniqueHandle uninstaller = StartCommandLine(std::string(1, '"').append(BinPath("Uninstall.exe")).append(1, '"'));
    ASSERT_TRUE(uninstaller);
    HWND question = WaitForMessage(uninstall_text::kQuestion, 30000);
    ASSERT_TRUE(question);
    uiauto::ClickButton(question, IDYES);
    HWND report = WaitForMessage(uninstall_text::kNotInstalled, 30000);
    ASSERT_TRUE(report);
    const std::string text = uiauto::MessageText(report);
    for (const char* kind : {leftover_text::kEntry, leftover_text::kRunValues, leftover_text::kClasses})
        EXPECT_NE(text.find(kind), std::string::npos) << text;
    uiauto::ClickButton(report, IDOK);
    EXPECT_EQ(ExitCodeAfter(uninstaller, 30000), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kRun, "ZULM"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kVelorinClsid));
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
    EXPECT_EQ(InstalledVersion(), ZUL_PRODUCT_VERSION);

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
