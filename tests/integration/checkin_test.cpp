// The check-in worker of a resident ZULMan against the development distribution server: the
// stored schedule after each outcome, the request body and the machine-identifier reset.
#include <windows.h>

#include <gtest/gtest.h>


#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"
#include "tests/integration/devserver_test_support.h"

using namespace testsupport;
using devservertest::RegisterManagerWithoutRecords;
using devservertest::ScheduleNowMs;
using devservertest::ScheduleNumber;
using devservertest::ScheduleText;

namespace {

constexpr auto& kTessary = ProductKeys::kTessary;
constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kCheckin = ProductKeys::kCheckin;
const std::string kChannel = std::string(ProductKeys::kChannels) + "\\";
const char kMachine[] = "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}";
const char kItem[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B10}";
constexpr unsigned long long kMinute = 60000;

void AddChannel(const char* guid, const char* subscribed, const char* priority, const char* distId) {
    const std::string key = std::string(kChannel) + guid;
    if (subscribed) WriteString(HKEY_LOCAL_MACHINE, key, "Subscribed", subscribed);
    if (priority) WriteString(HKEY_LOCAL_MACHINE, key, "Priority", priority);
    if (distId) WriteString(HKEY_LOCAL_MACHINE, key, "DistID", distId);
    WriteString(HKEY_LOCAL_MACHINE, key, "Name", "test channel");
}

class CheckinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterManagerWithoutRecords()); }
    void SetUp() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        ASSERT_TRUE(server.Running()) << "ZUL_DEVSERVER_STATE names no running server";
        server.PointManagerAt();
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "MachineGuid", kMachine);
        stopped = CreateEventA(nullptr, TRUE, FALSE, "C_Checkin::m_hStoppedEvent");
        ResetEvent(stopped);
    }
    void TearDown() override {
        StopAllManagers();
        CloseHandle(stopped);
    }

    void Script(const std::string& json) { ASSERT_TRUE(server.ScriptJson(json)); }
    static std::string OkAnswer(const char* interval) {
        return std::string(R"([{"status": 200, "body": "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=)") + interval +
               R"(\r\n}\r\n"}])";
    }
    std::vector<std::string> Requests() const { return server.Requests(); }

    // Runs a resident manager until `done` holds (or 15 s pass), then shuts it down and checks
    // that it ended promptly with the worker's stopped event set.
    template <class Done>
    void RunResidentUntil(Done done) {
        PROCESS_INFORMATION info = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
        ASSERT_TRUE(info.hProcess);
        for (int i = 0; i < 150 && !done(); ++i) Sleep(100);
        Sleep(300);
        PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
        EXPECT_EQ(WaitForSingleObject(stopped, 8000), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    void RunUntilRequests(size_t count) {
        RunResidentUntil([&] { return Requests().size() >= count && ScheduleText("LastChannelCheckinStatus").has_value(); });
    }

    devservertest::DevServer server;
    HANDLE stopped = nullptr;
};

TEST_F(CheckinTest, FirstRunStoresAScheduleFiveMinutesAhead) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    const unsigned long long before = ScheduleNowMs();
    RunResidentUntil([&] { return ScheduleText("NextChannelCheckin").has_value(); });
    EXPECT_EQ(ScheduleText("LastChannelCheckin"), "0");
    EXPECT_EQ(ScheduleText("ChannelCheckinInterval"), "11000");
    const unsigned long long next = ScheduleNumber("NextChannelCheckin");
    EXPECT_GE(next, before + 5 * kMinute);
    EXPECT_LE(next, ScheduleNowMs() + 5 * kMinute);
    EXPECT_TRUE(Requests().empty());
}

TEST_F(CheckinTest, DueCheckinWithOkAnswerStoresTheIntervalAndClearsInstalledItems) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "12");
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems", std::string(kItem) + ",{11111111-1111-1111-1111-111111111111};");
    Script(OkAnswer("1440"));
    RunUntilRequests(1);
    ASSERT_EQ(Requests().size(), 1u);
    const unsigned long long last = ScheduleNumber("LastChannelCheckin");
    EXPECT_EQ(ScheduleNumber("NextChannelCheckin"), last + 1440 * kMinute);
    EXPECT_EQ(ScheduleText("ChannelCheckinInterval"), "1440");
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "ok");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or(""), "");
}

TEST_F(CheckinTest, OkAnswerKeepsAPendingListTooLongToRead) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    std::string pending;
    while (pending.size() <= (1u << 20)) pending += std::string(kItem) + ",{11111111-1111-1111-1111-111111111111};";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems", pending);
    Script(OkAnswer("1440"));
    RunUntilRequests(1);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "ok");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), pending);
}

TEST_F(CheckinTest, RequestListsChannelsByPriorityByteForByte) {
    AddChannel("{55555555-5555-5555-5555-555555555555}", "1", "5", "D5");
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", nullptr);
    AddChannel("{33333333-3333-3333-3333-333333333333}", "1", "3", "D3");
    AddChannel("{3A333333-3333-3333-3333-333333333333}", "1", "3", "TIE");  // enumerated after {333..}: wins
    AddChannel("{00000000-0000-0000-0000-00000000000A}", "1", "0", "ZERO");
    AddChannel("{99999999-9999-9999-9999-999999999999}", "0", "2", "OFF");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "soon");  // no number: due at once
    Script(OkAnswer("1440"));
    RunUntilRequests(1);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0], std::string("clversion=1.1.1&checkintype=2&machineguid=") + kMachine +
                                 "&channels={11111111-1111-1111-1111-111111111111},no-distid;"
                                 "{3A333333-3333-3333-3333-333333333333},TIE;"
                                 "{55555555-5555-5555-5555-555555555555},D5;&installed=");
}

