// Faults a resident ZULMan survives: killed in the middle of a file-set download or while an
// install program runs, a distribution server that fails for a whole day, and a client applying
// an answer while the check-in applies another. Nothing recorded is lost and nothing half-done
// is recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"
#include "tests/integration/devserver_test_support.h"
#include "tests/integration/transfer_test_support.h"

using namespace testsupport;
using devservertest::DevServer;
using devservertest::JsonText;
using devservertest::Ok200;
using devservertest::RegisterManagerWithoutRecords;
using devservertest::ScheduleNowMs;
using devservertest::ScheduleNumber;
using devservertest::ScheduleText;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kCheckin = ProductKeys::kCheckin;
const char kBigSet[] = "{7D2E5A10-0C1B-4E2F-9A3B-5C6D7E8F9001}";      // big.FileSet: payload.bin, stored
const char kInstallerSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01}";  // TestInstall.exe + setup.dat
const char kChannel[] = "{7D2E5A10-1111-4E2F-9A3B-5C6D7E8F9002}";
const char kSecondSet[] = "{7D2E5A10-0C1B-4E2F-9A3B-5C6D7E8F9006}";    // the installer set again
const char kOldChannel[] = "{7D2E5A10-2222-4E2F-9A3B-5C6D7E8F9007}";
const char kItem[] = "{7D2E5A10-3333-4E2F-9A3B-5C6D7E8F9003}";
const char kDoneItem[] = "{7D2E5A10-6666-4E2F-9A3B-5C6D7E8F9008}";
const char kReported[] = "{7D2E5A10-4444-4E2F-9A3B-5C6D7E8F9004},{7D2E5A10-5555-4E2F-9A3B-5C6D7E8F9005};";
const char kDefaultType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
const std::string kOk = "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n";
constexpr unsigned long long kMinute = 60000;

std::string Guid(unsigned group, int index) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", 0x7D000000u + group, static_cast<unsigned>(index));
    return text;
}

std::string FileSetBlock(const char* guid, const std::string& source) {
    return "FileSet\r\n{\r\nGUID=" + std::string(guid) + "\r\nSourceURL=" + source + "\r\n}\r\n";
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void KillAll(const char* exeName) {
    for (DWORD pid : FindProcesses(exeName)) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
}

class FaultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterManagerWithoutRecords()); }
    void SetUp() override {
        ASSERT_TRUE(RegisterManagerWithoutRecords("faults-manager", managerDir));

        ASSERT_TRUE(server.Running());
        server.PointManagerAt();
        WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
        // A channel subscribed earlier gives every check-in something to report.
        WriteString(HKEY_LOCAL_MACHINE, kOldChannelKey, "Subscribed", "1");
        WriteString(HKEY_LOCAL_MACHINE, kOldChannelKey, "Priority", "3");
        WriteString(HKEY_LOCAL_MACHINE, kOldChannelKey, "DistID", "D3");
        installLog = MakeScratchDirectory("faults-log") + "\\install.log";
    }
    void TearDown() override {
        KillAll("ZULMan.exe");
        KillAll("TestInstall.exe");
        StopAllManagers();
    }

    // Each entry: the raw JSON of one scripted answer.
    void ScriptRaw(const std::vector<std::string>& answers) { ASSERT_TRUE(server.ScriptRaw(answers)); }
    std::vector<std::string> Requests() const { return server.Requests(); }
    template <class Done>
    static bool WaitFor(Done done, int tenths) {
        for (int i = 0; i < tenths; ++i) {
            if (done()) return true;
            Sleep(100);
        }
        return done();
    }
    // Starts a resident manager and kills it (TerminateProcess) as soon as `when` holds.
    template <class When>
    void KillResidentWhen(When when) {
        PROCESS_INFORMATION info = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
        ASSERT_TRUE(info.hProcess);
        const bool caught = WaitFor(when, 300);
        TerminateProcess(info.hProcess, 1);
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        // Wine's COM service keeps the killed server's class registrations and sends later
        // activations to them (RPC_S_SERVER_UNAVAILABLE); restarting the service forgets them,
        // as Windows does by itself when a server process dies.
        KillAll("rpcss.exe");
        ASSERT_TRUE(caught) << "the manager never reached the moment to be killed";
    }
    template <class Done>
    void RunResidentUntil(Done done) {
        devservertest::ResidentManager resident;
        ASSERT_TRUE(resident.Started());
        EXPECT_TRUE(devservertest::WaitUntil(done, 40000));
        EXPECT_TRUE(resident.Stop());
    }
    // An item of the default type whose install program is TestInstall.exe from `fileSet`.
    std::string ItemBlock(const char* guid, const char* fileSet, const std::string& args) const {
        return "Item\r\n{\r\nGuid=" + std::string(guid) + "\r\nType=" + kDefaultType + "\r\nChannel=" + kChannel +
               "\r\nName=Game\r\nFileSets=" + fileSet + "\r\nInstallFileSet=" + fileSet +
               "\r\nInstallFile=TestInstall.exe\r\nInstallArgs=/log=\"" + installLog + "\" " + args + "\r\n}\r\n";
    }
    std::optional<std::string> Record(const char* kind, const char* id, const char* value) {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\" + kind + "\\" + id, value);
    }

    const std::string kOldChannelKey = std::string(ProductKeys::kChannels) + "\\" + kOldChannel;
    DevServer server;
    std::string managerDir, installLog;
};

