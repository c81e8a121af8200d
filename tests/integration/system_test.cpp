// The whole system under Wine, as a user meets it: both servers registered, a channel turned on,
// a resident ZULMan checks in with the development distribution server and the answer becomes a
// channel folder, a game with its shortcuts and uninstall entry, and a notification in the tray;
// the next check-in reports them. An item package then installs a game through TYInstallHelper.
// Last, every game's uninstall entry runs, the system is removed the way its package removes it,
// and nothing of the items or channels is left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
#include "tests/integration/devserver_test_support.h"
#include "tests/integration/frontend_test_support.h"
#include "tools/uiauto/UiAuto.h"

using namespace testsupport;
using namespace frontendtest;
using namespace devservertest;

namespace {

const char kChannel[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E701}";
const char kGame[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E702}";
const char kNote[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C4D}";  // its icon in the note file set bears this id
const char kGameSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E1}";
const char kNoteSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E3}";
// Named in the item package's "ItemInfo.dat".
const char kPackageChannel[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E711}";
const char kPuzzle[] = "{4C2B7A10-5D3E-4F60-9172-A3B4C5D6E712}";
const char kApplicationType[] = "{DF1C2AA1-EE6C-65A8-A483-00F6376D65B4}";
const char kNotificationType[] = "{B9A401D9-F453-A21D-5F44-3B64ABF95049}";
const char kVelorinClsid[] = "{1E43FD7B-E567-202F-9675-EBFC99A584C9}";
const char kManagerClsid[] = "{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kItemKey[] = "Software\\Tessary\\ZUL\\Item";
const char kInstallerKey[] = "Software\\Tessary\\ZUL\\ItemInstaller";
constexpr DWORD kBoxWaitMs = 60000;

std::string Block(const char* type, const std::vector<std::pair<std::string, std::string>>& values) {
    std::string text = std::string(type) + "\r\n{\r\n";
    for (const auto& [key, value] : values) text += key + "=" + value + "\r\n";
    return text + "}\r\n";
}

std::vector<std::string> SubKeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    UniqueRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0, size = sizeof name; RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
        names.push_back(name);
    return names;
}

bool StartsWithNoCase(const std::string& text, const std::string& start) {
    return !start.empty() && text.size() >= start.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), static_cast<int>(start.size()), start.c_str(),
                          static_cast<int>(start.size())) == CSTR_EQUAL;
}

// What the system put into the Start menu and left there: marker files, and shortcuts that start
// the front-end or lead into the installed games.
std::vector<std::string> StartMenuTraces(const std::string& startMenu, const std::string& games) {
    std::vector<std::string> traces;
    WalkFolderTree(startMenu, [&](const std::string& path, const WIN32_FIND_DATAA& entry, int) {
        const std::string name = entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
        if (StartsWithNoCase(name, "ZULVelorin-")) {
            traces.push_back(path);
        } else if (name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".lnk") == 0) {
            const std::string target = ReadLink(path).target;
            if (lstrcmpiA(target.c_str(), VelorinExe().c_str()) == 0 || StartsWithNoCase(target, games))
                traces.push_back(path + " -> " + target);
        }
    });
    return traces;
}

// Runs an uninstall entry's command line as the list of installed programs does, answering its
// question Yes and its message OK; the two texts.
std::vector<std::string> RunUninstallEntry(const std::string& commandLine) {
    std::vector<std::string> texts;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string writable = commandLine;
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return texts;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    for (const auto& [caption, button] : {std::pair{"Confirm Uninstall", IDYES}, std::pair{"Success", IDOK}}) {
        const HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, caption, kBoxWaitMs);
        texts.push_back(box ? uiauto::MessageText(box) : "<no box " + std::string(caption) + ">");
        if (!box) break;
        uiauto::ClickButton(box, button);
        uiauto::WaitForWindowGone(box, 10000);
    }
    EXPECT_EQ(WaitForSingleObject(process.get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0)) << commandLine;
    return texts;
}

class SystemTest : public FrontendTest {
protected:
    void SetUp() override {
        FrontendTest::SetUp();
        LetWineDrawWindowFrames();
        games = ProgramFilesDir() + "\\Tessary\\Games";
        RemoveFolderTree(games);
        RemoveFolderTree(startMenu + "\\Programs\\Ludora Puzzles");
        for (const char* item : {kGame, kNote, kPuzzle}) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + item);
        frontEnd = MakeScratchDirectory("system-frontend");
        WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Path", frontEnd);
        WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe", VelorinExe());

