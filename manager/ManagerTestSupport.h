// Helpers of the manager tests: a fixture with an in-process manager object, a scratch
// manager directory and a fake item installer, the test archives, and response texts.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/ProductKeys.h"
#include "records/RecordTestSupport.h"

namespace managertest {

using recordtest::Condition;
using recordtest::Failed;
using recordtest::kOk;
using recordtest::Outcome;
using recordtest::ReadValue;
using recordtest::Take;
using recordtest::Text;
using recordtest::WriteValue;

// The archives built beside the tests (bin\testdata\manager): the test install programs
// "TestInstall.exe" and "OneLineInstall.exe" with "setup.dat", and a channel's "readme.txt"
// and "docs\about.txt".
constexpr char kInstallerSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01}";
constexpr char kChannelSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E02}";
// "update.FileSet": ZULMan.exe, whose image holds the archive delimiter text.
constexpr char kUpdateSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E03}";
std::string TestArchive(const char* fileName);

constexpr char kDefaultType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
// An item type served by the fake installer, and the fake's class.
constexpr char kFakeType[] = "{2C7D1E90-5A4B-4F3C-8E2D-1B0A9F8E7D01}";
constexpr char kFakeClsidText[] = "{2C7D1E90-5A4B-4F3C-8E2D-1B0A9F8E7DC1}";

constexpr char kChannelA[] = "{6F4E2D10-1111-4A2B-8C3D-4E5F60718201}";
constexpr char kChannelB[] = "{6F4E2D10-2222-4A2B-8C3D-4E5F60718202}";
constexpr char kItemA[] = "{7A3B5C20-1111-4D6E-9F70-8192A3B4C501}";
constexpr char kItemB[] = "{7A3B5C20-2222-4D6E-9F70-8192A3B4C502}";

inline constexpr auto& kProductKey = ProductKeys::kZUL;
std::string ChannelKey(const char* id);
std::string ItemKey(const char* id);
std::string FileSetKey(const char* id);
std::string InstallerKey(const char* type);

// What the fake installer was handed: the item's id and the properties it held.
struct Offer {
    std::string id;
    std::map<std::string, std::string> props;
};

// The fake installer's script and record, shared by every fake object of the process.
struct FakeInstallerState {
    HRESULT installHr = S_OK;
    ZULError installCode = ZULERR_SUCCESS;
    std::vector<Offer> installs;
    std::vector<std::string> uninstalls;
    // Runs inside InstallItem, before it answers.
    std::function<void(I_ZULItem*)> onInstall;
};
FakeInstallerState& FakeInstaller();

// Property names the fake reads from the items it is handed.
extern const char* const kOfferedProps[];

// A block of block text: "Type\r\n{\r\n" lines "}\r\n".
std::string Block(const char* type, const std::vector<std::string>& lines);
std::string FileSetBlock(const char* id, const std::string& source);

// One record of the test install program's log, by key.
using InstallRecord = std::map<std::string, std::string>;
std::vector<InstallRecord> ReadInstallLog(const std::string& path);

bool PathExists(const std::string& path);

// COM, an empty product key with "Path" on a fresh manager directory, a manager object of this
// process and the fake installer registered for kFakeType. ZULMan is registered once for the
// suite (the default installer and the download manager are activated through COM) and ended
// afterwards.
class ManagerTest : public recordtest::RecordsTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Loads the text into a new response object and processes it.
    Outcome Process(const std::string& text);
    Outcome Subscribe(const char* id);
    LONG IsSubscribed(const char* id);

    // <temporary directory>\zultest-<name>, fresh.
    static std::string Scratch(const char* name);

    std::string m_managerDir;
    std::string m_installLog;
    Microsoft::WRL::ComPtr<I_ZULManager> m_manager;

private:
    DWORD m_fakeCookie = 0;
};

}  // namespace managertest
