// Applying responses: the order of the passes, what stops them, the channel rules and what
// happens to items and their file sets.
#include "manager/ManagerTestSupport.h"

#include <fstream>
#include <iterator>

#include "archive/FileSetContainer.h"

namespace managertest {
namespace {

constexpr char kOtherType[] = "{3D5E7F90-1234-4A5B-8C6D-7E8F90A1B2C3}";

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The directory of this test program, where ZULMan.exe is built too.
std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length < sizeof path ? length : 0);
    return text.substr(0, text.find_last_of('\\'));
}

class ResponseProcessingTest : public ManagerTest {
protected:
    std::string FetchedArchive(const char* id) { return m_managerDir + "\\FileSets\\" + id + ".FileSet"; }
    std::string ChannelDir(const char* id) { return m_managerDir + "\\Channel\\" + id; }
    static std::string FakeItem(const char* id, const std::vector<std::string>& more) {
        std::vector<std::string> lines = {std::string("Guid=") + id, std::string("Type=") + kFakeType};
        lines.insert(lines.end(), more.begin(), more.end());
        return Block("Item", lines);
    }
    static std::string Channel(const char* id, const std::vector<std::string>& more) {
        std::vector<std::string> lines = {std::string("Guid=") + id};
        lines.insert(lines.end(), more.begin(), more.end());
        return Block("Channel", lines);
    }
    // An item of the default type whose install program exits with exitCode.
    std::string DefaultItem(const char* id, const char* exitCode,
                            const char* program = "TestInstall.exe") const {
        return Block("Item", {std::string("Guid=") + id, std::string("Type=") + kDefaultType,
                              std::string("Channel=") + kChannelA, std::string("FileSets=") + kInstallerSet,
                              std::string("InstallFileSet=") + kInstallerSet, std::string("InstallFile=") + program,
                              std::string("InstallArgs=/exit=") + exitCode + " /log=\"" + m_installLog + "\""});
    }
    static std::optional<std::string> Installed() { return ReadValue(kProductKey, "InstalledItems"); }
    static std::vector<std::string> OfferedIds() {
        std::vector<std::string> ids;
        for (const Offer& offer : FakeInstaller().installs) ids.push_back(offer.id);
        return ids;
    }
};

TEST_F(ResponseProcessingTest, FileSetsAreFetchedBeforeChannelsAndChannelsRecordedBeforeItems) {
    WriteValue(ItemKey(kItemA), "Recorded", "before");
    bool channelReady = false;
    bool fileSetFetched = false;
    FakeInstaller().onInstall = [&](I_ZULItem*) {
        channelReady = ReadValue(ChannelKey(kChannelA), "Subscribed") == "1";
        fileSetFetched = PathExists(FetchedArchive(kChannelSet));
    };
    const std::string response =
        FakeItem(kItemA, {"Name=Starfall", std::string("Channel=") + kChannelA, std::string("FileSets=") + kChannelSet}) +
        Channel(kChannelA, {"Name=Test Channel", "MenuName=Tests", "Subscribe=1", "OverrideExisting=1",
                            std::string("FileSets=") + kChannelSet}) +
        FileSetBlock(kChannelSet, TestArchive("channel.FileSet"));

    ASSERT_EQ(Process(response), kOk);
    EXPECT_TRUE(channelReady);
    EXPECT_TRUE(fileSetFetched);

    // The channel: its files extracted into its directory, recorded with subscription and
    // priority, without the instructions "Subscribe" and "OverrideExisting".
    const std::string channelKey = ChannelKey(kChannelA);
    EXPECT_EQ(ReadValue(channelKey, "Path"), ChannelDir(kChannelA));
    EXPECT_TRUE(PathExists(ChannelDir(kChannelA) + "\\readme.txt"));
    EXPECT_TRUE(PathExists(ChannelDir(kChannelA) + "\\docs\\about.txt"));
    EXPECT_EQ(ReadValue(channelKey, "Subscribed"), "1");
    EXPECT_EQ(ReadValue(channelKey, "Priority"), "1");
    EXPECT_EQ(ReadValue(channelKey, "MenuName"), "Tests");
    EXPECT_EQ(ReadValue(channelKey, "Subscribe"), std::nullopt);
    EXPECT_EQ(ReadValue(channelKey, "OverrideExisting"), std::nullopt);

    // The item: what was recorded plus every key of the block, then listed as installed; its
    // file set purged although the installer stored nothing.
    ASSERT_EQ(FakeInstaller().installs.size(), 1u);
    const Offer& offer = FakeInstaller().installs[0];
    EXPECT_EQ(offer.id, kItemA);
    EXPECT_EQ(offer.props.at("Recorded"), "before");
    EXPECT_EQ(offer.props.at("Name"), "Starfall");
    EXPECT_EQ(offer.props.at("Channel"), kChannelA);
    EXPECT_EQ(offer.props.at("Type"), kFakeType);
    const std::string entry = std::string(kItemA) + "," + kChannelA + ";";
    EXPECT_EQ(Installed(), entry);
    EXPECT_FALSE(PathExists(FetchedArchive(kChannelSet)));
    EXPECT_EQ(ReadValue(FileSetKey(kChannelSet), "LocalPath"), "");

    // The same response again: fetched again, the item offered again, listed once.
    ASSERT_EQ(Process(response), kOk);
    EXPECT_EQ(FakeInstaller().installs.size(), 2u);
    EXPECT_EQ(Installed(), entry);
}