TEST_F(FaultsTest, KilledMidDownloadRecordsNothingAndRefetchesWholeFileSet) {
    // The archive is served by nginx's paced location, slow enough to be caught midway.
    const std::string source = WindowsPathOf(Environment("ZUL_FAULTS_DIR")) + "\\big.FileSet";
    const std::string html = transfertest::FixtureDir() + "\\html\\paced\\faults";
    CreateDirectoryA(html.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(source.c_str(), (html + "\\big.FileSet").c_str(), FALSE));
    const std::vector<uint8_t> original = transfertest::ReadBytes(source);
    ASSERT_GT(original.size(), 1000000u);

    const std::string answer = kOk + "FileSet\r\n{\r\nGUID=" + kBigSet + "\r\nSourceURL=" +
                               transfertest::NginxUrl("/paced/faults/big.FileSet") + "\r\n}\r\n"
                               "Channel\r\n{\r\nGuid=" + kChannel + "\r\nName=Big Channel\r\nSubscribe=1\r\nFileSets=" +
                               kBigSet + "\r\n}\r\n";
    ScriptRaw({Ok200(answer), Ok200(answer)});

    const std::string target = managerDir + "\\FileSets\\" + kBigSet + ".FileSet";
    const std::string channelDir = managerDir + "\\Channel\\" + kChannel;
    const long long full = static_cast<long long>(original.size());
    KillResidentWhen([&] {
        const long long size = FileSize(target);
        return size > 100000 && size < full / 2;
    });

    // Part of the archive lies in the store, but nothing names it and nothing was extracted.
    EXPECT_LT(FileSize(target), full);
    EXPECT_FALSE(Record("FS_Info", kBigSet, "LocalPath"));
    EXPECT_FALSE(Record("Channel", kChannel, "Path"));
    EXPECT_FALSE(PathExists(channelDir + "\\payload.bin"));

    // The next check-in fetches the archive again and completes it byte for byte.
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    RunResidentUntil([&] { return PathExists(channelDir + "\\payload.bin") && Record("Channel", kChannel, "Path"); });
    EXPECT_EQ(Requests().size(), 2u);
    EXPECT_EQ(Record("FS_Info", kBigSet, "LocalPath"), target);
    EXPECT_TRUE(transfertest::ReadBytes(target) == original) << "the stored archive differs from the served one";
    EXPECT_TRUE(transfertest::ReadBytes(channelDir + "\\payload.bin") ==
                transfertest::ReadBytes(WindowsPathOf(Environment("ZUL_FAULTS_DIR")) + "\\src\\big\\payload.bin"));
    EXPECT_EQ(Record("Channel", kChannel, "Subscribed"), "1");

    // The second fetch carried the whole archive (nginx logs the body bytes it sent after the
    // status), not only the rest of the first one.
    const std::string access = ReadFileText(transfertest::FixtureDir() + "\\logs\\access.log");
    const size_t last = access.rfind("GET /paced/faults/big.FileSet");
    ASSERT_NE(last, std::string::npos);
    const std::string line = access.substr(last, access.find('\n', last) - last);
    EXPECT_TRUE(line.find("\" 200 " + std::to_string(full) + " ") != std::string::npos ||
                line.find("\" 206 " + std::to_string(full) + " ") != std::string::npos) << line;
}

