// The whole check-in chain: a resident ZULMan checks in with the development distribution
// server; the answer's file sets come from nginx, its channel is recorded, subscribed and its
// files extracted, and its item is installed by the default installer running the test install
// program. The next check-in reports the item and its "ok" empties the pending list.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"
#include "tests/integration/devserver_test_support.h"
#include "tests/integration/transfer_test_support.h"

using namespace testsupport;
using namespace devservertest;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kCheckin = ProductKeys::kCheckin;
const char kInstallerSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01}";  // TestInstall.exe + setup.dat
const char kChannelSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E02}";    // readme.txt, docs\about.txt
const char kChannel[] = "{6F4E2D10-1111-4A2B-8C3D-4E5F60718201}";
const char kOldChannel[] = "{6F4E2D10-2222-4A2B-8C3D-4E5F60718202}";
const char kItem[] = "{6F4E2D10-3333-4A2B-8C3D-4E5F60718203}";
const char kDefaultType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";

class ChainTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterManagerWithoutRecords()); }
    void SetUp() override {
        ASSERT_TRUE(RegisterManagerWithoutRecords("chain-manager", managerDir));

        ASSERT_TRUE(server.Running());
        server.PointManagerAt();

        // The file sets lie in nginx's document root.
        const std::string html = transfertest::FixtureDir() + "\\html\\chain";
        CreateDirectoryA(html.c_str(), nullptr);
        for (const char* name : {"installer.FileSet", "channel.FileSet"})
            ASSERT_TRUE(CopyFileA(BinPath((std::string("testdata\\manager\\") + name).c_str()).c_str(),
                                  (html + "\\" + name).c_str(), FALSE));

        // A channel subscribed earlier gives the first check-in something to report.
        const std::string old = std::string(kZUL) + "\\Channel\\" + kOldChannel;
        WriteString(HKEY_LOCAL_MACHINE, old, "Subscribed", "1");
        WriteString(HKEY_LOCAL_MACHINE, old, "Priority", "7");
        WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
        installLog = MakeScratchDirectory("chain-log") + "\\install.log";
    }
    void TearDown() override { StopAllManagers(); }

    std::string Answer() const {
        const std::string nginx = transfertest::NginxUrl("/chain/");
        return "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n"
               "FileSet\r\n{\r\nGUID=" + std::string(kInstallerSet) + "\r\nSourceURL=" + nginx + "installer.FileSet\r\n}\r\n"
               "FileSet\r\n{\r\nGUID=" + kChannelSet + "\r\nSourceURL=" + nginx + "channel.FileSet\r\n}\r\n"
               "Channel\r\n{\r\nGuid=" + kChannel + "\r\nName=Chain Channel\r\nMenuName=Chain\r\nDistID=D1\r\n"
               "Subscribe=1\r\nFileSets=" + kChannelSet + "\r\n}\r\n"
               "Item\r\n{\r\nGuid=" + kItem + "\r\nType=" + kDefaultType + "\r\nChannel=" + kChannel +
               "\r\nName=Chain Game\r\nFileSets=" + kInstallerSet + "\r\nInstallFileSet=" + kInstallerSet +
               "\r\nInstallFile=TestInstall.exe\r\nInstallArgs=/log=\"" + installLog + "\" /exit=0 hello\r\n}\r\n";
    }
    template <class Done>
    void RunResidentUntil(Done done) {
        ResidentManager resident;
        ASSERT_TRUE(resident.Started());
        (void)WaitUntil(done, 30000);
        EXPECT_TRUE(resident.Stop());
    }
    std::optional<std::string> Record(const char* kind, const char* id, const char* value) {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\" + kind + "\\" + id, value);
    }

    DevServer server;
    std::string managerDir, installLog;
};

TEST_F(ChainTest, AnswerBecomesChannelFilesAndAnInstalledItem) {
    ASSERT_TRUE(server.Script({Answer(), "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n"}));
    const std::string entry = std::string(kItem) + "," + kChannel + ";";
    RunResidentUntil([&] { return ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("").find(entry) != std::string::npos; });

    // The channel's archive sits in the manager's "FileSets" folder and is recorded.
    const std::string channelArchive = managerDir + "\\FileSets\\" + kChannelSet + ".FileSet";
    EXPECT_TRUE(PathExists(channelArchive));
    EXPECT_EQ(Record("FS_Info", kChannelSet, "LocalPath"), channelArchive);
    EXPECT_EQ(Record("FS_Info", kChannelSet, "Name"), "Test Channel Files");

    // The channel record, subscribed with the first priority, its files extracted.
    const std::string channelDir = managerDir + "\\Channel\\" + kChannel;
    EXPECT_EQ(Record("Channel", kChannel, "Path"), channelDir);
    EXPECT_EQ(Record("Channel", kChannel, "Subscribed"), "1");
    EXPECT_EQ(Record("Channel", kChannel, "Priority"), "1");
    EXPECT_EQ(Record("Channel", kChannel, "MenuName"), "Chain");
    EXPECT_EQ(Record("Channel", kChannel, "DistID"), "D1");
    EXPECT_FALSE(Record("Channel", kChannel, "Subscribe"));
    EXPECT_TRUE(PathExists(channelDir + "\\readme.txt"));
    EXPECT_TRUE(PathExists(channelDir + "\\docs\\about.txt"));

    // The install program ran from a temporary directory with the item's arguments; the
    // directory is gone again.
    const std::string log = ReadFileText(installLog);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string workDir = std::string(temp) + kItem;
    EXPECT_NE(log.find("Arguments=/log=\"" + installLog + "\" /exit=0 hello"), std::string::npos) << log;
    EXPECT_NE(log.find("ProgramDirectory=" + workDir), std::string::npos) << log;
    EXPECT_NE(log.find("CurrentDirectory=" + workDir), std::string::npos) << log;
    EXPECT_FALSE(PathExists(workDir));

    // The item's file set was purged; the pending list holds the item.
    EXPECT_EQ(Record("FS_Info", kInstallerSet, "LocalPath"), "");
    EXPECT_FALSE(PathExists(managerDir + "\\FileSets\\" + kInstallerSet + ".FileSet"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), entry);

    // The next check-in reports the item, and its "ok" empties the list.
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    RunResidentUntil([&] { return server.Requests().size() >= 2 && ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("x").empty(); });
    const std::vector<std::string> requests = server.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_NE(requests[1].find("&installed=" + entry), std::string::npos) << requests[1];
    EXPECT_NE(requests[1].find(std::string("&channels=") + kChannel + ",D1;" + kOldChannel + ",no-distid;"),
              std::string::npos) << requests[1];
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), "");
}

}  // namespace