TEST_F(ResponseProcessingTest, AFailedDownloadStopsTheWholeResponse) {
    const std::string response = FakeItem(kItemA, {}) + Channel(kChannelA, {"Name=x"}) +
                                 FileSetBlock(kChannelSet, "http://127.0.0.1:1/none.FileSet") +
                                 FileSetBlock(kInstallerSet, TestArchive("installer.FileSet"));
    EXPECT_EQ(Process(response), Failed(ZULERR_FILE_DOWNLOAD_FAILED));
    EXPECT_EQ(ReadValue(FileSetKey(kInstallerSet), "LocalPath"), std::nullopt);
    EXPECT_FALSE(recordtest::KeyExists(ChannelKey(kChannelA)));
    EXPECT_TRUE(FakeInstaller().installs.empty());
}

TEST_F(ResponseProcessingTest, ItemOutcomes) {
    // A code under S_OK goes on to the next item; any other answer ends the processing.
    FakeInstaller().onInstall = [](I_ZULItem*) {
        FakeInstallerState& fake = FakeInstaller();
        const bool first = fake.installs.size() == 1;
        fake.installHr = first ? S_OK : S_FALSE;
        fake.installCode = first ? ZULERR_ALREADY_INSTALLED : ZULERR_EULA_NOT_ACCEPTED;
    };
    const std::string itemC = "{7A3B5C20-3333-4D6E-9F70-8192A3B4C503}";
    const std::string response = FileSetBlock(kChannelSet, TestArchive("channel.FileSet")) +
                                 FileSetBlock(kInstallerSet, TestArchive("installer.FileSet")) +
                                 FakeItem(kItemA, {std::string("FileSets=") + kChannelSet}) +
                                 FakeItem(kItemB, {std::string("FileSets=,") + kInstallerSet + ","}) +
                                 FakeItem(itemC.c_str(), {});
    EXPECT_EQ(Process(response), Failed(ZULERR_EULA_NOT_ACCEPTED));
    EXPECT_EQ(OfferedIds(), (std::vector<std::string>{kItemA, kItemB}));
    EXPECT_EQ(Installed(), std::nullopt);
    // Offered items lose their file sets whatever the installer said.
    EXPECT_FALSE(PathExists(FetchedArchive(kChannelSet)));
    EXPECT_FALSE(PathExists(FetchedArchive(kInstallerSet)));
}

