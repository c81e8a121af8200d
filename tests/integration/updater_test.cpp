// The updater client and the channel manager's registration with the updater, against the
// stand-in updater (tools/rlymgr) placed in a scratch maker directory.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/PathHelpers.h"
#include "common/UpdaterClient.h"
#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"

using namespace testsupport;

namespace {

constexpr auto& kTessary = ProductKeys::kTessary;
constexpr auto& kZUL = ProductKeys::kZUL;
const char kMachineGuid[] = "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string WindowsTy() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\ty";
}


class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        testsupport::RemoveFolderTree(WindowsTy());
        testsupport::RemoveFolderTree(testsupport::ProgramFilesDir() + "\\ty");
        testsupport::RemoveFolderTree(std::string(GetMakerDirectory()) + "\\TYUpdates");
        maker = MakeScratchDirectory("maker");
        WriteString(HKEY_LOCAL_MACHINE, kTessary, "TYDirectory", maker);
        InstallUpdaterIn(maker);
    }
    void TearDown() override {
        StopAllManagers();
        testsupport::RemoveFolderTree(WindowsTy());
        testsupport::RemoveFolderTree(testsupport::ProgramFilesDir() + "\\ty");
    }

    static void InstallUpdaterIn(const std::string& makerDir) {
        CreateDirectoryA((makerDir + "\\updater").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(BinPath("tools\\rlymgr.exe").c_str(), (makerDir + "\\updater\\rlymgr.exe").c_str(), FALSE));
    }
    std::string UpdaterFile(const char* name) const { return maker + "\\updater\\" + name; }
    std::vector<std::string> Log() const { return Lines(ReadText(UpdaterFile("rlymgr.log"))); }
    std::string AppInfo() const { return std::string(GetMakerDirectory()) + "\\TYUpdates\\ZULManager\\appinfo.dat"; }
    std::string AppPath() const { return testsupport::ProgramFilesDir() + "\\Tessary"; }

    std::string RegisterLine(const std::string& tail) const {
        return "-registerapp ZULManager -applongname \"Tessary ZUL Manager\" -appexe \"\" -apppath \"" + AppPath() +
               "\" -updateurl \"http://update.tessary.com\" -downloadtype 1 -updatetype 3 -verifytype 2 "
               "-updateinterval 15000" + tail;
    }

    // Starts a resident manager, waits until its updater registration wrote the information
    // file, then shuts it down.
    void StartAndStopResident() {
        DeleteFileA(AppInfo().c_str());
        PROCESS_INFORMATION info = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
        ASSERT_TRUE(info.hProcess);
        for (int i = 0; i < 200 && !PathExists(AppInfo()); ++i) Sleep(50);
        Sleep(200);
        PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }

    std::string maker;
};

TEST_F(UpdaterTest, FirstStartRegistersAndEnablesAndLeavesAnEmptyInformationFile) {
    StartAndStopResident();
    EXPECT_EQ(Log(), (std::vector<std::string>{"-getapppath ZULManager", RegisterLine(""), " -enableupdates ZULManager"}));
    EXPECT_TRUE(PathExists(AppInfo()));
    EXPECT_EQ(ReadText(AppInfo()), "");
}

TEST_F(UpdaterTest, StoredDistributionIdentifierEndsTheRegisterLine) {
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "DistID", "PARTNER 7");
    StartAndStopResident();
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Log()[1], RegisterLine(" -distid \"PARTNER 7\""));
}

TEST_F(UpdaterTest, RegisteredPathInOtherCaseSkipsRegistrationButRewritesTheInformationFile) {
    std::string upper = AppPath();
    CharUpperA(upper.data());
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.apps"), "ZULManager\t" + upper + "\n"));
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "MachineGuid", kMachineGuid);
    StartAndStopResident();
    EXPECT_EQ(Log(), (std::vector<std::string>{"-getapppath ZULManager"}));
    EXPECT_EQ(ReadText(AppInfo()), std::string("[appinfo.dat]\nMachineGuid=") + kMachineGuid);
}