TEST_F(FaultsTest, KilledWhileInstallingKeepsReportedItemsAndDoesNotReportTheItem) {
    // Two items, each with its own copy of the installer set (an item's sets are purged after
    // it): the first installs at once, the second's program is still running when ZULMan dies.
    const std::string archive = BinPath("testdata\\manager\\installer.FileSet");
    const std::string done = std::string(kDoneItem) + "," + kChannel + ";";
    ScriptRaw({Ok200(kOk + FileSetBlock(kInstallerSet, archive) + ItemBlock(kDoneItem, kInstallerSet, "/exit=0") +
                     FileSetBlock(kSecondSet, archive) + ItemBlock(kItem, kSecondSet, "/sleep=30000")),
               Ok200(kOk)});

    KillResidentWhen([&] {
        return ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems") == done && !FindProcesses("TestInstall.exe").empty();
    });
    KillAll("TestInstall.exe");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), done);

    // The next check-in reports the finished item, and not the interrupted one.
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    RunResidentUntil([&] { return Requests().size() >= 2 && ScheduleText("NextChannelCheckin") != "0"; });
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].find("&installed=" + done), std::string::npos) << requests[1];
    EXPECT_EQ(requests[1].find(kItem), std::string::npos) << requests[1];
}

TEST_F(FaultsTest, FailingServerForADayBacksOffLosesNothingAndAppliesTheFirstGoodAnswer) {
    const std::string& channelKey = kOldChannelKey;
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems", kReported);
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "LastChannelCheckin", "12345");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "ChannelCheckinInterval", "1440");

    const std::string good = kOk + FileSetBlock(kInstallerSet, BinPath("testdata\\manager\\installer.FileSet")) +
                             "Channel\r\n{\r\nGuid=" + kChannel + "\r\nName=New Channel\r\nSubscribe=1\r\n}\r\n" +
                             ItemBlock(kItem, kInstallerSet, "/exit=0");
    struct Fault {
        const char* what;
        std::string answer;
        unsigned long long backoffMinutes;  // 0: the normal schedule
    };
    // Together the back-offs span more than a day.
    const std::vector<Fault> faults = {
        {"connection dropped mid-answer", "{\"status\": 200, \"body\": \"" + JsonText(good) + "\", \"close_after\": 40}", 60},
        {"connection dropped before any byte", "{\"status\": 200, \"body\": \"" + JsonText(good) + "\", \"close_after\": 0}", 60},
        {"server error", "{\"status\": 500, \"body\": \"" + JsonText(good) + "\"}", 24 * 60},
        {"garbage", Ok200("<html><body>Service temporarily unavailable</body></html>"), 1440},
    };
    std::vector<std::string> script;
    for (const Fault& fault : faults) script.push_back(fault.answer);
    script.push_back(Ok200(good));
    ScriptRaw(script);

    size_t checkins = 0;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
        const unsigned long long before = ScheduleNowMs();
        RunResidentUntil([&] { return Requests().size() > checkins && ScheduleText("NextChannelCheckin") != "0"; });
        const unsigned long long after = ScheduleNowMs();
        ++checkins;
        ASSERT_EQ(Requests().size(), checkins);
        EXPECT_NE(Requests().back().find(std::string("&installed=") + kReported), std::string::npos);
        const unsigned long long next = ScheduleNumber("NextChannelCheckin");
        EXPECT_GE(next, before + fault.backoffMinutes * kMinute);
        EXPECT_LE(next, after + fault.backoffMinutes * kMinute);
        // Nothing recorded is lost and nothing of the answer is taken over.
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), kReported);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "DistID"), "D3");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "Subscribed"), "1");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(ProductKeys::kChannels) + "\\" + kChannel));
    }

    // The first good answer is applied in full: channel, item, pending list and schedule.
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    const std::string entry = std::string(kItem) + "," + kChannel + ";";
    RunResidentUntil([&] { return ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems") == entry; });
    EXPECT_EQ(Requests().size(), checkins + 1);
    EXPECT_EQ(Record("Channel", kChannel, "Name"), "New Channel");
    EXPECT_EQ(Record("Channel", kChannel, "Subscribed"), "1");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, channelKey, "DistID"), "D3");
    EXPECT_NE(ReadFileText(installLog).find("/exit=0"), std::string::npos);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "ok");
    const unsigned long long last = ScheduleNumber("LastChannelCheckin");
    EXPECT_EQ(ScheduleNumber("NextChannelCheckin"), last + 1440 * kMinute);
}