TEST_F(ResponseProcessingTest, AnItemTypeWithoutInstallerEndsTheProcessing) {
    const std::string response = FakeItem(kItemB, {}) + Channel(kChannelA, {"Name=x"});
    const std::string unsupported = Block("Item", {std::string("Guid=") + kItemA, std::string("Type=") + kOtherType});
    EXPECT_EQ(Process(unsupported + response), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    // Channels come before items.
    EXPECT_TRUE(recordtest::KeyExists(ChannelKey(kChannelA)));
    EXPECT_TRUE(FakeInstaller().installs.empty());

    const std::string untyped = Block("Item", {std::string("Guid=") + kItemA});
    EXPECT_EQ(Process(untyped + response), (Outcome{E_INVALIDARG, ZULERR_BAD_GUID}));
    EXPECT_TRUE(FakeInstaller().installs.empty());
}

TEST_F(ResponseProcessingTest, AKnownChannelIsReplacedOnlyByAGreaterVersionWithOverride) {
    const std::string key = ChannelKey(kChannelA);
    WriteValue(key, "Name", "Old");
    WriteValue(key, "Version", "1.5");
    WriteValue(key, "MenuName", "Old menu");
    WriteValue(key, "DistID", "old-dist");

    EXPECT_EQ(Process(Channel(kChannelA, {"Name=New", "Version=2.0", "Subscribe=1"})), kOk);
    EXPECT_EQ(ReadValue(key, "Name"), "Old");
    EXPECT_EQ(ReadValue(key, "Subscribed"), "1");  // subscribed all the same
    EXPECT_EQ(ReadValue(key, "Priority"), "1");
    EXPECT_EQ(Process(Channel(kChannelA, {"Name=New", "Version=1.5", "OverrideExisting=1"})), kOk);
    EXPECT_EQ(ReadValue(key, "Name"), "Old");

    EXPECT_EQ(Process(Channel(kChannelA, {"Name=New", "Version=2.0", "OverrideExisting=1", "MenuName=New menu",
                                          "DistID=new-dist", "Extra=x", "Subscribe=0"})),
              kOk);
    EXPECT_EQ(ReadValue(key, "Name"), "New");
    EXPECT_EQ(ReadValue(key, "Version"), "2.0");
    EXPECT_EQ(ReadValue(key, "Extra"), "x");
    EXPECT_EQ(ReadValue(key, "MenuName"), "Old menu");
    EXPECT_EQ(ReadValue(key, "DistID"), "old-dist");
    EXPECT_EQ(ReadValue(key, "Subscribed"), "1");
    EXPECT_EQ(ReadValue(key, "Priority"), "1");
    EXPECT_EQ(ReadValue(key, "Subscribe"), std::nullopt);
    EXPECT_EQ(ReadValue(key, "OverrideExisting"), std::nullopt);
}

TEST_F(ResponseProcessingTest, WithoutVersionsNoBlockSupersedesAKnownChannel) {
    const std::string key = ChannelKey(kChannelB);
    WriteValue(key, "Name", "Old");
    EXPECT_EQ(Process(Channel(kChannelB, {"Name=New", "OverrideExisting=1"})), kOk);
    EXPECT_EQ(ReadValue(key, "Name"), "Old");

    // A known channel without "MenuName" takes the block's; "DistID" never changes.
    EXPECT_EQ(Process(Channel(kChannelB, {"Name=New", "Version=3", "OverrideExisting=1", "MenuName=Menu",
                                          "DistID=new-dist"})),
              kOk);
    EXPECT_EQ(ReadValue(key, "Name"), "New");
    EXPECT_EQ(ReadValue(key, "MenuName"), "Menu");
    EXPECT_EQ(ReadValue(key, "DistID"), std::nullopt);
}

TEST_F(ResponseProcessingTest, NewChannels) {
    // Repeated instruction keys are all dropped; a new channel keeps its "DistID".
    EXPECT_EQ(Process(Channel(kChannelA, {"Name=A", "Subscribe=0", "Subscribe=1", "OverrideExisting=1",
                                          "OverrideExisting=0", "DistID=dist"}) +
                      Channel(kChannelB, {"Name=B", "Subscribe=1"})),
              kOk);
    const std::string keyA = ChannelKey(kChannelA);
    EXPECT_EQ(ReadValue(keyA, "Priority"), "1");
    EXPECT_EQ(ReadValue(keyA, "Subscribed"), std::nullopt);
    EXPECT_EQ(ReadValue(keyA, "DistID"), "dist");
    EXPECT_EQ(ReadValue(keyA, "Subscribe"), std::nullopt);
    EXPECT_EQ(ReadValue(keyA, "OverrideExisting"), std::nullopt);
    EXPECT_EQ(ReadValue(keyA, "Path"), std::nullopt);
    EXPECT_EQ(IsSubscribed(kChannelA), 0);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelB), "Priority"), "2");
    EXPECT_EQ(IsSubscribed(kChannelB), 1);
}

TEST_F(ResponseProcessingTest, AChannelWhoseFilesCannotBeExtractedStopsTheProcessing) {
    const std::string response =
        Channel(kChannelA, {"Name=A", std::string("FileSets=") + kChannelSet}) + Channel(kChannelB, {"Name=B"});
    EXPECT_EQ(Process(response), Failed(ZULERR_NOT_FOUND));
    EXPECT_FALSE(recordtest::KeyExists(ChannelKey(kChannelA)));
    EXPECT_FALSE(recordtest::KeyExists(ChannelKey(kChannelB)));
}

TEST_F(ResponseProcessingTest, BlocksWithoutIdAreSkipped) {
    const char* none = "{00000000-0000-0000-0000-000000000000}";
    EXPECT_EQ(Process(Block("Channel", {"Name=nobody", std::string("FileSets=") + kChannelSet}) +
                      Block("FileSet", {"SourceURL=" + TestArchive("channel.FileSet")}) +
                      Block("Item", {std::string("Type=") + kFakeType, "Channel=x"}) +
                      Channel(kChannelB, {"Name=B"}) + FakeItem(kItemB, {})),
              kOk);
    EXPECT_FALSE(recordtest::KeyExists(ChannelKey(none)));
    EXPECT_TRUE(recordtest::KeyExists(ChannelKey(kChannelB)));
    EXPECT_FALSE(PathExists(FetchedArchive(none)));
    EXPECT_FALSE(recordtest::KeyExists(FileSetKey(none)));
    EXPECT_EQ(OfferedIds(), (std::vector<std::string>{kItemB}));
    EXPECT_EQ(Installed(), std::string(kItemB) + ",;");
}