TEST_F(UpdaterTest, UnregistrationRunsTheThreeLeaveCommandsInOrder) {
    ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-UnregServer"), DWORD{0});
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "-registerapp ZULManager -applongname \"Tessary ZUL Manager\" -appexe \"\" -apppath \"" +
                             AppPath() +
                             "\" -updateurl \"http://update.tessary.com\" -downloadtype 1 -updatetype 1 "
                             "-verifytype 1 -updateinterval 15000",
                         " -disableupdates ZULManager", " -unregisterapp ZULManager"}));
}

TEST_F(UpdaterTest, WithoutAnUpdaterStartUpAndUnregistrationGoOn) {
    DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
    StartAndStopResident();
    EXPECT_EQ(ReadText(AppInfo()), "");
    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "-UnregServer"), DWORD{0});
}

TEST_F(UpdaterTest, MakerDirectoryCandidatesInTheirOrder) {
    char found[MAX_PATH] = {};
    ASSERT_TRUE(FindMakerDirectory(found, false));
    EXPECT_STREQ(found, maker.c_str());
    char program[MAX_PATH] = {};
    EXPECT_EQ(FindUpdaterProgram(program), 0);
    EXPECT_EQ(std::string(program), UpdaterFile("rlymgr.exe"));

    // A "TYDirectory" naming no directory is passed over; then the program-files candidate.
    WriteString(HKEY_LOCAL_MACHINE, kTessary, "TYDirectory", maker + "\\missing");
    EXPECT_FALSE(FindMakerDirectory(found, false));
    ASSERT_TRUE(CreateDirectoryA((testsupport::ProgramFilesDir() + "\\ty").c_str(), nullptr));
    ASSERT_TRUE(FindMakerDirectory(found, false));
    EXPECT_EQ(std::string(found), testsupport::ProgramFilesDir() + "\\ty");
    // The Windows directory's candidate comes before it.
    ASSERT_TRUE(CreateDirectoryA(WindowsTy().c_str(), nullptr));
    ASSERT_TRUE(FindMakerDirectory(found, false));
    EXPECT_EQ(std::string(found), WindowsTy());

    // With none present, creation makes the Windows directory's candidate.
    testsupport::RemoveFolderTree(WindowsTy());
    testsupport::RemoveFolderTree(testsupport::ProgramFilesDir() + "\\ty");
    EXPECT_FALSE(FindUpdaterDirectory(found, false));
    ASSERT_TRUE(FindUpdaterDirectory(found, true));
    EXPECT_EQ(std::string(found), WindowsTy() + "\\updater");
    EXPECT_EQ(FindUpdaterProgram(program), -1);
}

TEST_F(UpdaterTest, RunUpdaterExitCodeAndOutputRules) {
    char answer[4096] = {};
    DWORD exitCode = 99;
    // Exit 0, nothing printed: success and an empty answer.
    EXPECT_EQ(GetAppPath("Nobody", answer, sizeof answer), 0);
    EXPECT_STREQ(answer, "");

    // A nonzero exit fails whatever was printed.
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.exit"), "3"));
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.out"), "C:\\somewhere"));
    EXPECT_EQ(RunUpdater("-getapppath X", &exitCode, answer, sizeof answer), -1);
    EXPECT_EQ(exitCode, 3u);
    DeleteFileA(UpdaterFile("rlymgr.exit").c_str());

    // An answer that fills the buffer fails; one byte shorter fits.
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.out"), std::string(4095, 'a')));
    EXPECT_EQ(GetAppPath("X", answer, sizeof answer), -1);
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.out"), std::string(4094, 'b')));
    EXPECT_EQ(GetAppPath("X", answer, sizeof answer), 0);
    EXPECT_EQ(std::string(answer), std::string(4094, 'b'));

    // Far more than the pipe holds: the updater is not blocked and the run ends.
    ASSERT_TRUE(WriteFileBytes(UpdaterFile("rlymgr.out"), std::string(200000, 'c')));
    EXPECT_EQ(GetAppPath("X", answer, sizeof answer), -1);
    EXPECT_EQ(RunUpdater("-anything", &exitCode), 0);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
