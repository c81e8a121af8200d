// The one-time proxy fallback: with Netscape as the default browser and a manual proxy in its
// preferences, a transfer whose direct send fails is tried once more through that proxy.
#include <gtest/gtest.h>

#include <string>

#include "common/RegistryHelpers.h"
#include "transfer/HttpTransfer.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

std::string ManualProxyPrefs(unsigned port) {
    return "// Mozilla User Preferences\n"
           "user_pref(\"network.proxy.http\", \"127.0.0.1\");\n"
           "user_pref(\"network.proxy.http_port\", " + std::to_string(port) + ");\n"
           "user_pref(\"network.proxy.type\", 1);\n";
}

std::string UnreachableUrl(const char* path) {
    return "http://127.0.0.1:" + std::to_string(FixturePort("closed")) + path;
}

}  // namespace

TEST(HttpTransferProxy, AFailedSendSucceedsThroughNetscapesProxyOnce) {
    NetscapeInstall netscape(true);
    netscape.WritePrefs(CurrentUserName(), ManualProxyPrefs(FixturePort("helper")));
    const size_t requestsBefore = HelperLog().size();

    const std::string url = UnreachableUrl("/via-proxy.bin");
    ScratchFile file("proxied.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_TRUE(t.report.m_bProxyRetried);
    EXPECT_EQ(std::string(t.proxy()), "127.0.0.1:" + std::to_string(FixturePort("helper")));
    const std::vector<uint8_t> body = file.Contents();
    EXPECT_EQ(std::string(body.begin(), body.end()), "proxied " + url + " agent Mozilla/4.04 [en] (Win98; U)");

    const std::vector<std::string> log = HelperLog();
    ASSERT_EQ(log.size(), requestsBefore + 1);  // exactly one request went through the proxy
    EXPECT_EQ(log.back(), "GET " + url);
}

TEST(HttpTransferProxy, ASecondFailureIsNotRetried) {
    NetscapeInstall netscape(true);
    netscape.WritePrefs(CurrentUserName(), ManualProxyPrefs(FixturePort("closed")));
    const std::string url = UnreachableUrl("/nowhere.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    const DWORD started = GetTickCount();
    EXPECT_EQ(t.Transfer(), TRANSFER_SEND_FAILED);
    EXPECT_TRUE(t.report.m_bProxyRetried);
    EXPECT_NE(t.report.m_dwLastError, 0u);
    EXPECT_LT(GetTickCount() - started, 120000u);  // only a hang takes this long
}

TEST(HttpTransferProxy, AutomaticConfigurationIsStoredAndTriedOnce) {
    const char* settings = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    RegistryValueOverride keep(HKEY_USERS, settings, "AutoConfigURL", "http://old.example/old.pac");
    NetscapeInstall netscape(true);
    netscape.WritePrefs("Default", "user_pref(\"network.proxy.type\", 2);\n"
                                   "user_pref(\"network.proxy.autoconfig_url\", \"http://127.0.0.1/zul.pac\");\n");
    const std::string url = UnreachableUrl("/pac.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    EXPECT_EQ(t.Transfer(), TRANSFER_SEND_FAILED);
    EXPECT_TRUE(t.report.m_bProxyRetried);
    EXPECT_EQ(t.proxy(), nullptr);
    char stored[MAX_PATH] = {};
    ASSERT_EQ(RegReadValue(HKEY_USERS, settings, "AutoConfigURL", stored, sizeof(stored)), ERROR_SUCCESS);
    EXPECT_STREQ(stored, "http://127.0.0.1/zul.pac");
}

TEST(HttpTransferProxy, NetscapeInstalledButNotDefaultGivesNoFallback) {
    NetscapeInstall netscape(false);
    netscape.WritePrefs(CurrentUserName(), ManualProxyPrefs(FixturePort("helper")));
    const std::string url = UnreachableUrl("/direct.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    EXPECT_EQ(t.Transfer(), TRANSFER_SEND_FAILED);
    EXPECT_FALSE(t.report.m_bProxyRetried);
}