        // The server's catalogue: the game's and the notification's file sets.
        ASSERT_TRUE(server.Running()) << "ZUL_DEVSERVER_STATE names no running server";
        server.PointManagerAt();
        const std::string files = server.FilesDir() + "\\system";
        CreateDirectoryA(files.c_str(), nullptr);
        for (const char* name : {"game.fileset", "note.fileset"})
            ASSERT_TRUE(CopyFileA(BinPath((std::string("testdata\\frontend-items\\") + name).c_str()).c_str(),
                                  (files + "\\" + name).c_str(), FALSE)) << name;
    }

    std::string CheckinAnswer() const {
        return Block("CheckinResult", {{"Status", "ok"}, {"Interval", "1440"}}) +
               Block("FileSet", {{"GUID", kGameSet}, {"Name", "Star Raiders Files"}, {"SourceURL", server.FileUrl("system/game.fileset")}}) +
               Block("FileSet", {{"GUID", kNoteSet}, {"Name", "Star Raiders II News"}, {"SourceURL", server.FileUrl("system/note.fileset")}}) +
               Block("Channel", {{"GUID", kChannel}, {"Name", "Ludora Channel"}, {"MenuName", "Programs\\Ludora"}}) +
               Block("Item", {{"Guid", kGame}, {"Type", kApplicationType}, {"Channel", kChannel}, {"Name", "Star Raiders"},
                              {"FileSets", kGameSet}, {"LaunchFile", "Raiders.exe"}, {"LaunchArgs", "-fullscreen"},
                              {"HelpFile", "Manual.txt"}}) +
               Block("Item", {{"Guid", kNote}, {"Type", kNotificationType}, {"Channel", kChannel},
                              {"Name", "Star Raiders II"}, {"FileSets", kNoteSet}});
    }
    static std::string Pending() { return ReadString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "InstalledItems").value_or("<none>"); }
    static std::string UninstallString(const char* item) {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + item, "UninstallString").value_or("");
    }
    static std::string ExpectedUninstallString(const char* item) {
        std::string expected(1, '"');
        return expected.append(VelorinExe()).append("\" -UninstallItem ").append(item);
    }
    static void Screenshot(const char* name) {
        const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
        if (!dir.empty()) {
            EXPECT_TRUE(uiauto::SaveScreenshot(dir + "/" + name)) << name;
        }
    }

    DevServer server;
    std::string games, frontEnd;
};

