// The front-end's item installer under Wine: server answers processed by the manager hand
// application, demo and notification items to ZULVelorin across processes; the questions and
// messages are answered through the UI-automation helper; the uninstall entry's command line
// removes a game again. Runtime files are checked in-process against the system folder.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <intshcut.h>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <iostream>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "common/FileVersion.h"
#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
#include "common/TextCompare.h"
#include "frontend/InternetShortcut.h"
#include "frontend/RuntimeFiles.h"
#include "tests/integration/frontend_test_support.h"
#include "tools/uiauto/UiAuto.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;
using namespace frontendtest;

namespace {

const char kChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F7}";
const char kGameSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E1}";
const char kEulaSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E2}";
const char kNoteSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E3}";
const char kBareNoteSet[] = "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8E4}";
const char kGame[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C41}";
const char kDemo[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C42}";
const char kNote[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C4D}";
const char kApplicationType[] = "{DF1C2AA1-EE6C-65A8-A483-00F6376D65B4}";
const char kDemoType[] = "{0F176F16-C1BE-51D9-2826-B6641F4C4C3A}";
const char kNotificationType[] = "{B9A401D9-F453-A21D-5F44-3B64ABF95049}";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kItemKey[] = "Software\\Tessary\\ZUL\\Item\\";
constexpr DWORD kBoxWaitMs = 60000;

using Values = std::vector<std::pair<std::string, std::string>>;

std::string Block(const char* type, const Values& values) {
    std::string text = std::string(type) + "\n{\n";
    for (const auto& [key, value] : values) text += " " + key + "=" + value + "\n";
    return text + "}\n";
}

std::string FileSet(const char* file, const char* guid) {
    return Block("FileSet", {{"GUID", guid}, {"Name", file}, {"SourceURL", BinPath((std::string("testdata\\frontend-items\\") + file + ".fileset").c_str())}});
}

std::string ChannelBlock() {
    return Block("Channel", {{"GUID", kChannel}, {"Name", "Ludora Channel"}, {"MenuName", "Programs\\Ludora"}});
}

std::string GameItem(const char* guid, const char* type, const char* name, Values extra = {}) {
    Values values = {{"Guid", guid}, {"Type", type}, {"Channel", kChannel}, {"Name", name}, {"FileSets", kGameSet}};
    values.insert(values.end(), extra.begin(), extra.end());
    return FileSet("game", kGameSet) + Block("Item", values);
}

// Answers the message boxes with these captions, one after the other, pressing the button
// given; each box's text ("<no box>" when none came). The first box is saved as screenshot
// when a name is given.
struct Box {
    std::string caption;
    int button;
};
std::future<std::vector<std::string>> AnswerBoxes(std::vector<Box> boxes, std::string screenshot = {}) {
    return std::async(std::launch::async, [boxes = std::move(boxes), screenshot] {
        std::vector<std::string> texts;
        for (const Box& box : boxes) {
            const HWND window = uiauto::WaitForWindow(uiauto::kDialogClass, box.caption.c_str(), kBoxWaitMs);
            if (!window) {
                texts.push_back("<no box>");
                continue;
            }
            texts.push_back(uiauto::MessageText(window));
            const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
            if (!screenshot.empty() && texts.size() == 1 && !dir.empty()) {
                CreateDirectoryA(WindowsPathOf(dir).c_str(), nullptr);
                uiauto::SaveScreenshot(dir + "/" + screenshot);
            }
            uiauto::ClickButton(window, box.button);
            uiauto::WaitForWindowGone(window, 10000);
        }
        return texts;
    });
}

// The number of icons a program file carries.
int IconCount(const std::string& file) {
    return static_cast<int>(ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0));
}

// Every shortcut under folder that takes its icon from the front-end names an icon it has.
void ExpectFrontEndIconsExist(const std::string& folder) {
    const int icons = IconCount(VelorinExe());
    int checked = 0;
    WalkFolderTree(folder, [&](const std::string& path, const WIN32_FIND_DATAA&, int) {
        if (path.size() < 4 || !EqualsNoCase(path.substr(path.size() - 4), ".lnk")) return;
        const LinkInfo link = ReadLink(path);
        if (!EqualsNoCase(link.iconPath, VelorinExe())) return;
        ++checked;
        EXPECT_GE(link.iconIndex, 0) << path;
        EXPECT_LT(link.iconIndex, icons) << path;
    });
    EXPECT_GE(checked, 4) << "About, Turn on, Turn off and Uninstall shortcuts";
}

