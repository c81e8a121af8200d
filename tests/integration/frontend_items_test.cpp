// The front-end's item installer under Wine: server answers processed by the manager hand
// application, demo and notification items to ZULVelorin across processes; the questions and
// messages are answered through the UI-automation helper; the uninstall entry's command line
// removes a game again. Runtime files are checked in-process against the system folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

#include "common/FileVersion.h"
#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
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
    const std::string answer = ChannelBlock() + GameItem(kGame, kApplicationType, "Star Raiders",
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
    EXPECT_NE(ReadFileText(folder + "\\Visit Website.url").find("URL=http://127.0.0.1/raiders"), std::string::npos);
    const LinkInfo uninstall = ReadLink(folder + "\\Uninstall Star Raiders.lnk");
    EXPECT_EQ(uninstall.target, VelorinExe());
    EXPECT_EQ(uninstall.arguments, std::string("-UninstallItem ") + kGame);
    EXPECT_EQ(uninstall.iconIndex, 8);
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
    const std::string desktopShortcut = frontEnd + "\\Star Raiders.lnk";
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