TEST_F(ResponseProcessingTest, AMalformedFileSetIdAnswersBadGuidWithSFalse) {
    EXPECT_EQ(OUTCOME(m_manager->InstallFileSets(Text("junk"), Text(m_managerDir.c_str()), &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(OUTCOME(m_manager->PurgeItemFileSets(Text("{7A3B5C20}"), &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Process(Channel(kChannelA, {"Name=A", "FileSets=junk"})), Failed(ZULERR_BAD_GUID));
}

TEST_F(ResponseProcessingTest, DefaultItemsRunTheirInstallProgram) {
    const std::string fileSet = FileSetBlock(kInstallerSet, TestArchive("installer.FileSet"));

    ASSERT_EQ(Process(fileSet + DefaultItem(kItemA, "0")), kOk);
    const std::string entry = std::string(kItemA) + "," + kChannelA + ";";
    EXPECT_EQ(Installed(), entry);
    EXPECT_FALSE(PathExists(FetchedArchive(kInstallerSet)));
    std::vector<InstallRecord> log = ReadInstallLog(m_installLog);
    ASSERT_EQ(log.size(), 1u);
    const std::string workingDir = log[0].at("ProgramDirectory");
    EXPECT_NE(workingDir.find(kItemA), std::string::npos);
    EXPECT_FALSE(PathExists(workingDir));

    EXPECT_EQ(Process(fileSet + DefaultItem(kItemB, "33")), Failed(ZULERR_ALREADY_INSTALLED));
    EXPECT_EQ(Installed(), entry);
    EXPECT_FALSE(PathExists(FetchedArchive(kInstallerSet)));
    EXPECT_EQ(ReadInstallLog(m_installLog).size(), 2u);
}

TEST_F(ResponseProcessingTest, AFileSetCarryingTheManagerIsFetchedAndExtracted) {
    const std::string manager = FileBytes(ProgramDirectory() + "\\ZULMan.exe");
    const std::string archive = FileBytes(TestArchive("update.FileSet"));
    // The program's image holds the delimiter text, and so does the packed payload.
    size_t delimiters = 0;
    for (size_t at = archive.find(kFileSetDelimiter); at != std::string::npos;
         at = archive.find(kFileSetDelimiter, at + 1))
        ++delimiters;
    ASSERT_GT(delimiters, 2u);

    ASSERT_EQ(Process(FileSetBlock(kUpdateSet, TestArchive("update.FileSet")) +
                      Channel(kChannelA, {"Name=A", std::string("FileSets=") + kUpdateSet})),
              kOk);
    EXPECT_TRUE(FileBytes(ChannelDir(kChannelA) + "\\ZULMan.exe") == manager);
}

TEST_F(ResponseProcessingTest, WorkingDirectoriesGoAlsoWhenTheInstallProgramEndsAtOnce) {
    // The installer runs inside ZULMan, which has no console: each program gets one of its own.
    std::vector<std::string> ids;
    std::string response = FileSetBlock(kInstallerSet, TestArchive("installer.FileSet"));
    for (char digit = '1'; digit <= '8'; ++digit) {
        ids.push_back(std::string("{7A3B5C20-4444-4D6E-9F70-8192A3B4C50") + digit + "}");
        response += DefaultItem(ids.back().c_str(), "0", "OneLineInstall.exe");
    }
    ASSERT_EQ(Process(response), kOk);
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    for (const std::string& id : ids) EXPECT_FALSE(PathExists(temp + id)) << id;
}

TEST_F(ResponseProcessingTest, ItemsSharingAFileSetAllInstall) {
    const std::string itemC = "{7A3B5C20-3333-4D6E-9F70-8192A3B4C503}";
    ASSERT_EQ(Process(FileSetBlock(kInstallerSet, TestArchive("installer.FileSet")) + DefaultItem(kItemA, "0") +
                      DefaultItem(kItemB, "0") + FakeItem(itemC.c_str(), {})),
              kOk);
    EXPECT_EQ(ReadInstallLog(m_installLog).size(), 2u);
    EXPECT_EQ(OfferedIds(), (std::vector<std::string>{itemC}));
    EXPECT_EQ(Installed(), std::string(kItemA) + "," + kChannelA + ";" + kItemB + "," + kChannelA + ";" + itemC + ",;");
    EXPECT_FALSE(PathExists(FetchedArchive(kInstallerSet)));
    EXPECT_EQ(ReadValue(FileSetKey(kInstallerSet), "LocalPath"), "");
}

}  // namespace
}  // namespace managertest