// A start of the front-end whose message boxes are all answered Yes, else OK; their captions.
std::vector<std::string> VelorinAnsweringAll(const std::string& args) {
    RunningVelorin run(args);
    std::vector<std::string> captions;
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (run.Wait(100) == 999 && GetTickCount64() < deadline) {
        const HWND box = uiauto::WaitForProcessWindow(run.Id(), uiauto::kDialogClass, 200);
        if (!box) continue;
        captions.push_back(uiauto::Text(box));
        if (!uiauto::ClickButton(box, IDYES)) uiauto::ClickButton(box, IDOK);
        uiauto::WaitForWindowGone(box, 10000);
    }
    EXPECT_NE(run.Wait(0), 999u) << "ZULVelorin " << args << " did not end";
    return captions;
}

// Every file and folder on drive C: outside the given places (and what lies in them), each with
// its attributes and, for a file, its size and last write time.
std::map<std::string, std::string> SnapshotOutside(const std::vector<std::string>& places) {
    std::map<std::string, std::string> entries;
    auto isPlace = [&](const std::string& path) {
        for (const std::string& place : places)
            if (EqualsNoCase(path, place)) return true;
        return false;
    };
    WalkFolderTree("C:", [&](const std::string& path, const WIN32_FIND_DATAA& entry, int) {
        std::ostringstream what;
        what << std::hex << entry.dwFileAttributes;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries[path] = "folder " + what.str();
        } else {
            what << " " << entry.nFileSizeLow << " " << entry.ftLastWriteTime.dwHighDateTime << ":"
                 << entry.ftLastWriteTime.dwLowDateTime;
            entries[path] = "file " + what.str();
        }
    }, isPlace);
    return entries;
}

std::string LongPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), full, sizeof full);
    std::string result = (length > 0 && length < sizeof full) ? std::string(full, length) : path;
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return LongPath(path);
}

class FrontendItems : public FrontendTest {
protected:
    void SetUp() override {
        FrontendTest::SetUp();
        LetWineDrawWindowFrames();
        programFiles = ProgramFilesDir();
        games = programFiles + "\\Tessary\\Games\\Ludora";
        testsupport::RemoveFolderTree(programFiles + "\\Tessary\\Games");
        for (const char* item : {kGame, kDemo, kNote}) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + item);
        // The front-end's folder holds the agreement viewer stand-in; the program stays the build's.
        frontEnd = MakeScratchDirectory("frontend-items");
        ASSERT_TRUE(CopyFileA(BinPath("tools\\AgreeView.exe").c_str(), (frontEnd + "\\AgreeView.exe").c_str(), FALSE));
        WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Path", frontEnd);
        WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe", VelorinExe());
        ASSERT_EQ(Velorin("-RegServer"), 0u);
        // The manager that registration started is in its quiet period: each case starts its own.
        StopAllManagers();
    }

    // The manager processes a server answer; its ZULError.
    ZULError Process(const std::string& answer) {
        ComPtr<I_ResponseData> response;
        ZULError ret = ZULERR_FAILED;
        EXPECT_EQ(Manager()->GetResponseData(response.GetAddressOf(), &ret), S_OK);
        if (!response) return ZULERR_FAILED;
        EXPECT_EQ(response->LoadMem(const_cast<char*>(answer.c_str()), &ret), S_OK);
        ret = ZULERR_FAILED;
        Manager()->ProcessResponseData(response.Get(), &ret);
        return ret;
    }

    std::optional<std::string> ItemValue(const char* item, const char* name) {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kItemKey) + item, name);
    }

    std::string ItemFolder(const char* name) const { return startMenu + "\\Programs\\Ludora\\" + name; }

    std::string programFiles, games, frontEnd;
};

