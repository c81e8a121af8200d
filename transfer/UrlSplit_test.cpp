#include "transfer/UrlSplit.h"

#include <gtest/gtest.h>

namespace {

UrlParts Split(const char* url) {
    UrlParts parts;
    EXPECT_TRUE(SplitUrl(url, parts)) << url;
    return parts;
}

bool Refused(const char* url) {
    UrlParts parts;
    return !SplitUrl(url, parts);
}

}  // namespace

TEST(SplitUrl, HostPortAndPathWithQuery) {
    UrlParts p = Split("http://zul.example.com:8080/zulm/channelcheckin.asp?a=1&b=//x");
    EXPECT_EQ(p.host, "zul.example.com");
    EXPECT_EQ(p.port, 8080u);
    EXPECT_EQ(p.path, "/zulm/channelcheckin.asp?a=1&b=//x");

    p = Split("http://host/file.FileSet");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.port, 80u);
    EXPECT_EQ(p.path, "/file.FileSet");
}

TEST(SplitUrl, WithoutPathTheHostOrPortRunsToTheEnd) {
    UrlParts p = Split("http://host");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.port, 80u);
    EXPECT_EQ(p.path, "");

    p = Split("http://127.0.0.1:81");
    EXPECT_EQ(p.host, "127.0.0.1");
    EXPECT_EQ(p.port, 81u);
    EXPECT_EQ(p.path, "");
}

TEST(SplitUrl, SchemeIsIgnoredAndColonsAfterTheHostBelongToThePath) {
    UrlParts p = Split("ftp://host/a:b");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.port, 80u);
    EXPECT_EQ(p.path, "/a:b");
    p = Split("x//h:+90/");  // a scan of a signed decimal number accepts the sign
    EXPECT_EQ(p.host, "h");
    EXPECT_EQ(p.port, 90u);
}

TEST(SplitUrl, HttpsInAnyCaseIsSecureOnPort443UnlessNamed) {
    UrlParts p = Split("HTTPS://localhost/zulm/channelcheckin.asp");
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.host, "localhost");
    EXPECT_EQ(p.port, 443u);
    p = Split("https://localhost:8443/a");
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.port, 8443u);
    EXPECT_FALSE(Split("http://localhost/a").secure);
    EXPECT_FALSE(Split("xhttps://localhost/a").secure);
}

TEST(SplitUrl, RefusesWhatCannotBeSplit) {
    EXPECT_TRUE(Refused(nullptr));
    EXPECT_TRUE(Refused(""));
    EXPECT_TRUE(Refused("http:/host/path"));       // no "//"
    EXPECT_TRUE(Refused("//host/path"));           // "//" searched from the second character
    EXPECT_TRUE(Refused("http:///path"));          // empty host
    EXPECT_TRUE(Refused("http://:80/path"));       // empty host before a port
    EXPECT_TRUE(Refused("http://host:abc/path"));  // port not a number
    EXPECT_TRUE(Refused("http://host:/path"));
    EXPECT_TRUE(Refused("http://host:-1/"));
    EXPECT_TRUE(Refused("http://host:0/"));
    EXPECT_TRUE(Refused("http://host:65536/"));
    EXPECT_TRUE(Refused("http://host:99999999999999999999/"));
}

TEST(SplitUrl, PortTextStopsAtItsFirstNonDigit) {
    UrlParts p = Split("http://host:8080x/p");
    EXPECT_EQ(p.port, 8080u);
    EXPECT_EQ(p.path, "/p");
}
