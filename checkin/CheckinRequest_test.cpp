#include "checkin/CheckinRequest.h"

#include <gtest/gtest.h>

namespace {

const char kA[] = "{11111111-1111-1111-1111-111111111111}";
const char kB[] = "{22222222-2222-2222-2222-222222222222}";
const char kC[] = "{33333333-3333-3333-3333-333333333333}";
const char kD[] = "{44444444-4444-4444-4444-444444444444}";

CheckinChannel Channel(const char* guid, const char* subscribed, std::optional<std::string> priority,
                       std::optional<std::string> distId = std::nullopt) {
    return CheckinChannel{guid, subscribed, std::move(priority), std::move(distId)};
}

std::string ChannelPart(const std::vector<CheckinChannel>& channels) {
    std::string part;
    for (const CheckinChannel* c : ListedChannels(channels)) part += ChannelEntry(*c);
    return part;
}

}  // namespace

TEST(CheckinChannels, AscendingPriorityWithTheirDistributionIdentifiers) {
    std::vector<CheckinChannel> channels = {Channel(kA, "1", "5", "DA"), Channel(kB, "1", "1"),
                                            Channel(kC, "1", "3", "DC")};
    EXPECT_EQ(ChannelPart(channels), std::string(kB) + ",no-distid;" + kC + ",DC;" + kA + ",DA;");
}

TEST(CheckinChannels, OddRecordsAreLeftOut) {
    std::vector<CheckinChannel> channels = {
        Channel(kA, "1", "2", "first"),  // tie with the next: the one enumerated last wins
        Channel(kB, "1", "2", "second"),
        Channel(kC, "1", "0"),            // priority 0
        Channel(kD, "0", "1"),            // not subscribed
        Channel("{55555555-5555-5555-5555-555555555555}", "1", std::nullopt),  // no priority
        Channel("{66666666-6666-6666-6666-666666666666}", "1", "abc"),         // not a number: 0
    };
    EXPECT_EQ(ChannelPart(channels), std::string(kB) + ",second;");
    // "Subscribed" compares without regard to case; only the text "1" counts.
    EXPECT_EQ(ListedChannels({Channel(kA, "1", "7"), Channel(kB, "yes", "1")}).size(), 1u);
    EXPECT_TRUE(ListedChannels({}).empty());
}

TEST(CheckinRequestBody, ExactBytesOfTheForm) {
    std::vector<CheckinChannel> channels = {Channel(kA, "1", "1", "D")};
    CheckinRequest request = BuildCheckinRequest(kD, ListedChannels(channels), "{I},{C};");
    EXPECT_EQ(request.body, std::string("clversion=1.1.1&checkintype=2&machineguid=") + kD + "&channels=" + kA +
                                ",D;&installed={I},{C};");
    EXPECT_TRUE(request.anyChannel);
    EXPECT_EQ(request.reportedInstalled, "{I},{C};");

    CheckinRequest empty = BuildCheckinRequest(kD, {}, "");
    EXPECT_EQ(empty.body, std::string("clversion=1.1.1&checkintype=2&machineguid=") + kD + "&channels=&installed=");
    EXPECT_FALSE(empty.anyChannel);
}

TEST(CheckinRequestBody, OversizedListsAreSentByWholeEntriesWithinTheLimit) {
    std::string installed;
    const std::string entry = std::string(kA) + "," + kB + ";";
    while (installed.size() < 3 * kCheckinRequestLimit) installed += entry;
    std::vector<CheckinChannel> channels;
    for (int i = 0; i < 500; ++i) channels.push_back(Channel(kC, "1", std::to_string(i + 1), "DIST"));

    CheckinRequest request = BuildCheckinRequest(kD, ListedChannels(channels), installed);
    EXPECT_LE(request.body.size(), kCheckinRequestLimit);
    // Channel part ends with a whole entry, and the installed part is a prefix of whole entries.
    const size_t installedAt = request.body.find("&installed=");
    ASSERT_NE(installedAt, std::string::npos);
    EXPECT_EQ(request.body[installedAt - 1], ';');
    EXPECT_EQ(request.reportedInstalled.size() % entry.size(), 0u);
    EXPECT_EQ(installed.compare(0, request.reportedInstalled.size(), request.reportedInstalled), 0);
    EXPECT_EQ(request.body.substr(installedAt + 11), request.reportedInstalled);

    // A pending list whose first entry alone does not fit is kept whole for later.
    CheckinRequest huge = BuildCheckinRequest(kD, {}, std::string(2 * kCheckinRequestLimit, 'x') + ";");
    EXPECT_EQ(huge.reportedInstalled, "");
}

TEST(CheckinRequestBody, ANonceEndsTheBodyAndKeepsItsRoomWithinTheLimit) {
    const std::string nonce = "0123456789ABCDEF0123456789ABCDEF";
    std::vector<CheckinChannel> channels = {Channel(kA, "1", "1", "D")};
    CheckinRequest request = BuildCheckinRequest(kD, ListedChannels(channels), "{I},{C};", nonce);
    EXPECT_EQ(request.body, std::string("clversion=1.1.1&checkintype=2&machineguid=") + kD + "&channels=" + kA +
                                ",D;&installed={I},{C};&nonce=" + nonce);

    std::string installed;
    while (installed.size() < 2 * kCheckinRequestLimit) installed += std::string(kA) + "," + kB + ";";
    CheckinRequest full = BuildCheckinRequest(kD, ListedChannels(channels), installed, nonce);
    EXPECT_LE(full.body.size(), kCheckinRequestLimit);
    EXPECT_EQ(full.body.substr(full.body.size() - 39), "&nonce=" + nonce);
    EXPECT_EQ(full.body.substr(full.body.find("&installed=") + 11, full.reportedInstalled.size()), full.reportedInstalled);
}