TEST_F(FrontendItems, GameInstallsThroughTheManagerAndItsUninstallEntryRemovesIt) {
    // The type with only its opening brace reads as the application type.
    const std::string oneBrace = std::string(kApplicationType).substr(0, 37);
    const std::string answer = ChannelBlock() + GameItem(kGame, oneBrace.c_str(), "Star Raiders",
                                                         {{"LaunchFile", "Raiders.exe"},
                                                          {"LaunchArgs", "-fullscreen"},
                                                          {"HelpFile", "Manual.txt"},
                                                          {"WebsiteURL", "http://127.0.0.1/raiders"},
                                                          {"UninstInMenu", "1"}});
    ASSERT_EQ(Process(answer), ZULERR_SUCCESS);

    const std::string installDir = games + "\\Star Raiders";
    const std::string folder = ItemFolder("Star Raiders");
    EXPECT_TRUE(PathExists(installDir + "\\Raiders.exe"));
    EXPECT_TRUE(IsHidden(folder + "\\ZULVelorin-" + kGame + ".txt"));
    const LinkInfo play = ReadLink(folder + "\\Play Star Raiders.lnk");
    EXPECT_EQ(play.target, installDir + "\\Raiders.exe");
    EXPECT_EQ(play.arguments, "-fullscreen");
    EXPECT_EQ(play.workingDir, installDir);
    EXPECT_EQ(ReadLink(folder + "\\Help.lnk").target, installDir + "\\Manual.txt");
    const std::string website = ReadFileText(folder + "\\Visit Website.url");
    EXPECT_NE(website.find("URL=http://127.0.0.1/raiders"), std::string::npos) << website;
    const LinkInfo uninstall = ReadLink(folder + "\\Uninstall Star Raiders.lnk");
    EXPECT_EQ(uninstall.target, VelorinExe());
    EXPECT_EQ(uninstall.arguments, std::string("-UninstallItem ") + kGame);
    EXPECT_EQ(uninstall.iconIndex, 8);
    ExpectFrontEndIconsExist(startMenu + "\\Programs\\Ludora");
    const std::string entry = std::string(kUninstallKey) + kGame;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "DisplayName"), "Star Raiders");
    const std::string command = ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString").value_or("");
    std::string expected(1, '"');
    expected.append(VelorinExe()).append("\" -UninstallItem ").append(kGame);
    EXPECT_EQ(command, expected);
    EXPECT_EQ(ItemValue(kGame, "Installed"), "1");
    EXPECT_EQ(ItemValue(kGame, "Path"), installDir);
    EXPECT_EQ(ItemValue(kGame, "user_name"), "demo");
    EXPECT_FALSE(ItemValue(kGame, "UninstInMenu").has_value());
    // No "Eula.txt" among the game's files: the viewer never ran.
    EXPECT_FALSE(PathExists(frontEnd + "\\agreeview.log"));
    std::cout << "Start-menu tree of the installed game:\n" << startMenu << "\\Programs\\Ludora\\\n";
    PrintShortcutTree(startMenu + "\\Programs\\Ludora", std::cout);

    // The install helper's desktop shortcut goes with the game.
    const std::string desktopShortcut = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Play Star Raiders.lnk";
    ASSERT_TRUE(WriteFileBytes(desktopShortcut, "link"));
    WriteString(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kGame, "DesktopShortcut", desktopShortcut);
    m_manager.Reset();
    StopAllManagers();

    // The entry's command line, as the system's program list runs it: one question, one message.
    auto boxes = AnswerBoxes({{"Confirm Uninstall", IDYES}, {"Success", IDOK}}, "uninstall-question.png");
    const std::string exe = command.substr(1, command.find('"', 1) - 1);
    RunProgram(exe, command.substr(command.find('"', 1) + 2), 120000);
    const std::vector<std::string> texts = boxes.get();
    EXPECT_EQ(texts, (std::vector<std::string>{"Are you sure you would like to uninstall Star Raiders?",
                                               "Star Raiders uninstalled successfully."}));
    EXPECT_FALSE(PathExists(installDir));
    EXPECT_FALSE(PathExists(folder));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_FALSE(PathExists(desktopShortcut));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kGame));
}

