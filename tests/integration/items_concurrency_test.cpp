// Two client processes have the channel manager apply responses at the same time: both finish
// without a crash and the records they leave are well formed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"

using namespace testsupport;

namespace {

constexpr auto& kTessary = ProductKeys::kTessary;
constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kChannels = ProductKeys::kChannels;
const char kDefaultType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
// The test archives of the manager tests (bin\testdata\manager).
const char kChannelSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E02}";
constexpr int kChannelsPerResponse = 40;
constexpr int kItemsPerResponse = 3;

std::string Guid(unsigned group, unsigned index) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", 0x51000000u + group, index);
    return text;
}

// Both responses name the same channels (with different versions, so that one may replace
// the other's record) and items of their own.
std::string Response(int client, const std::string& log) {
    const std::string archives = BinDirectory() + "\\testdata\\manager\\";
    std::string text = "FileSet\r\n{\r\nGUID=" + std::string(kChannelSet) + "\r\nSourceURL=" + archives +
                       "channel.FileSet\r\n}\r\n";
    for (int i = 0; i < kChannelsPerResponse; ++i) {
        text += "Channel\r\n{\r\nGuid=" + Guid(1, i) + "\r\nName=Channel " + std::to_string(i) + " of client " +
                std::to_string(client) + "\r\nVersion=" + std::to_string(client + 1) +
                "\r\nOverrideExisting=1\r\nSubscribe=1\r\n";
        if (i % 10 == 0) text += "FileSets=" + std::string(kChannelSet) + "\r\n";
        text += "}\r\n";
    }
    // Each item has a file set of its own (the same archive under another id): an item's file
    // sets are purged once it has been offered.
    for (int i = 0; i < kItemsPerResponse; ++i) {
        const std::string fileSet = Guid(4 + client, i);
        text += "FileSet\r\n{\r\nGUID=" + fileSet + "\r\nSourceURL=" + archives + "installer.FileSet\r\n}\r\n";
        text += "Item\r\n{\r\nGuid=" + Guid(2 + client, i) + "\r\nType=" + kDefaultType + "\r\nChannel=" + Guid(1, i) +
                "\r\nFileSets=" + fileSet + "\r\nInstallFileSet=" + fileSet +
                "\r\nInstallFile=TestInstall.exe\r\nInstallArgs=/sleep=100 /log=\"" + log + "\"\r\n}\r\n";
    }
    return text;
}

std::vector<std::string> SubKeys(const char* key) {
    std::vector<std::string> names;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(handle, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
    RegCloseKey(handle);
    return names;
}

class ItemsConcurrencyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StopAllManagers();
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    }
    static void TearDownTestSuite() { StopAllManagers(); }
    void SetUp() override {
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        directory = MakeScratchDirectory("items-concurrency");
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "Path", directory);
    }
    void TearDown() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
    }

    std::string directory;
};

TEST_F(ItemsConcurrencyTest, TwoClientsApplyResponsesAtOnce) {
    const std::string log = directory + "\\install.log";
    std::vector<PROCESS_INFORMATION> clients;
    for (int client = 0; client < 2; ++client) {
        const std::string file = directory + "\\response" + std::to_string(client) + ".txt";
        ASSERT_TRUE(WriteFileBytes(file, Response(client, log)));
        clients.push_back(StartProgramAsync(BinPath("tools\\zulctl.exe"), "load \"" + file + "\""));
        ASSERT_TRUE(clients.back().hProcess);
    }
    for (PROCESS_INFORMATION& client : clients) {
        EXPECT_EQ(WaitForSingleObject(client.hProcess, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD code = 999;
        GetExitCodeProcess(client.hProcess, &code);
        EXPECT_EQ(code, 0u) << "a client's ProcessResponseData failed";
        CloseHandle(client.hThread);
        CloseHandle(client.hProcess);
    }

    // Every channel is recorded whole, subscribed, with a positive priority and without the
    // instructions of its block.
    const std::vector<std::string> channels = SubKeys(kChannels);
    EXPECT_EQ(channels.size(), static_cast<size_t>(kChannelsPerResponse));
    for (const std::string& id : channels) {
        const std::string key = std::string(kChannels) + "\\" + id;
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "Subscribed"), "1") << id;
        EXPECT_GT(std::atoi(ReadString(HKEY_LOCAL_MACHINE, key, "Priority").value_or("0").c_str()), 0) << id;
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "Name").value_or("").rfind("Channel ", 0), 0u) << id;
        EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, key, "Subscribe").has_value()) << id;
        EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, key, "OverrideExisting").has_value()) << id;
    }
    EXPECT_TRUE(PathExists(directory + "\\Channel\\" + Guid(1, 0) + "\\readme.txt"));

    // Every item ran once and is listed once as "<item>,<channel>;".
    const std::string installed = ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("");
    std::set<std::string> entries;
    size_t start = 0;
    for (size_t end; (end = installed.find(';', start)) != std::string::npos; start = end + 1)
        EXPECT_TRUE(entries.insert(installed.substr(start, end - start)).second) << installed;
    EXPECT_EQ(start, installed.size()) << installed;
    EXPECT_EQ(entries.size(), static_cast<size_t>(2 * kItemsPerResponse)) << installed;
    for (const std::string& entry : entries) EXPECT_EQ(entry.size(), 38u + 1u + 38u) << entry;
    const std::string text = ReadFileText(log);
    size_t runs = 0;
    for (size_t at = 0; (at = text.find("[TestInstall]", at)) != std::string::npos; ++at) ++runs;
    EXPECT_EQ(runs, static_cast<size_t>(2 * kItemsPerResponse));
}

}  // namespace
