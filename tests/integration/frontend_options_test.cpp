// The Options jobs under Wine with Xvfb, their message boxes read and answered as a user would:
// turning a channel on with and without its agreement, turning it off (also a channel sharing
// its folder), about pages, and switching menu updates.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/ProgramTestSupport.h"
#include "tests/integration/frontend_test_support.h"
#include "tools/uiauto/UiAuto.h"

using namespace testsupport;
using namespace frontendtest;

namespace {

const char kChannel[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F7}";
const char kSibling[] = "{5A7E0C11-2B3D-4E5F-8091-A2B3C4D5E6F8}";
const std::string kAnswer = std::string("Channel\n{\n GUID=") + kChannel +
                            "\n Name=Ludora Channel\n MenuName=Programs\\Ludora\n}\nChannel\n{\n GUID=" + kSibling +
                            "\n Name=Ludora Extra\n MenuName=Programs\\Ludora\n}\n";
constexpr char kDisableText[] =
    "This service is completely anonymous and is provided for your convenience.\n\n"
    "Periodically, games, entertainment, and other applications will be made\n"
    "available for this channel.  Shortcuts to these items will be automatically\n"
    "placed in this channel menu.\n\n"
    "Do you still want to disable this channel?";
constexpr DWORD kBoxMs = 30000;

class FrontendOptions : public FrontendTest {
protected:
    void SetUp() override {
        FrontendTest::SetUp();
        LetWineDrawWindowFrames();
        pagesLog = MakeScratchDirectory("options-pages") + "\\pages.log";
        RecordOpenedPages(pagesLog);
        ProcessAnswer(kAnswer);
        ASSERT_EQ(Velorin("-EnableUpdates"), 0u);
        channelDir = MakeScratchDirectory("options-channel");
        WriteString(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "Path", channelDir);
        viewer = VelorinDir() + "\\AgreeView.exe";
        generalAbout = VelorinDir() + "\\About.html";
    }
    void TearDown() override {
        DeleteFileA(viewer.c_str());
        DeleteFileA(generalAbout.c_str());
        DeleteFileA((VelorinDir() + "\\agreeview.exit").c_str());
        DeleteFileA((VelorinDir() + "\\agreeview.log").c_str());
        FrontendTest::TearDown();
    }

    static std::string ChannelKey(const char* guid) { return std::string(kChannelKey) + "\\" + guid; }
    bool Subscribed(const char* guid) {
        long subscribed = 0;
        ZULError ret = ZULERR_FAILED;
        EXPECT_EQ(Manager()->IsChannelSubscribed(const_cast<char*>(guid), &subscribed, &ret), S_OK);
        return subscribed != 0;
    }
    std::string Options(const std::string& link) const { return startMenu + "\\Programs\\Ludora\\- Options -\\" + link; }
    // The agreement viewer in the front-end's folder, answering with exitCode.
    void InstallViewer(int exitCode) {
        ASSERT_TRUE(CopyFileA(BinPath("tools\\AgreeView.exe").c_str(), viewer.c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(VelorinDir() + "\\agreeview.exit", std::to_string(exitCode)));
        ASSERT_TRUE(WriteFileBytes(channelDir + "\\Eula.html", "<p>terms</p>"));
    }
    // Waits for the message box, checks its text, presses button; the box's text.
    std::string Answer(const char* caption, int button, const char* screenshot = nullptr) {
        HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, caption, kBoxMs);
        EXPECT_TRUE(box) << "no message box \"" << caption << "\"";
        if (!box) return "";
        const std::string text = uiauto::MessageText(box);
        const std::string dir = Environment("ZUL_SCREENSHOT_DIR");
        if (screenshot && !dir.empty()) {
            EXPECT_TRUE(uiauto::SaveScreenshot(dir + "/" + screenshot));
        }
        EXPECT_TRUE(uiauto::ClickButton(box, button));
        return text;
    }

    std::string pagesLog, channelDir, viewer, generalAbout;
};

TEST_F(FrontendOptions, SubscribeShowsTheAgreementOnceAndReportsSuccess) {
    // Without "Eula.html" the channel is turned on at once.
    {
        RunningVelorin run(std::string("-Subscribe ") + kChannel);
        EXPECT_EQ(Answer("Ludora", IDOK), "Channel successfully enabled.");
        EXPECT_EQ(run.Wait(), 0u);
        EXPECT_TRUE(Subscribed(kChannel));
        EXPECT_TRUE(Subscribed(kSibling));
        EXPECT_TRUE(IsHidden(Options("Turn on Ludora.lnk")));
        EXPECT_FALSE(IsHidden(Options("Turn off Ludora.lnk")));
    }
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(Manager()->UnSubscribeChannel(const_cast<char*>(kChannel), &ret), S_OK);
    ASSERT_EQ(Manager()->UnSubscribeChannel(const_cast<char*>(kSibling), &ret), S_OK);

    // Accepted: recorded, so the next turning on shows no agreement.
    InstallViewer(0);
    {
        RunningVelorin run(std::string("-Subscribe ") + kChannel);
        EXPECT_EQ(Answer("Ludora", IDOK), "Channel successfully enabled.");
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "AcceptedEULA").value_or(""), "1");
    EXPECT_EQ(ReadFileText(VelorinDir() + "\\agreeview.log"),
              "-FileName \"" + channelDir + "\\Eula.html\" -Title \"Ludora - End User License Agreement\" "
              "-okname Accept -cancelname Decline\n");
    EXPECT_TRUE(Subscribed(kChannel));
}