TEST_F(FrontendItems, FullGameAfterItsDemoIsRefusedOrReplacesTheDemoByTheAnswer) {
    const Values family = {{"Family", "raiders"}};
    ASSERT_EQ(Process(ChannelBlock() + GameItem(kDemo, kDemoType, "Star Raiders Demo", family)), ZULERR_SUCCESS);
    ASSERT_TRUE(PathExists(games + "\\Star Raiders Demo\\Raiders.exe"));
    const std::string fullGame = ChannelBlock() + GameItem(kGame, kApplicationType, "Star Raiders", family);
    const std::string question =
        "A demo version of this game is already installed on this computer.\nThe demo version must be uninstalled "
        "before this installation can continue.\n\nWould you like to uninstall the demo version now?";

    auto refused = AnswerBoxes({{"Star Raiders", IDNO}}, "demo-question.png");
    EXPECT_EQ(Process(fullGame), ZULERR_ALREADY_INSTALLED_DEMO);
    EXPECT_EQ(refused.get().at(0).substr(0, question.size()), question);
    EXPECT_TRUE(PathExists(games + "\\Star Raiders Demo\\Raiders.exe"));
    EXPECT_FALSE(PathExists(games + "\\Star Raiders"));
    EXPECT_EQ(ItemValue(kDemo, "Installed"), "1");

    // Accepted: the demo goes without a question of its own.
    auto accepted = AnswerBoxes({{"Star Raiders", IDYES}});
    EXPECT_EQ(Process(fullGame), ZULERR_SUCCESS);
    EXPECT_EQ(accepted.get().at(0).substr(0, question.size()), question);
    EXPECT_FALSE(uiauto::FindTopWindow(uiauto::kDialogClass, "Confirm Uninstall"));
    EXPECT_FALSE(PathExists(games + "\\Star Raiders Demo"));
    EXPECT_FALSE(PathExists(ItemFolder("Star Raiders Demo")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kDemo));
    EXPECT_TRUE(PathExists(games + "\\Star Raiders\\Raiders.exe"));
    EXPECT_EQ(ItemValue(kGame, "Installed"), "1");
}

TEST_F(FrontendItems, NotificationIsAnnouncedOnceAndGivesWayToItsGame) {
    // A stand-in program as the front-end's "Exe" records the tray start.
    const std::string trayDir = frontEnd + "\\tray";
    CreateDirectoryA(trayDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("tools\\AgreeView.exe").c_str(), (trayDir + "\\TrayStart.exe").c_str(), FALSE));
    WriteString(HKEY_LOCAL_MACHINE, kVelorinKey, "Exe", trayDir + "\\TrayStart.exe");
    const std::string note = ChannelBlock() + FileSet("note", kNoteSet) +
                             Block("Item", {{"Guid", kNote}, {"Type", kNotificationType}, {"Channel", kChannel},
                                            {"Name", "Star Raiders is here"}, {"FileSets", kNoteSet},
                                            {"Family", "raiders"}});
    ASSERT_EQ(Process(note), ZULERR_SUCCESS);
    ASSERT_EQ(Process(note), ZULERR_SUCCESS);

    const std::string updatedFolder = startMenu + "\\Programs\\Ludora (Updated)";
    const LinkInfo link = ReadLink(updatedFolder + "\\New Game Arrives.lnk");
    EXPECT_TRUE(link.read);
    EXPECT_EQ(link.target, trayDir + "\\TrayStart.exe");
    EXPECT_EQ(link.arguments, std::string("-LaunchNotification ") + kNote);
    EXPECT_EQ(link.iconPath, frontEnd + "\\" + kNote + "\\" + kNote + ".ico");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications"), std::string(kNote) + ",");
    for (int i = 0; i < 50 && !PathExists(trayDir + "\\agreeview.log"); ++i) Sleep(100);
    EXPECT_EQ(ReadFileText(trayDir + "\\agreeview.log"), "-TrayIcon\n");
    EXPECT_EQ(ItemValue(kNote, "ShortcutName"), "New Game Arrives");

    // The game of its family removes it; a notification for the installed game creates nothing.
    ASSERT_EQ(Process(ChannelBlock() + GameItem(kGame, kApplicationType, "Star Raiders", {{"Family", "raiders"}})),
              ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(updatedFolder + "\\New Game Arrives.lnk"));
    EXPECT_FALSE(PathExists(frontEnd + "\\" + kNote));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kNote));
    ASSERT_EQ(Process(note), ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(updatedFolder + "\\New Game Arrives.lnk"));
    EXPECT_FALSE(ItemValue(kNote, "Installed").has_value());
}

