// The browser, proxy, connection and processor-load probes in the Wine prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/RegistryHelpers.h"
#include "transfer/ConnectionProbe.h"
#include "transfer/NetscapeProbe.h"
#include "transfer/ProcessorLoadSampler.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

constexpr char kDefaultSettings[] = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(NetscapeProbe, DefaultBrowserIsRecognisedByItsExactExecutableName) {
    EXPECT_FALSE(IsNetscapeDefault());
    {
        NetscapeInstall netscape(true);
        EXPECT_TRUE(IsNetscapeDefault());
    }
    EXPECT_FALSE(IsNetscapeDefault());
    // Upper case is not recognised as the default browser, but its path still leads to the
    // users directory.
    NetscapeInstall upper(true, "NETSCAPE.EXE");
    EXPECT_FALSE(IsNetscapeDefault());
    char users[MAX_PATH];
    ASSERT_TRUE(FindNetscapeUsersDir(users, sizeof(users)));
    EXPECT_EQ(std::string(users), "c:\\zul-netscape\\netscape\\Users");  // lower-cased path
}

TEST(NetscapeProbe, UsersDirectoryFromTheClassRegistrationAsWell) {
    char users[MAX_PATH];
    EXPECT_FALSE(FindNetscapeUsersDir(users, sizeof(users)));
    RegistryValueOverride server(HKEY_LOCAL_MACHINE,
                                 "Software\\CLASSES\\CLSID\\{E67D6A10-4438-11CE-8CE4-0020AF18F905}\\LocalServer32",
                                 nullptr, "D:\\Apps\\Netscape\\Program\\Netscape.exe -automation");
    ASSERT_TRUE(FindNetscapeUsersDir(users, sizeof(users)));
    EXPECT_EQ(std::string(users), "d:\\apps\\Users");
    EXPECT_FALSE(FindNetscapeUsersDir(users, 10));
}

TEST(NetscapeProbe, PreferenceFileOfTheUserThenDefaultThenAnyProfile) {
    NetscapeInstall netscape(false);
    char prefs[MAX_PATH];
    FindNetscapePrefs(prefs);
    EXPECT_EQ(Lower(prefs), Lower(netscape.usersDir() + "\\Default\\prefs.js"));  // none exists yet

    netscape.WritePrefs("someone", "");
    FindNetscapePrefs(prefs);
    EXPECT_EQ(Lower(prefs), Lower(netscape.usersDir() + "\\someone\\prefs.js"));
    netscape.WritePrefs("Default", "");
    FindNetscapePrefs(prefs);
    EXPECT_EQ(Lower(prefs), Lower(netscape.usersDir() + "\\Default\\prefs.js"));
    netscape.WritePrefs(CurrentUserName(), "");
    FindNetscapePrefs(prefs);
    EXPECT_EQ(Lower(prefs), Lower(netscape.usersDir() + "\\" + CurrentUserName() + "\\prefs.js"));
}

TEST(NetscapeProbe, ProxyFromThePreferenceFile) {
    unsigned type = 0;
    char host[256] = {};
    unsigned short port = 0;
    EXPECT_EQ(ReadNetscapeProxy(&type, host, &port), 1);  // no file: presets untouched
    EXPECT_EQ(type, 0u);

    NetscapeInstall netscape(false);
    netscape.WritePrefs("Default", "user_pref(\"network.proxy.type\", 1);\r\n"
                                   "user_pref(\"network.proxy.http\", \"cache-1.example\");\r\n");
    port = 3128;
    EXPECT_EQ(ReadNetscapeProxy(&type, host, &port), 1);
    EXPECT_EQ(type, 1u);
    EXPECT_STREQ(host, "cache");  // "-" ends the host name
    EXPECT_EQ(port, 3128);        // no port named: the preset stays
}

TEST(NetscapeProbe, AutomaticConfigurationUrlGoesToTheDefaultProfileOnlyWhenItChanged) {
    NetscapeInstall netscape(false);
    netscape.WritePrefs("Default", "user_pref(\"network.proxy.type\", 2);\n"
                                   "user_pref(\"network.proxy.http\", \"ignored\");\n"
                                   "user_pref(\"network.proxy.http_port\", 80);\n"
                                   "user_pref(\"network.proxy.autoconfig_url\", \"http://wpad/proxy.pac\");\n");
    {
        RegistryValueOverride same(HKEY_USERS, kDefaultSettings, "AutoConfigURL", "HTTP://WPAD/PROXY.PAC");
        unsigned type = 0;
        char host[256] = {};
        unsigned short port = 0;
        EXPECT_EQ(ReadNetscapeProxy(&type, host, &port), 1);
        EXPECT_EQ(type, 2u);
        EXPECT_STREQ(host, "");
        EXPECT_EQ(port, 0);
        char stored[MAX_PATH] = {};
        RegReadValue(HKEY_USERS, kDefaultSettings, "AutoConfigURL", stored, sizeof(stored));
        EXPECT_STREQ(stored, "HTTP://WPAD/PROXY.PAC");  // equal without regard to case: untouched
    }
    RegistryValueOverride other(HKEY_USERS, kDefaultSettings, "AutoConfigURL", "http://old/old.pac");
    unsigned type = 0;
    char host[256] = {};
    unsigned short port = 0;
    ReadNetscapeProxy(&type, host, &port);
    char stored[MAX_PATH] = {};
    RegReadValue(HKEY_USERS, kDefaultSettings, "AutoConfigURL", stored, sizeof(stored));
    EXPECT_STREQ(stored, "http://wpad/proxy.pac");
}

TEST(ConnectionProbe, AnswersWithoutFailing) {
    const int connected = IsInternetConnected();
    RecordProperty("connected", connected);
    EXPECT_GE(connected, 0);
}

// A busy processor reads as load (the throttle's 0.5 factor depends on it), also where the
// performance data has no processor object.
TEST(ProcessorLoadSampler, EveryProcessorBusyReadsAsLoad) {
    C_ProcessorLoadSampler sampler;
    const double first = sampler.Sample();
    EXPECT_EQ(first, 0.0);  // the first NT sample only sets the starting point
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::vector<std::thread> spinners;
    for (DWORD i = 0; i < system.dwNumberOfProcessors; ++i) {
        spinners.emplace_back([] {
            volatile double sink = 0;
            const DWORD until = GetTickCount() + 600;
            while (GetTickCount() < until) sink = sink + 1.0;
        });
    }
    for (std::thread& spinner : spinners) spinner.join();
    const double second = sampler.Sample();
    RecordProperty("load", std::to_string(second));
    EXPECT_GT(second, 25.0);
    EXPECT_LE(second, 100.0);
}