TEST_F(FrontendOptions, DeclinedAgreementChangesNothingAndSaysNothing) {
    InstallViewer(2);
    EXPECT_EQ(Velorin(std::string("-Subscribe ") + kChannel), 0u);  // the job's 31 is not the exit code
    EXPECT_FALSE(uiauto::FindTopWindow(uiauto::kDialogClass, "Ludora"));
    EXPECT_FALSE(Subscribed(kChannel));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "AcceptedEULA").has_value());
    EXPECT_FALSE(IsHidden(Options("Turn on Ludora.lnk")));
}

TEST_F(FrontendOptions, UnsubscribeAsksFirstAndSwitchesTheSharingChannelToo) {
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(Manager()->SubscribeChannel(const_cast<char*>(kChannel), &ret), S_OK);
    ASSERT_EQ(Manager()->SubscribeChannel(const_cast<char*>(kSibling), &ret), S_OK);
    ASSERT_EQ(Velorin("-EnableUpdates"), 0u);

    {
        RunningVelorin run(std::string("-Unsubscribe ") + kChannel);
        EXPECT_EQ(Answer("Confirm Channel Disable", IDNO, "question-box.png"), kDisableText);
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_TRUE(Subscribed(kChannel));
    EXPECT_TRUE(Subscribed(kSibling));
    EXPECT_FALSE(IsHidden(Options("Turn off Ludora.lnk")));

    {
        RunningVelorin run(std::string("-Unsubscribe ") + kChannel);
        EXPECT_EQ(Answer("Confirm Channel Disable", IDYES), kDisableText);
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_FALSE(Subscribed(kChannel));
    EXPECT_FALSE(Subscribed(kSibling));
    EXPECT_FALSE(IsHidden(Options("Turn on Ludora.lnk")));
    EXPECT_TRUE(IsHidden(Options("Turn off Ludora.lnk")));
}

TEST_F(FrontendOptions, AboutPagesOpenThroughTheShellOrSayWhatIsMissing) {
    // No "AboutFile": the message names the channel, then the general page, missing too.
    {
        RunningVelorin run(std::string("-AboutChannel ") + kChannel);
        EXPECT_EQ(Answer("No About File", IDOK),
                  "Couldn't find About file for Channel \"Programs\\Ludora\".\n\nA general About file will be displayed.");
        EXPECT_EQ(Answer("Error:", IDOK), "Missing About.html file.");
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_TRUE(OpenedPages(pagesLog).empty());

    ASSERT_TRUE(WriteFileBytes(generalAbout, "<p>about</p>"));
    EXPECT_EQ(Velorin("-About"), 0u);
    WriteString(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "AboutFile", "Ludora.html");
    ASSERT_TRUE(WriteFileBytes(channelDir + "\\Ludora.html", "<p>Ludora</p>"));
    EXPECT_EQ(Velorin(std::string("-AboutChannel ") + kChannel), 0u);
    const std::vector<std::string> pages = OpenedPages(pagesLog);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[0].find(generalAbout), std::string::npos) << pages[0];
    EXPECT_NE(pages[1].find(channelDir + "\\Ludora.html"), std::string::npos) << pages[1];

    // The value the Start-menu builder records itself: the full path of the channel's page.
    DeleteValue(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "AboutFile");
    ASSERT_TRUE(WriteFileBytes(channelDir + "\\About.html", "<p>Ludora about</p>"));
    EXPECT_EQ(Velorin("-EnableUpdates"), 0u);  // rebuilds every channel's folder
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ChannelKey(kChannel), "AboutFile"), channelDir + "\\About.html");
    EXPECT_EQ(Velorin(std::string("-AboutChannel ") + kChannel, 20000), 0u);
    const std::vector<std::string> after = OpenedPages(pagesLog);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NE(after[2].find(channelDir + "\\About.html"), std::string::npos) << after[2];
}

TEST_F(FrontendOptions, DisableUpdatesAsksFirstAndEnableUpdatesTellsTheUpdater) {
    Sleep(2000);  // the set-up's updater run was not waited for
    ClearUpdaterLog();
    {
        RunningVelorin run("-DisableUpdates");
        EXPECT_NE(Answer("Confirm Menu Update Disable", IDNO).find("Do you still want to disable menu updates?"),
                  std::string::npos);
        EXPECT_EQ(run.Wait(), 1u);
    }
    EXPECT_EQ(UpdaterLog(true), std::vector<std::string>{});
    {
        RunningVelorin run("-DisableUpdates");
        (void)Answer("Confirm Menu Update Disable", IDYES);
        EXPECT_EQ(run.Wait(), 0u);
    }
    EXPECT_EQ(UpdaterLog(true), std::vector<std::string>{"-disableupdates ZULVelorin"});
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "UpdatesEnabled").value_or(""), "false");

    ClearUpdaterLog();
    EXPECT_EQ(Velorin("-EnableUpdates"), 0u);
    const std::vector<std::string> lines = UpdaterLog(true);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "-enableupdates ZULVelorin"), lines.end());
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kVelorinKey, "UpdatesEnabled").value_or(""), "true");
}

}  // namespace