TEST_F(FrontendItems, DeclinedAgreementAbortsWithTheFolderDeleted) {
    ASSERT_TRUE(WriteFileBytes(frontEnd + "\\agreeview.exit", "2"));
    const std::string answer = ChannelBlock() + FileSet("eula", kEulaSet) +
                               GameItem(kGame, kApplicationType, "Star Raiders",
                                        {{"FileSets", std::string(kGameSet) + "," + kEulaSet}});
    auto boxes = AnswerBoxes({{"Installation Aborted", IDOK}});
    EXPECT_EQ(Process(answer), ZULERR_EULA_NOT_ACCEPTED);
    EXPECT_EQ(boxes.get(), std::vector<std::string>{"EULA not accepted, this installation will now abort"});
    EXPECT_EQ(ReadFileText(frontEnd + "\\agreeview.log"), "\"" + games + "\\Star Raiders\\Eula.txt\"\n");
    EXPECT_FALSE(PathExists(games + "\\Star Raiders"));
    EXPECT_FALSE(PathExists(ItemFolder("Star Raiders")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + kGame));
}

TEST_F(FrontendItems, BadItemsGetAClearCodeAndLeaveNothingBehind) {
    // No "Name".
    EXPECT_EQ(Process(ChannelBlock() + FileSet("game", kGameSet) +
                      Block("Item", {{"Guid", kGame}, {"Type", kApplicationType}, {"Channel", kChannel},
                                     {"FileSets", kGameSet}})),
              ZULERR_NOT_FOUND);
    // A file set the manager does not have.
    EXPECT_NE(Process(ChannelBlock() + GameItem(kGame, kApplicationType, "Star Raiders",
                                                {{"FileSets", "{6A1B2C3D-4E5F-4061-8273-94A5B6C7D8EF}"}})),
              ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(ItemFolder("Star Raiders")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kGame));
    // A name that would leave the games folder.
    EXPECT_EQ(Process(ChannelBlock() + GameItem(kGame, kApplicationType, "..\\..\\Escaped")),
              ZULERR_INVALID_ARGUMENT);
    EXPECT_FALSE(PathExists(programFiles + "\\Tessary\\Escaped"));
    // A notification whose files lack "ShortcutName.dat".
    EXPECT_EQ(Process(ChannelBlock() + FileSet("bare-note", kBareNoteSet) +
                      Block("Item", {{"Guid", kNote}, {"Type", kNotificationType}, {"Channel", kChannel},
                                     {"Name", "Nameless"}, {"FileSets", kBareNoteSet}, {"Family", "other"}})),
              ZULERR_FILE_OPEN_FAILED);
    EXPECT_FALSE(ItemValue(kNote, "Installed").has_value());
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "NewNotifications").has_value());
}

