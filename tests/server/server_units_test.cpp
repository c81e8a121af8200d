// The server's portable pieces on their own: the client's request read field by field, the
// byte ranges of file requests and the command line.
#include <gtest/gtest.h>

#include "checkin/CheckinRequest.h"
#include "server/CheckinForm.h"
#include "server/FileRange.h"
#include "server/ServerCommandLine.h"

namespace {

TEST(CheckinForm, ReadsTheClientsRequestWithLowerCaseGuidsMadeCanonical) {
    CheckinChannel a{"{9d406394-bd56-70fd-bc9d-878734db1ab6}", "1", "2", std::string("DIST-A")};
    CheckinChannel b{"{2B1C3D4E-5F60-4172-8394-A5B6C7D8E9F0}", "1", "1", std::nullopt};
    const std::vector<CheckinChannel> channels{a, b};
    const std::string body = BuildCheckinRequest("{0f0e0d0c-0b0a-0908-0706-050403020100}", ListedChannels(channels),
                                                 "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D51},;{4344A992-02A4-706C-D466-7CFF8C489813},{0F0E0D0C-0B0A-0908-0706-050403020100};")
                                 .body +
                             "&nonce=00112233445566778899AABBCCDDEEFF";
    const CheckinFormResult parsed = ParseCheckinForm(body);
    ASSERT_TRUE(parsed.ok) << parsed.reason;
    EXPECT_EQ(parsed.form.clversion, "1.1.1");
    EXPECT_EQ(parsed.form.machine, "{0F0E0D0C-0B0A-0908-0706-050403020100}");
    ASSERT_EQ(parsed.form.channels.size(), 2u);
    EXPECT_EQ(parsed.form.channels[0].distId, "no-distid");
    EXPECT_EQ(parsed.form.channels[1].guid, "{9D406394-BD56-70FD-BC9D-878734DB1AB6}");
    EXPECT_EQ(parsed.form.channels[1].distId, "DIST-A");
    ASSERT_EQ(parsed.form.installed.size(), 2u);
    EXPECT_EQ(parsed.form.installed[0].channel, "");
    EXPECT_EQ(parsed.form.nonce, "00112233445566778899AABBCCDDEEFF");
}

TEST(FileRange, ReadsOneRangeAndRefusesOnesPastTheEnd) {
    EXPECT_EQ(ParseRange("bytes=2-5", 10).kind, ByteRange::Part);
    EXPECT_EQ(ParseRange("bytes=2-5", 10).last, 5u);
    EXPECT_EQ(ParseRange("bytes=4-", 10).last, 9u);
    EXPECT_EQ(ParseRange("bytes=-3", 10).first, 7u);
    EXPECT_EQ(ParseRange("bytes=3-99", 10).last, 9u);
    EXPECT_EQ(ParseRange("bytes=10-", 10).kind, ByteRange::Unsatisfiable);
    EXPECT_EQ(ParseRange("bytes=1-2,4-5", 10).kind, ByteRange::Whole);
    EXPECT_EQ(ParseRange("items=1-2", 10).kind, ByteRange::Whole);
    EXPECT_EQ(ParseRange("bytes=5-2", 10).kind, ByteRange::Whole);
}

TEST(ServerCommandLine, TakesEachCommandsOptionsAndRefusesOthers) {
    ServerCommandParse parsed = ParseServerCommandLine({"serve", "--data", "d", "--listen", "[::1]:0", "--interval", "60"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.command.host, "::1");
    EXPECT_EQ(parsed.command.interval, 60);
    EXPECT_TRUE(ParseServerCommandLine({"import", "--data", "d", "cat.txt", "--db", "postgresql://x/y"}).ok);
    EXPECT_FALSE(ParseServerCommandLine({"serve", "--data", "d"}).ok);                  // no --listen
    EXPECT_FALSE(ParseServerCommandLine({"report", "--data", "d", "--listen", "a:1"}).ok);
    EXPECT_FALSE(ParseServerCommandLine({"import", "--data", "d", "--db", "mysql://x", "c"}).ok);
    EXPECT_FALSE(ParseServerCommandLine({"keygen"}).ok);
}

}  // namespace