// The check-in worker processes a server answer while a client (as the front-end does) has the
// same manager process another answer with items of its own.
TEST_F(FaultsTest, CheckinAndClientApplyAnswersAtOnce) {
    constexpr int kChannelsEach = 25;
    constexpr int kItemsEach = 2;
    const std::string archive = BinPath("testdata\\manager\\installer.FileSet");
    auto answer = [&](unsigned group) {
        std::string text;
        for (int i = 0; i < kChannelsEach; ++i)
            text += "Channel\r\n{\r\nGuid=" + Guid(group, i) + "\r\nName=Channel " + std::to_string(i) +
                    "\r\nSubscribe=1\r\n}\r\n";
        for (int i = 0; i < kItemsEach; ++i) {
            const std::string fileSet = Guid(group + 2, i);
            text += FileSetBlock(fileSet.c_str(), archive) + ItemBlock(Guid(group + 4, i).c_str(), fileSet.c_str(), "/sleep=300");
        }
        return text;
    };
    ScriptRaw({Ok200(kOk + answer(1))});
    const std::string file = MakeScratchDirectory("faults-client") + "\\answer.txt";
    ASSERT_TRUE(WriteFileBytes(file, answer(2)));

    const std::string diag = MakeScratchDirectory("faults-diag") + "\\diag.log";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "LogFile", diag);
    PROCESS_INFORMATION manager = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
    ASSERT_TRUE(manager.hProcess);
    ASSERT_TRUE(WaitFor([&] { return !Requests().empty(); }, 300));
    const DWORD started = GetTickCount();
    PROCESS_INFORMATION client = StartProgramAsync(BinPath("tools\\zulctl.exe"), "load \"" + file + "\"");
    ASSERT_TRUE(client.hProcess);
    EXPECT_EQ(WaitForSingleObject(client.hProcess, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 999;
    GetExitCodeProcess(client.hProcess, &code);
    EXPECT_EQ(code, 0u) << "the client's answer was not applied after " << GetTickCount() - started << " ms\n" << ReadFileText(diag);
    CloseHandle(client.hThread);
    CloseHandle(client.hProcess);
    EXPECT_TRUE(WaitFor([&] { return ScheduleText("NextChannelCheckin") != "0"; }, 600));
    DWORD alive = 0;
    EXPECT_TRUE(GetExitCodeProcess(manager.hProcess, &alive) && alive == STILL_ACTIVE) << "the manager died";
    PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
    EXPECT_EQ(WaitForSingleObject(manager.hProcess, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(manager.hThread);
    CloseHandle(manager.hProcess);

    // Every channel of both answers is recorded, subscribed, with a priority of its own.
    std::set<int> priorities;
    for (unsigned group : {1u, 2u}) {
        for (int i = 0; i < kChannelsEach; ++i) {
            const std::string key = std::string(ProductKeys::kChannels) + "\\" + Guid(group, i);
            EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "Subscribed"), "1") << key;
            EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "Name"), "Channel " + std::to_string(i)) << key;
            const int priority = std::atoi(ReadString(HKEY_LOCAL_MACHINE, key, "Priority").value_or("0").c_str());
            EXPECT_GT(priority, 0) << key;
            EXPECT_TRUE(priorities.insert(priority).second) << key << " shares priority " << priority;
        }
    }
    // Every item of both answers is listed once, each entry whole.
    const std::string installed = ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("");
    for (unsigned group : {1u, 2u})
        for (int i = 0; i < kItemsEach; ++i) {
            const std::string entry = Guid(group + 4, i) + "," + kChannel + ";";
            const size_t at = installed.find(entry);
            EXPECT_NE(at, std::string::npos) << installed;
            EXPECT_EQ(installed.find(entry, at + 1), std::string::npos) << installed;
        }
    EXPECT_EQ(installed.size(), static_cast<size_t>(2 * kItemsEach) * (38 + 1 + 38 + 1)) << installed;
}

}  // namespace
