// The real channel manager against zulserver (embedded store): the first check-in installs the
// preset channel's item, the second reports it and gets no item again; a channel the user turns
// off with ZULVelorin -Unsubscribe stays off at the next check-in. The fixture's access log
// shows what each answer carried.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>

#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"
#include "tests/integration/devserver_test_support.h"
#include "tests/integration/frontend_test_support.h"
#include "tools/uiauto/UiAuto.h"

using namespace testsupport;
using namespace frontendtest;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kCheckin = ProductKeys::kCheckin;
const char kChannel[] = "{6F4E2D10-4444-4A2B-8C3D-4E5F60718204}";
const char kItem[] = "{6F4E2D10-5555-4A2B-8C3D-4E5F60718205}";
const char kOldChannel[] = "{6F4E2D10-2222-4A2B-8C3D-4E5F60718202}";
constexpr DWORD kCheckinMs = 60000;

class ZulServerTest : public FrontendTest {
protected:
    void SetUp() override {
        FrontendTest::SetUp();
        fixture = WindowsPathOf(Environment("ZUL_ZULSERVER_FIXTURE"));
        const std::string port = ReadFileText(fixture + "\\port");
        ASSERT_FALSE(port.empty()) << "zulserver fixture not running";
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "CheckinURL", "http://127.0.0.1:" + port + "/zulm/channelcheckin.asp");
        // A channel subscribed earlier, so that the first check-in has something to send.
        const std::string old = std::string(kZUL) + "\\Channel\\" + kOldChannel;
        WriteString(HKEY_LOCAL_MACHINE, old, "Subscribed", "1");
        WriteString(HKEY_LOCAL_MACHINE, old, "Priority", "7");
        DeleteValue(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems");
        // The manager's diagnostic log, beside the fixture's files, for a failure's reader.
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "LogFile", fixture + "\\manager.log");
    }

    // The access log's check-in lines ("... POST /zulm/channelcheckin.asp 200 items=N channels=N").
    std::vector<std::string> Checkins() const {
        std::vector<std::string> lines;
        std::istringstream log(ReadFileText(fixture + "\\access.log"));
        for (std::string line; std::getline(log, line);)
            if (line.find("POST /zulm/channelcheckin.asp") != std::string::npos) lines.push_back(line);
        return lines;
    }
    // One check-in by a resident manager, until done holds.
    void CheckInUntil(const std::function<bool()>& done) {
        WriteString(HKEY_LOCAL_MACHINE, kCheckin, "NextChannelCheckin", "0");
        devservertest::ResidentManager resident;
        ASSERT_TRUE(resident.Started());
        EXPECT_TRUE(devservertest::WaitUntil(done, kCheckinMs));
        EXPECT_TRUE(resident.Stop());
    }
    size_t InstallRuns() const {
        const std::string log = ReadFileText(fixture + "\\install.log");
        size_t runs = 0;
        for (size_t at = log.find("Arguments="); at != std::string::npos; at = log.find("Arguments=", at + 1)) ++runs;
        return runs;
    }
    std::optional<std::string> Subscribed() const {
        return ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel, "Subscribed");
    }

    std::string fixture;
};

TEST_F(ZulServerTest, ItemInstallsOnceAndAChannelTurnedOffStaysOff) {
    const std::string entry = std::string(kItem) + "," + kChannel + ";";
    CheckInUntil([&] { return ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("").find(entry) != std::string::npos; });
    ASSERT_EQ(Checkins().size(), 1u);
    EXPECT_NE(Checkins()[0].find(" 200 items=1 channels=1"), std::string::npos) << Checkins()[0];
    EXPECT_EQ(Subscribed(), "1");
    EXPECT_EQ(InstallRuns(), 1u);

    // The second check-in reports the install; its answer carries no item.
    CheckInUntil([&] { return Checkins().size() >= 2 && ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems").value_or("x").empty(); });
    ASSERT_EQ(Checkins().size(), 2u);
    EXPECT_NE(Checkins()[1].find(" 200 items=0 channels=0"), std::string::npos) << Checkins()[1];
    EXPECT_EQ(InstallRuns(), 1u);

    // The user turns the channel off; the next check-in does not turn it on again.
    {
        RunningVelorin run(std::string("-Unsubscribe ") + kChannel);
        HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, "Confirm Channel Disable", 30000);
        ASSERT_TRUE(box);
        EXPECT_TRUE(uiauto::ClickButton(box, IDYES));
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_EQ(Subscribed(), "0");
    CheckInUntil([&] { return Checkins().size() >= 3; });
    ASSERT_EQ(Checkins().size(), 3u);
    EXPECT_NE(Checkins()[2].find(" 200 items=0 channels=0"), std::string::npos) << Checkins()[2];
    EXPECT_EQ(Subscribed(), "0");
    EXPECT_EQ(InstallRuns(), 1u);
}

}  // namespace
