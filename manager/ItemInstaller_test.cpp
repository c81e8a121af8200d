// The default item installer: the install program runs from a working directory of its own,
// its exit code is the result, and the directory is gone afterwards on every path.
#include <wrl/client.h>

#include "common/ComObject.h"
#include "manager/ItemInstaller.h"
#include "manager/ManagerTestSupport.h"
#include "common/ProgramTestSupport.h"

using Microsoft::WRL::ComPtr;

namespace managertest {
namespace {

class DefaultInstallerTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        ASSERT_EQ(ComObject<I_ItemInstaller>::Create<ItemInstaller>(IID_I_ItemInstaller, &m_installer), S_OK);
        std::string source = TestArchive("installer.FileSet");
        ZULError ret;
        ASSERT_EQ(m_manager->DownloadFileSet(Text(kInstallerSet), nullptr, source.data(), &ret), S_OK);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        m_workingDir = std::string(temp) + kItemA;
    }

    // An item of the default type, not stored, with the install properties.
    ComPtr<I_ZULItem> Item(const std::string& args, const char* type = kDefaultType,
                           const char* program = "TestInstall.exe", const char* fileSet = kInstallerSet) {
        ComPtr<I_ZULItem> item;
        ZULError ret;
        EXPECT_EQ(m_manager->GetItemInfo(Text(kItemA), &item, &ret), S_OK);
        if (type) item->SetProp(Text("Type"), Text(type), &ret);
        if (fileSet) item->SetProp(Text("InstallFileSet"), Text(fileSet), &ret);
        if (program) item->SetProp(Text("InstallFile"), Text(program), &ret);
        if (!args.empty()) item->SetProp(Text("InstallArgs"), Text(args.c_str()), &ret);
        return item;
    }
    std::string Args(const char* exitCode) { return std::string("/exit=") + exitCode + " /log=\"" + m_installLog + "\""; }
    Outcome Install(const ComPtr<I_ZULItem>& item) { return OUTCOME(m_installer->InstallItem(item.Get(), &ret)); }
    Outcome Uninstall(const ComPtr<I_ZULItem>& item) { return OUTCOME(m_installer->UninstallItem(item.Get(), &ret)); }

    ComPtr<I_ItemInstaller> m_installer;
    std::string m_workingDir;
};

TEST_F(DefaultInstallerTest, RunsTheInstallProgramFromItsOwnWorkingDirectory) {
    const std::string args = Args("0") + " \"Star fall\" second";
    EXPECT_EQ(Install(Item(args)), kOk);

    const std::vector<InstallRecord> log = ReadInstallLog(m_installLog);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].at("Arguments"), args);
    EXPECT_EQ(log[0].at("CommandLine"), "\"" + m_workingDir + "\\TestInstall.exe\" " + args);
    EXPECT_EQ(lstrcmpiA(log[0].at("ProgramDirectory").c_str(), m_workingDir.c_str()), 0);
    EXPECT_NE(log[0].at("ProgramFiles").find("setup.dat"), std::string::npos);
    EXPECT_FALSE(PathExists(m_workingDir));
    // The default installer leaves storing the item to others.
    EXPECT_FALSE(recordtest::KeyExists(ItemKey(kItemA)));
}

TEST_F(DefaultInstallerTest, TheExitCodeIsTheResult) {
    EXPECT_EQ(Install(Item(Args("31"))), Failed(ZULERR_EULA_NOT_ACCEPTED));
    EXPECT_FALSE(PathExists(m_workingDir));
    EXPECT_EQ(Install(Item(Args("33"))), Failed(ZULERR_ALREADY_INSTALLED));
    EXPECT_FALSE(PathExists(m_workingDir));
    EXPECT_EQ(ReadInstallLog(m_installLog).size(), 2u);
}

TEST_F(DefaultInstallerTest, TheWorkingDirectoryGoesWhenTheProgramCannotRun) {
    EXPECT_EQ(Install(Item(Args("0"), kDefaultType, "Missing.exe")), Failed(ZULERR_LAUNCH_PROCESS_FAILED));
    EXPECT_FALSE(PathExists(m_workingDir));
    // A file set that was never fetched.
    EXPECT_EQ(Install(Item(Args("0"), kDefaultType, "TestInstall.exe", kChannelSet)), Failed(ZULERR_NOT_FOUND));
    EXPECT_FALSE(PathExists(m_workingDir));
    EXPECT_TRUE(ReadInstallLog(m_installLog).empty());
}

TEST_F(DefaultInstallerTest, ItemsThatAreNotComplete) {
    // A file where the working directory would go shows how far each attempt got.
    ASSERT_TRUE(testsupport::WriteFileBytes(m_workingDir, "in the way"));
    EXPECT_EQ(Install(Item("")), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(Install(Item(Args("0"), kDefaultType, nullptr)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(Install(Item(Args("0"), nullptr)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(Install(Item(Args("0"), "no type")), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Install(Item(Args("0"), kFakeType)), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    EXPECT_EQ(Install(Item(Args("0"))), Failed(ZULERR_CREATE_DIR_FAILED));
    EXPECT_TRUE(ReadInstallLog(m_installLog).empty());
    DeleteFileA(m_workingDir.c_str());
}

TEST_F(DefaultInstallerTest, UninstallNeverUninstalls) {
    EXPECT_EQ(Uninstall(Item("")), Failed(ZULERR_UNINSTALL_NOT_SUPPORTED));
    EXPECT_EQ(Uninstall(Item("", kFakeType)), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    EXPECT_EQ(Uninstall(Item("", "{not a type}")), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Uninstall(Item("", nullptr)), Failed(ZULERR_NOT_FOUND));
}

}  // namespace
}  // namespace managertest
