#include "transfer/NetscapePrefsText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

NetscapeProxyPrefs Scan(const std::string& text) {
    NetscapeProxyPrefs prefs;
    ScanNetscapePrefs(text, prefs);
    return prefs;
}

}  // namespace

TEST(NetscapePrefs, ManualProxyFromAUsualFile) {
    const NetscapeProxyPrefs p = Scan(
        "// Netscape User Preferences\r\n"
        "user_pref(\"browser.startup.homepage\", \"http://home/\");\r\n"
        "user_pref(\"network.proxy.http\", \"proxy.corp.example\");\r\n"
        "user_pref(\"network.proxy.http_port\", 8080);\r\n"
        "user_pref(\"network.proxy.type\", 1);\r\n");
    EXPECT_EQ(p.type, kNetscapeProxyManual);
    EXPECT_STREQ(p.host, "proxy.corp.example");
    EXPECT_EQ(p.port, 8080);
    EXPECT_STREQ(p.autoConfigUrl, "");
}

TEST(NetscapePrefs, AutoConfigUrlKeepsColonsAndSlashes) {
    const NetscapeProxyPrefs p = Scan(
        "user_pref(\"network.proxy.autoconfig_url\", \"http://wpad.example/proxy.pac\");\n"
        "user_pref(\"network.proxy.type\", 2);\n");
    EXPECT_EQ(p.type, kNetscapeProxyAutoConfig);
    EXPECT_STREQ(p.autoConfigUrl, "http://wpad.example/proxy.pac");
}

TEST(NetscapePrefs, HyphenEndsTheHostAndAMissingPortStaysAsPreset) {
    NetscapeProxyPrefs p;
    p.port = 3128;
    ScanNetscapePrefs("user_pref(\"network.proxy.type\", 1);\n"
                      "user_pref(\"network.proxy.http\", \"my-proxy.example\");\n",
                      p);
    EXPECT_STREQ(p.host, "my");
    EXPECT_EQ(p.port, 3128);
}

TEST(NetscapePrefs, FirstOccurrenceWinsAndKeysNeedQuotesAndComma) {
    const NetscapeProxyPrefs p = Scan(
        "user_pref(\"network.proxy.type\", 1); user_pref(\"network.proxy.type\", 2);\n"
        "user_pref(network.proxy.http, \"unquoted\");\n"
        "user_pref(\"network.proxy.http\" , \"spaced\");\n"
        "user_pref(\"xnetwork.proxy.http_port\", 99);\n");
    EXPECT_EQ(p.type, 1u);
    EXPECT_STREQ(p.host, "");
    EXPECT_EQ(p.port, 0);  // a key with a leading "x" is not the key in quotes
}

TEST(NetscapePrefs, ValuesAreReadOneCharacterAfterTheComma) {
    // Without the blank the value's first character is skipped, so nothing matches.
    const NetscapeProxyPrefs p = Scan("user_pref(\"network.proxy.http\",\"tight\");\n"
                                      "user_pref(\"network.proxy.type\",1);\n"
                                      "user_pref(\"network.proxy.http_port\",  81);\n");
    EXPECT_STREQ(p.host, "");
    EXPECT_EQ(p.type, 0u);
    EXPECT_EQ(p.port, 81);  // a number may be preceded by more blanks
}

TEST(NetscapePrefs, HostileValuesLeaveThePresets) {
    NetscapeProxyPrefs p;
    p.type = 7;
    p.port = 9;
    std::strcpy(p.host, "preset");
    ScanNetscapePrefs("user_pref(\"network.proxy.type\", 99999999999);\n"
                      "user_pref(\"network.proxy.http_port\", 65536);\n"
                      "user_pref(\"network.proxy.http\", \"" + std::string(256, 'a') + "\");\n",
                      p);
    EXPECT_EQ(p.type, 7u);
    EXPECT_EQ(p.port, 9);
    EXPECT_STREQ(p.host, "preset");

    ScanNetscapePrefs("user_pref(\"network.proxy.http\", \"" + std::string(255, 'b') + "\");", p);
    EXPECT_EQ(std::string(p.host), std::string(255, 'b'));
    ScanNetscapePrefs("user_pref(\"network.proxy.http_port\", -1);", p);
    EXPECT_EQ(p.port, 9);
}

TEST(NetscapePrefs, KeysAtTheVeryEndOfTheTextReadNothingBeyondIt) {
    for (const char* text : {"\"network.proxy.type\",", "\"network.proxy.type\", ", "\"network.proxy.http\", \"",
                             "\"network.proxy.autoconfig_url\",", "x;\"network.proxy.http_port\",\n 5"}) {
        const std::string exact(text);  // no terminating zero is relied upon
        NetscapeProxyPrefs p;
        ScanNetscapePrefs(std::string_view(exact.data(), exact.size()), p);
        EXPECT_EQ(p.type, 0u) << text;
        EXPECT_EQ(p.port, 0) << text;
        EXPECT_STREQ(p.host, "") << text;
        EXPECT_STREQ(p.autoConfigUrl, "") << text;
    }
}

TEST(NetscapeUsersDir, ThreeLevelsUpThenUsers) {
    char out[260];
    ASSERT_TRUE(NetscapeUsersDirFromExe("c:\\program files\\netscape\\communicator\\program\\netscape.exe", out,
                                        sizeof(out)));
    EXPECT_STREQ(out, "c:\\program files\\netscape\\Users");
    EXPECT_FALSE(NetscapeUsersDirFromExe("c:\\netscape.exe", out, sizeof(out)));
    EXPECT_FALSE(NetscapeUsersDirFromExe("a/b/c/netscape.exe", out, sizeof(out)));
}

TEST(NetscapeUsersDir, RefusesWhatDoesNotFit) {
    char out[32];
    const char* exe = "c:\\a\\b\\netscape.exe";  // 19 characters
    EXPECT_FALSE(NetscapeUsersDirFromExe(exe, out, 19));
    ASSERT_TRUE(NetscapeUsersDirFromExe(exe, out, 20));
    EXPECT_STREQ(out, "c:\\Users");
    // The result, not the path, is what does not fit here: 8 + 5 + 1 must be below the size.
    EXPECT_FALSE(NetscapeUsersDirFromExe("abcdefgh\\\\\\", out, 14));
    ASSERT_TRUE(NetscapeUsersDirFromExe("abcdefgh\\\\\\", out, 15));
    EXPECT_STREQ(out, "abcdefgh\\Users");
}