// One answer whose channel and item values name places outside the system's own: a channel folder
// name "..", an empty one, "MenuDir" values naming an existing folder elsewhere, an about page
// outside the channel's folder, a desktop shortcut that is no desktop shortcut. Installed, turned
// on and off, uninstalled and unregistered: nothing outside the system's places changes.
TEST_F(FrontendItems, HostileAnswerLeavesEverythingOutsideTheSystemsPlacesAlone) {
    const char kDotsChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6B1}";
    const char kNamelessChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6B2}";
    const char kDotsGame[] = "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C51}";
    const std::string outside = "C:\\zul-hostile-outside";
    const std::string victim = outside + "\\Victim";
    testsupport::RemoveFolderTree(outside);
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(victim.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((victim + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(victim + "\\data.txt", "keep me"));
    ASSERT_TRUE(WriteFileBytes(victim + "\\sub\\more.txt", "keep me too"));
    ASSERT_TRUE(WriteFileBytes(victim + "\\params.dll", "not a library"));
    ASSERT_TRUE(WriteFileBytes(outside + "\\keep.lnk", "not a desktop shortcut"));
    ASSERT_TRUE(WriteFileBytes(outside + "\\evil.html", "<p>not the channel's page</p>"));
    const std::string pagesLog = MakeScratchDirectory("hostile-pages") + "\\pages.log";
    RecordOpenedPages(pagesLog);

    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::vector<std::string> places = {LongPath(temp), SpecialFolder(CSIDL_COMMON_STARTMENU),
                                             SpecialFolder(CSIDL_STARTMENU), LongPath(programFiles + "\\Tessary")};
    const std::map<std::string, std::string> before = SnapshotOutside(places);

    const std::string channels =
        Block("Channel", {{"GUID", kDotsChannel}, {"Name", "Dots"}, {"MenuName", ".."}, {"MenuDir", victim},
                          {"Path", victim}, {"AboutFile", outside + "\\evil.html"}}) +
        Block("Channel", {{"GUID", kNamelessChannel}, {"Name", ""}, {"MenuDir", victim}}) +
        Block("Channel", {{"GUID", kChannel}, {"Name", "Ludora Channel"}, {"MenuName", "Programs\\Ludora"},
                          {"MenuDir", victim}, {"Path", victim}, {"AboutFile", "..\\evil.html"}});
    const Values hostileItem = {{"DesktopShortcut", outside + "\\keep.lnk"}, {"MenuDir", victim}, {"Path", victim}};
    EXPECT_EQ(Process(channels + FileSet("game", kGameSet) +
                      Block("Item", {{"Guid", kDotsGame}, {"Type", kApplicationType}, {"Channel", kDotsChannel},
                                     {"Name", "Dots Game"}, {"FileSets", kGameSet}, {"DesktopShortcut", outside + "\\keep.lnk"}})),
              ZULERR_INVALID_ARGUMENT);
    EXPECT_EQ(Process(channels + FileSet("note", kNoteSet) +
                      Block("Item", {{"Guid", kNote}, {"Type", kNotificationType}, {"Channel", kNamelessChannel},
                                     {"Name", "Nameless news"}, {"FileSets", kNoteSet}, {"Family", "nameless"},
                                     {"ShowTrayIcon", "0"}})),
              ZULERR_INVALID_ARGUMENT);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kDotsGame));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kNote));
    // On the good channel the game installs in the system's places, whatever the answer says.
    ASSERT_EQ(Process(channels + GameItem(kGame, kApplicationType, "Star Raiders", {{"DesktopShortcut", outside + "\\keep.lnk"}, {"MenuDir", victim}, {"UninstInMenu", "1"}})),
              ZULERR_SUCCESS);
    ASSERT_EQ(Process(channels + GameItem(kDemo, kDemoType, "Star Raiders Demo")), ZULERR_SUCCESS);
    EXPECT_TRUE(PathExists(ItemFolder("Star Raiders") + "\\Uninstall Star Raiders.lnk"));
    m_manager.Reset();
    StopAllManagers();
    // A record whose values were changed behind the front-end's back.
    for (const auto& [name, value] : hostileItem) WriteString(HKEY_LOCAL_MACHINE, std::string(kItemKey) + kDemo, name.c_str(), value);

    for (const char* channel : {kDotsChannel, kNamelessChannel, kChannel}) {
        VelorinAnsweringAll(std::string("-Subscribe ") + channel);
        VelorinAnsweringAll(std::string("-Unsubscribe ") + channel);
        VelorinAnsweringAll(std::string("-AboutChannel ") + channel);
    }
    EXPECT_EQ(VelorinAnsweringAll(std::string("-UninstallItem ") + kGame),
              (std::vector<std::string>{"Confirm Uninstall", "Success"}));
    EXPECT_EQ(VelorinAnsweringAll(std::string("-UninstallItem ") + kDemo),
              (std::vector<std::string>{"Confirm Uninstall", "Success"}));
    EXPECT_FALSE(PathExists(ItemFolder("Star Raiders")));
    EXPECT_FALSE(PathExists(games + "\\Star Raiders"));
    EXPECT_TRUE(VelorinAnsweringAll("-UnregServer").empty());

    for (const std::string& page : OpenedPages(pagesLog)) EXPECT_EQ(page.find("evil"), std::string::npos) << page;
    const std::map<std::string, std::string> after = SnapshotOutside(places);
    std::cout << "Compared " << before.size() << " files and folders outside the system's places\n";
    for (const auto& [path, what] : before) {
        const auto found = after.find(path);
        EXPECT_TRUE(found != after.end() && found->second == what) << path << " changed or went: " << what;
    }
    for (const auto& [path, what] : after) EXPECT_TRUE(before.count(path)) << path << " appeared: " << what;
    testsupport::RemoveFolderTree(outside);
}

