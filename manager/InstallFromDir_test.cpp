// Offline packages: "ItemInfo.dat" and the archives it names, relative to the package.
#include "manager/ManagerTestSupport.h"
#include "common/ProgramTestSupport.h"

namespace managertest {
namespace {

class InstallFromDirTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m_package = Scratch("package");
    }
    void WritePackage(const std::string& text) {
        ASSERT_TRUE(testsupport::WriteFileBytes(m_package + "\\ItemInfo.dat", text));
    }
    void CopyArchive(const char* archive, const std::string& target) {
        ASSERT_TRUE(CopyFileA(TestArchive(archive).c_str(), (m_package + "\\" + target).c_str(), FALSE));
    }
    Outcome Install(const std::string& directory) {
        std::string copy = directory;
        return OUTCOME(m_manager->InstallFromDir(copy.data(), &ret));
    }

    std::string m_package;
};

TEST_F(InstallFromDirTest, APackageIsAppliedLikeAResponse) {
    CreateDirectoryA((m_package + "\\setup").c_str(), nullptr);
    CopyArchive("channel.FileSet", "channel.FileSet");
    CopyArchive("installer.FileSet", "setup\\installer.FileSet");
    WritePackage(FileSetBlock(kChannelSet, "channel.FileSet") + FileSetBlock(kInstallerSet, "\\setup\\installer.FileSet") +
                 Block("Channel", {std::string("Guid=") + kChannelA, "Name=Package Channel", "Subscribe=1",
                                   std::string("FileSets=") + kChannelSet}) +
                 Block("Item", {std::string("Guid=") + kItemA, std::string("Type=") + kDefaultType,
                                std::string("Channel=") + kChannelA, std::string("FileSets=") + kInstallerSet,
                                std::string("InstallFileSet=") + kInstallerSet, "InstallFile=TestInstall.exe",
                                "InstallArgs=/log=\"" + m_installLog + "\" package"}));

    ASSERT_EQ(Install(m_package + "\\"), kOk);
    EXPECT_TRUE(PathExists(m_managerDir + "\\Channel\\" + kChannelA + "\\docs\\about.txt"));
    EXPECT_EQ(IsSubscribed(kChannelA), 1);
    const std::vector<InstallRecord> log = ReadInstallLog(m_installLog);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].at("Arguments"), "/log=\"" + m_installLog + "\" package");
    EXPECT_EQ(ReadValue(kProductKey, "InstalledItems"), std::string(kItemA) + "," + kChannelA + ";");
    // The package stays as it was.
    EXPECT_TRUE(PathExists(m_package + "\\setup\\installer.FileSet"));
}

TEST_F(InstallFromDirTest, SourcesAreAlwaysTakenFromThePackage) {
    // A web address is made relative to the package too, so it is copied, not downloaded.
    WritePackage(FileSetBlock(kChannelSet, "http://127.0.0.1:1/channel.FileSet"));
    EXPECT_EQ(Install(m_package), Failed(ZULERR_FILE_COPY_FAILED));

    // A block without source names a file set fetched before.
    std::string source = TestArchive("channel.FileSet");
    ZULError ret;
    ASSERT_EQ(m_manager->DownloadFileSet(Text(kChannelSet), nullptr, source.data(), &ret), S_OK);
    WritePackage(Block("FileSet", {std::string("GUID=") + kChannelSet}) +
                 Block("Channel", {std::string("Guid=") + kChannelB, std::string("FileSets=") + kChannelSet}));
    EXPECT_EQ(Install(m_package), kOk);
    EXPECT_TRUE(PathExists(m_managerDir + "\\Channel\\" + kChannelB + "\\readme.txt"));
}

TEST_F(InstallFromDirTest, ADirectoryWithoutPackage) {
    EXPECT_EQ(Install(m_package), Failed(ZULERR_FILE_NOT_FOUND));
    CreateDirectoryA((m_package + "\\ItemInfo.dat").c_str(), nullptr);
    EXPECT_EQ(Install(m_package), Failed(ZULERR_FILE_NOT_FOUND));
    EXPECT_EQ(OUTCOME(m_manager->InstallFromDir(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
}

}  // namespace
}  // namespace managertest