TEST_F(SystemTest, CheckinAndItemPackageInstallAndUninstallLeavesNothingBehind) {
    // ---- installation of the system, and a channel the user turns on --------------------------
    ASSERT_EQ(Velorin("-RegServer"), 0u);
    ProcessAnswer(Block("Channel", {{"GUID", kChannel}, {"Name", "Ludora Channel"}, {"MenuName", "Programs\\Ludora"}}));
    m_manager.Reset();
    EXPECT_EQ(VelorinAnsweringOk(std::string("-Subscribe ") + kChannel, {"Ludora"}), 0u);
    ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kChannel, "Subscribed"), "1");
    StopAllManagers();

    // ---- a check-in, from the timer to the Start menu and the tray ---------------------------
    ASSERT_TRUE(server.Script({CheckinAnswer(), Block("CheckinResult", {{"Status", "ok"}, {"Interval", "1440"}})}));
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL\\Checkin", "NextChannelCheckin", "0");
    const std::string installed = std::string(kGame) + "," + kChannel + ";" + kNote + "," + kChannel + ";";
    {
        ResidentManager resident;
        ASSERT_TRUE(resident.Started());
        ASSERT_TRUE(WaitUntil([&] { return Pending() == installed; }, 90000)) << Pending();
        // The notification starts the tray; it looks at the pending list after its start delay.
        EXPECT_TRUE(WaitUntil([] { return FindWindowA("C_TrayIcon Window Class", nullptr) != nullptr; }, 40000));
        EXPECT_EQ(uiauto::FirstTrayIconTip(20000), "1 New Notification(s) Available");
        Screenshot("system-tray.png");
        EXPECT_TRUE(resident.Stop());
    }

    const std::string channelFolder = startMenu + "\\Programs\\Ludora (Updated)";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kChannel, "MenuDir"), channelFolder);
    EXPECT_TRUE(IsHidden(channelFolder + "\\ZULVelorin-ZUL-Channel-Dir-" + kChannel + ".txt"));
    const LinkInfo turnOff = ReadLink(channelFolder + "\\- Options -\\Turn off Ludora.lnk");
    EXPECT_EQ(turnOff.arguments, std::string("-Unsubscribe ") + kChannel);
    EXPECT_FALSE(IsHidden(channelFolder + "\\- Options -\\Turn off Ludora.lnk"));
    const std::string raiders = games + "\\Ludora\\Star Raiders";
    const LinkInfo play = ReadLink(channelFolder + "\\Star Raiders\\Play Star Raiders.lnk");
    EXPECT_EQ(play.target, raiders + "\\Raiders.exe");
    EXPECT_EQ(play.arguments, "-fullscreen");
    EXPECT_EQ(play.workingDir, raiders);
    EXPECT_TRUE(PathExists(raiders + "\\Raiders.exe"));
    EXPECT_EQ(ReadLink(channelFolder + "\\Star Raiders\\Help.lnk").target, raiders + "\\Manual.txt");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + kGame, "DisplayName"), "Star Raiders");
    EXPECT_EQ(UninstallString(kGame), ExpectedUninstallString(kGame));
    const LinkInfo note = ReadLink(channelFolder + "\\New Game Arrives.lnk");
    EXPECT_EQ(note.target, VelorinExe());
    EXPECT_EQ(note.arguments, std::string("-LaunchNotification ") + kNote);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications"), std::string(kNote) + ",");

    // The next check-in reports both items; its "ok" empties the pending list.
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL\\Checkin", "NextChannelCheckin", "0");
    {
        ResidentManager resident;
        EXPECT_TRUE(WaitUntil([&] { return server.Requests().size() >= 2 && Pending().empty(); }, 40000)) << Pending();
    }
    const std::vector<std::string> requests = server.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_NE(requests[0].find(std::string("&channels=") + kChannel), std::string::npos) << requests[0];
    EXPECT_NE(requests[1].find("&installed=" + installed), std::string::npos) << requests[1];

    // ---- an item package through the install helper ------------------------------------------
    const std::string package = BinPath("testdata\\system\\package");
    EXPECT_EQ(RunProgram(package + "\\TYInstallHelper.exe", "", 120000, package), DWORD{0});
    const std::string puzzle = games + "\\Ludora Puzzles\\Block Puzzle";
    const std::string puzzleFolder = startMenu + "\\Programs\\Ludora Puzzles\\Block Puzzle";
    EXPECT_EQ(ReadLink(puzzleFolder + "\\Play Block Puzzle.lnk").target, puzzle + "\\Puzzle.exe");
    EXPECT_EQ(ReadLink(puzzleFolder + "\\Help.lnk").target, puzzle + "\\Help.txt");
    EXPECT_EQ(UninstallString(kPuzzle), ExpectedUninstallString(kPuzzle));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kItemKey) + "\\" + kPuzzle, "Installed"), "1");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kItemKey) + "\\" + kPuzzle, "Path"), puzzle);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kChannelKey) + "\\" + kPackageChannel, "Subscribed"), "1");
    EXPECT_EQ(Pending(), std::string(kPuzzle) + "," + kPackageChannel + ";");

    // ---- uninstall: every game through its entry, then the system as its package removes it ----
    for (const auto& [item, name] : {std::pair{kGame, "Star Raiders"}, std::pair{kPuzzle, "Block Puzzle"}}) {
        const std::string command = UninstallString(item);
        ASSERT_FALSE(command.empty()) << name;
        EXPECT_EQ(RunUninstallEntry(command), (std::vector<std::string>{std::string("Are you sure you would like to uninstall ") + name + "?",
                                                                       std::string(name) + " uninstalled successfully."}));
    }
    EXPECT_EQ(RunProgram(BinPath("TYInstallHelper.exe"), "-KillZULM"), DWORD{0});
    EXPECT_EQ(Velorin("-UnregServer"), 0u);
    StopAllManagers();  // the one the front-end's unregistration started
    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "-UnregServer"), DWORD{0});

    // Nothing left: no channel folder, no marker file or shortcut of the system anywhere in the
    // Start menu, no uninstall entry or record of an item, no folder of an item.
    for (const char* folder : {"\\Programs\\Ludora", "\\Programs\\Ludora (Updated)", "\\Programs\\Ludora Puzzles"})
        EXPECT_FALSE(PathExists(startMenu + folder)) << folder;
    for (const std::string& trace : StartMenuTraces(startMenu, games)) ADD_FAILURE() << "left in the Start menu: " << trace;
    for (const char* item : {kGame, kNote, kPuzzle}) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + item)) << item;
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, kItemKey), std::vector<std::string>{});
    for (const std::string& folder : {raiders, puzzle, frontEnd + "\\" + kNote, games + "\\Ludora", games + "\\Ludora Puzzles", games})
        EXPECT_FALSE(PathExists(folder)) << folder;
    // Neither server is registered any more, nor an item installer.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kVelorinClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kManagerClsid));
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, kInstallerKey), std::vector<std::string>{});
}

}  // namespace