TEST_F(CheckinTest, ServerErrorWaitsADayAndRefusedConnectionAnHour) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "LastChannelCheckin", "777");
    Script(R"([{"status": 500, "body": "broken"}])");
    RunUntilRequests(1);
    unsigned long long now = ScheduleNowMs();
    EXPECT_EQ(ScheduleText("LastChannelCheckin"), "777");
    EXPECT_NEAR(static_cast<double>(ScheduleNumber("NextChannelCheckin")), static_cast<double>(now + 1440 * kMinute),
                60000.0);

    // Nothing listens on port 9 of the loopback: the connection is refused.
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "CheckinURL", "http://127.0.0.1:9/zulm/channelcheckin.asp");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCheckin, "LastChannelCheckinStatus");
    RunResidentUntil([&] { return ScheduleText("LastChannelCheckinStatus").has_value(); });
    now = ScheduleNowMs();
    EXPECT_EQ(ScheduleText("LastChannelCheckin"), "777");
    EXPECT_NEAR(static_cast<double>(ScheduleNumber("NextChannelCheckin")), static_cast<double>(now + 60 * kMinute),
                60000.0);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "generic failure");
}

TEST_F(CheckinTest, AnswerWithoutResultKeepsThePendingItems) {
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    const std::string pending = std::string(kItem) + ",{11111111-1111-1111-1111-111111111111};";
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems", pending);
    Script(R"([{"status": 200, "body": "Channel\r\n{\r\nName=x\r\n}\r\n"}])");
    RunUntilRequests(1);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0], std::string("clversion=1.1.1&checkintype=2&machineguid=") + kMachine +
                                 "&channels=&installed=" + pending);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), pending);
}

TEST_F(CheckinTest, ResetMacGuidReportsTheOldIdentifierAndEveryItemOnce) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    WriteString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Item\\" + kItem, "Channel", "{CCCCCCCC-CCCC-CCCC-CCCC-CCCCCCCCCCCC}");
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    const char* reset = R"([{"status": 200, "body": "CheckinResult\r\n{\r\nStatus=ResetMacGuid\r\nInterval=1\r\n}\r\n"}])";
    Script(reset);
    RunUntilRequests(1);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kZUL, "MachineGuid"));
    const std::string expected = std::string("{4344A992-02A4-706C-D466-7CFF8C489813},") + kMachine + ";" + kItem +
                                 ",{CCCCCCCC-CCCC-CCCC-CCCC-CCCCCCCCCCCC};";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), expected);

    // A second reset: a new identifier was made and reported, the old entries stay single.
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "MachineGuid", kMachine);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCheckin, "LastChannelCheckinStatus");
    Script(reset);
    RunUntilRequests(2);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"), expected);
    ASSERT_EQ(Requests().size(), 2u);
    EXPECT_NE(Requests()[1].find("&installed=" + expected), std::string::npos);
}

TEST_F(CheckinTest, NothingToReportSendsNothingAndWaitsADay) {
    WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
    RunResidentUntil([&] { return ScheduleText("LastChannelCheckinStatus").has_value(); });
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "no channels and no installed items");
    EXPECT_NEAR(static_cast<double>(ScheduleNumber("NextChannelCheckin")), static_cast<double>(ScheduleNowMs() + 1440 * kMinute),
                60000.0);
}

TEST_F(CheckinTest, BadAnswersEndInTheirScheduledOutcomes) {
    AddChannel("{11111111-1111-1111-1111-111111111111}", "1", "1", "D");
    auto runWith = [&](const std::string& scriptJson, size_t requests) {
        WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCheckin, "LastChannelCheckinStatus");
        Script(scriptJson);
        RunUntilRequests(requests);
        ASSERT_EQ(Requests().size(), requests);
    };
    auto nextAfterLast = [&] { return ScheduleNumber("NextChannelCheckin") - ScheduleNumber("LastChannelCheckin"); };

    // Binary garbage with an unclosed block: the load fails, retried in a day.
    std::string garbage;
    for (int i = 1; i < 256; ++i) garbage += "\\u00" + std::string(1, "0123456789abcdef"[i / 16]) + "0123456789abcdef"[i % 16];
    runWith("[{\"status\": 200, \"body\": \"" + garbage + "\"}]", 1);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "generic failure");
    EXPECT_NEAR(static_cast<double>(ScheduleNumber("NextChannelCheckin")), static_cast<double>(ScheduleNowMs() + 1440 * kMinute), 60000.0);

    // 50 MB without any block: no result block, counted as done at the current interval.
    runWith("[{\"status\": 200, \"body\": \"" + std::string(50 << 20, 'x') + "\"}]", 2);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "generic failure");
    EXPECT_EQ(nextAfterLast(), 11000ull * kMinute);

    // A repeated result block: the first one counts; a negative interval reads as the default.
    runWith(R"([{"status": 200, "body": "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=-5\r\n}\r\nCheckinResult\r\n{\r\nStatus=ok\r\nInterval=30\r\n}\r\n"}])", 3);
    EXPECT_EQ(ScheduleText("LastChannelCheckinStatus"), "ok");
    EXPECT_EQ(ScheduleText("ChannelCheckinInterval"), "11000");
    EXPECT_EQ(nextAfterLast(), 11000ull * kMinute);

    // An interval beyond 32 bits reads as the largest signed number.
    runWith(R"([{"status": 200, "body": "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=99999999999\r\n}\r\n"}])", 4);
    EXPECT_EQ(ScheduleText("ChannelCheckinInterval"), "2147483647");
}

}  // namespace