// "Visit Website.url" is saved by the system's Internet-shortcut object, which reads it back.
TEST(FrontendInternetShortcut, SavedAndReadBackThroughTheSystemsObject) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::string link = MakeScratchDirectory("internet-shortcut") + "\\Visit Website.url";
    EXPECT_EQ(CreateInternetShortcut(link.c_str(), "http://127.0.0.1/raiders"), S_OK);
    {
        ComPtr<IUniformResourceLocatorA> locator;
        ASSERT_EQ(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorA,
                                   reinterpret_cast<void**>(locator.GetAddressOf())),
                  S_OK);
        ComPtr<IPersistFile> file;
        ASSERT_EQ(locator->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf())), S_OK);
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ASSERT_EQ(file->Load(wide, STGM_READ), S_OK);
        char* url = nullptr;
        ASSERT_EQ(locator->GetURL(&url), S_OK);
        EXPECT_STREQ(url, "http://127.0.0.1/raiders");
        CoTaskMemFree(url);
    }
    CoUninitialize();
}

// Runtime files against the system folder: equal and older ones are dropped, a newer one
// replaces the system's copy and is registered, an absent one leaves the system alone.
TEST(FrontendRuntimeFiles, EqualNewerOlderAndAbsentFilesEndAsExpected) {
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    const std::string sys = system;
    const std::string install = MakeScratchDirectory("runtime-install");
    auto library = [](int version) { return BinPath(("testdata\\frontend-items\\runtime\\v" + std::to_string(version) + ".dll").c_str()); };
    auto version = [](const std::string& path) {
        char text[64] = "none";
        GetFileVersionText(path.c_str(), text);
        return std::string(text);
    };
    // The system's own copies are kept and put back afterwards.
    const char* files[] = {"comctl32.ocx", "comdlg32.ocx", "msvbvm60.dll", "mswinsck.ocx"};
    for (const char* file : files) MoveFileExA((sys + "\\" + file).c_str(), (install + "\\saved-" + file).c_str(), MOVEFILE_COPY_ALLOWED);
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Tessary\\RuntimeTest");

    ASSERT_TRUE(CopyFileA(library(2).c_str(), (sys + "\\comctl32.ocx").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(library(2).c_str(), (install + "\\comctl32.ocx").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(library(2).c_str(), (sys + "\\comdlg32.ocx").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(library(3).c_str(), (install + "\\comdlg32.ocx").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(library(2).c_str(), (sys + "\\msvbvm60.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(library(1).c_str(), (install + "\\msvbvm60.dll").c_str(), FALSE));

    EXPECT_EQ(InstallRuntimeFiles(install), ZULERR_SUCCESS);
    EXPECT_EQ(version(sys + "\\comctl32.ocx"), "2.0.0.0");
    EXPECT_EQ(version(sys + "\\comdlg32.ocx"), "3.0.0.0");
    EXPECT_EQ(version(sys + "\\msvbvm60.dll"), "2.0.0.0");
    EXPECT_FALSE(PathExists(sys + "\\mswinsck.ocx"));
    for (const char* file : files) EXPECT_FALSE(PathExists(install + "\\" + file)) << file;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\RuntimeTest", "Registered"), "3.0.0.0;");

    // A file without a readable version beside a system copy stops the run with 1.
    ASSERT_TRUE(WriteFileBytes(install + "\\comctl32.ocx", "no version"));
    EXPECT_EQ(InstallRuntimeFiles(install), ZULERR_FAILED);
    EXPECT_TRUE(PathExists(install + "\\comctl32.ocx"));

    for (const char* file : files) {
        DeleteFileA((sys + "\\" + file).c_str());
        MoveFileExA((install + "\\saved-" + file).c_str(), (sys + "\\" + file).c_str(), MOVEFILE_COPY_ALLOWED);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Tessary\\RuntimeTest");
}

}  // namespace
