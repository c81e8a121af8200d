// The check-in protocol against a real store (embedded, or PostgreSQL with
// ZUL_TEST_STORE=postgresql): requests built as the client builds them, answers read back with
// the client's own parser.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <atomic>
#include <random>
#include <set>
#include <thread>

#include "ServerTestSupport.h"
#include "records/GuidText.h"
#include "server/Crypto.h"

using namespace servertest;

namespace {

constexpr int64_t kNow = 1'800'000'000;
const std::string kMachine = "{0F0E0D0C-0B0A-0908-0706-050403020100}";
const std::string kHost = "127.0.0.1:8080";

using Ids = std::vector<std::string>;

class ServerProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(server.Import(CatalogueText()), "");
        service = server.Service();
    }
    CheckinReply Checkin(const std::vector<std::pair<std::string, std::string>>& channels, const std::string& installed,
                         const std::string& machine = kMachine) {
        return service->Checkin(RequestBody(machine, channels, installed), kHost, kNow);
    }
    int64_t Installs() {
        int64_t total = 0;
        for (const auto& install : server.GetStore().Report(kNow).installsByItem) total += install.machines;
        return total;
    }

    TestServer server;
    std::unique_ptr<CheckinService> service;
};

std::string Installed(const std::string& item, const std::string& channel) { return item + "," + channel + ";"; }

TEST_F(ServerProtocol, FirstCheckinGetsThePresetWithItsItemsAndFileSetsInClientBlockText) {
    const CheckinReply reply = Checkin({}, "");
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.body.rfind("CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n", 0), 0u);
    EXPECT_EQ(std::count(reply.body.begin(), reply.body.end(), '\n'), std::count(reply.body.begin(), reply.body.end(), '\r'));
    EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{kPresetChannel});
    EXPECT_EQ(BlockValue(reply.body, "Channel", kPresetChannel, "Subscribe"), "1");
    EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{kPresetItem});
    EXPECT_EQ(BlockIds(reply.body, "FileSet"), (Ids{kChannelFiles, kItemFiles}));
    // A relative archive name becomes this server's /files/ address, with the archive's hash.
    EXPECT_EQ(BlockValue(reply.body, "FileSet", kChannelFiles, "SourceURL"), "http://" + kHost + "/files/channel.FileSet");
    EXPECT_EQ(BlockValue(reply.body, "FileSet", kChannelFiles, "SHA256"),
              *FileSha256Hex(server.DataDir() + "/files/channel.FileSet"));
    EXPECT_EQ(BlockValue(reply.body, "FileSet", kItemFiles, "SourceURL"), "http://127.0.0.1:1/cdn/game.FileSet");
    EXPECT_EQ(BlockValue(reply.body, "FileSet", kItemFiles, "SHA256"), "");  // no archive under files/
}

TEST_F(ServerProtocol, AReportedInstallIsCountedOnceAndNeverSentAgainAlsoAfterAReimport) {
    ASSERT_EQ(Checkin({}, "").status, 200);
    const std::string installed = Installed(kPresetItem, kPresetChannel);
    for (int i = 0; i < 3; ++i) {
        const CheckinReply reply = Checkin({{kPresetChannel, "DIST-A"}}, installed);
        ASSERT_EQ(reply.status, 200) << reply.body;
        EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{});
        EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{});  // confirmed: not sent again
    }
    EXPECT_EQ(Installs(), 1);

    ASSERT_EQ(server.Import(CatalogueText(2)), "");
    service = server.Service();  // a serve process started after the import
    const CheckinReply reply = Checkin({{kPresetChannel, "DIST-A"}}, "");
    EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{kPresetChannel});  // the new version
    EXPECT_EQ(BlockValue(reply.body, "Channel", kPresetChannel, "Subscribe"), "");
    EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{});
    const ReportData report = server.GetStore().Report(kNow);
    ASSERT_EQ(report.installsByItemDistId.size(), 1u);
    EXPECT_EQ(report.installsByItemDistId[0].distId, "DIST-A");
}

TEST_F(ServerProtocol, APresetTurnedOffStaysOffAndItemsComeOnlyForSubscribedChannels) {
    ASSERT_EQ(BlockValue(Checkin({}, "").body, "Channel", kPresetChannel, "Subscribe"), "1");
    // The user turned the preset off: the machine lists nothing, and is sent nothing.
    CheckinReply reply = Checkin({}, "");
    EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{});
    EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{});
    // A machine that lists the other channel gets it and its item; the other never reaches
    // a machine that does not list it.
    reply = Checkin({{kOtherChannel, ""}}, "");
    EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{kOtherChannel});
    EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{kOtherItem});
    const std::string stranger = "{AAAAAAAA-0000-4000-8000-000000000001}";
    reply = Checkin({}, "", stranger);
    EXPECT_EQ(BlockIds(reply.body, "Channel"), Ids{kPresetChannel});
    EXPECT_EQ(BlockIds(reply.body, "Item"), Ids{kPresetItem});
}

TEST_F(ServerProtocol, MalformedRequestsGet400AndChangeNothing) {
    const std::string good = RequestBody(kMachine, {{kPresetChannel, ""}}, Installed(kPresetItem, kPresetChannel));
    std::vector<std::string> bad = {
        "",
        "clversion=1.1.1&checkintype=2&channels=&installed=",                        // no machine id
        RequestBody("{0F0E0D0C-0B0A-0908-0706-05040302010}", {}, ""),              // short GUID
        RequestBody(kMachine, {}, "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D51};"),       // entry without channel part
        good + "&nonce=0123",                                                        // short nonce
        good + "&extra=1",
        good + std::string(kCheckinBodyLimit, 'x'),                               // over 1 MiB
    };
    bad.push_back(good);
    bad.back().replace(bad.back().find("{9D"), 3, "{9G");  // a bad channel GUID
    for (const std::string& body : bad) {
        const CheckinReply reply = service->Checkin(body, kHost, kNow);
        EXPECT_EQ(reply.status, 400) << body.substr(0, 120);
        EXPECT_EQ(std::count(reply.body.begin(), reply.body.end(), '\n'), 1) << reply.body;
    }
    const ReportData report = server.GetStore().Report(kNow);
    EXPECT_EQ(report.machines, 0);
    EXPECT_EQ(report.checkinsPerDay.size(), 0u);
    EXPECT_EQ(Installs(), 0);
}

TEST_F(ServerProtocol, AnswersAreSignedForTheNonceAndTheSignatureFailsOnAChangedByte) {
    std::string error;
    const std::optional<SigningKey> key = SigningKey::Create(server.DataDir() + "/signing-key.pem", error);
    ASSERT_TRUE(key) << error;
    const std::string publicKey = key->PublicKeyBase64();
    ASSERT_EQ(FromBase64(publicKey)->size(), 65u);
    EXPECT_EQ((*FromBase64(publicKey))[0], 0x04);
    const auto signer = server.Service(SigningKey::Load(server.DataDir() + "/signing-key.pem"));

    const std::string nonce = "00112233445566778899AABBCCDDEEFF";
    const CheckinReply reply = signer->Checkin(RequestBody(kMachine, {}, "", nonce), kHost, kNow);
    ASSERT_EQ(reply.status, 200);
    ASSERT_EQ(FromBase64(reply.signature)->size(), 64u);
    EXPECT_TRUE(VerifyAnswer(publicKey, nonce, reply.body, reply.signature));
    std::string changed = reply.body;
    changed[changed.size() / 2] ^= 1;
    EXPECT_FALSE(VerifyAnswer(publicKey, nonce, changed, reply.signature));
    EXPECT_FALSE(VerifyAnswer(publicKey, "00112233445566778899AABBCCDDEEFE", reply.body, reply.signature));
    EXPECT_EQ(signer->Checkin(RequestBody(kMachine, {}, ""), kHost, kNow).signature, "");
}

TEST_F(ServerProtocol, AMalformedCatalogueIsRefusedWholeNamingItsBlockAndLine) {
    const int64_t revision = server.GetStore().CatalogueRevision();
    std::string text = CatalogueText(5);
    text.replace(text.find("Guid=" + kOtherItem), 5 + kOtherItem.size(), "Guid={not-a-guid}");
    const std::string error = server.Import(text, "broken.txt");
    EXPECT_NE(error.find("line 42, Item block"), std::string::npos) << error;
    const std::string dangling = CatalogueText() + "Item\r\n{\r\nGuid={11111111-1111-1111-1111-111111111111}\r\n"
                                 "Type={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}\r\nChannel={22222222-2222-2222-2222-222222222222}\r\n}\r\n";
    EXPECT_NE(server.Import(dangling, "dangling.txt").find("Channel names no channel"), std::string::npos);
    EXPECT_EQ(server.GetStore().CatalogueRevision(), revision);
    EXPECT_EQ(BlockValue(Checkin({}, "").body, "Channel", kPresetChannel, "Version"), "1");
}

TEST_F(ServerProtocol, ConcurrentCheckinsCountEveryInstallExactlyOnce) {
    constexpr int kThreads = 8, kMachinesPerThread = 40;
    const std::vector<std::pair<std::string, std::string>> items = {{kPresetItem, kPresetChannel}, {kOtherItem, kOtherChannel}};
    std::atomic<int64_t> tally{0}, failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            for (int m = 0; m < kMachinesPerThread; ++m) {
                GuidValue id;
                id.data1 = static_cast<uint32_t>(t);
                id.data2 = static_cast<uint16_t>(m);
                const std::string machine = GuidToText(id);
                std::set<std::string> reported;
                for (int round = 0; round < 3; ++round) {  // installs repeated across rounds, as after a failed answer
                    std::string installed;
                    for (const auto& [item, channel] : items)
                        if (random() % 2) {
                            installed += Installed(item, channel);
                            reported.insert(item);
                        }
                    if (service->Checkin(RequestBody(machine, {{kOtherChannel, "D"}}, installed), kHost, kNow).status != 200)
                        ++failures;
                }
                tally += static_cast<int64_t>(reported.size());
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Installs(), tally.load());
    const ReportData report = server.GetStore().Report(kNow);
    EXPECT_EQ(report.machines, kThreads * kMachinesPerThread);
    ASSERT_EQ(report.checkinsPerDay.size(), 1u);  // every check-in counted, batched or not
    EXPECT_EQ(report.checkinsPerDay[0].checkins, kThreads * kMachinesPerThread * 3);
}

// A database written by the first schema (one row per check-in, deliveries in a table of their
// own) is upgraded in place when the server opens it: its machines, installs, what each machine
// was sent and check-ins per day are kept, and check-ins go on.
TEST(ServerStoreUpgrade, AFirstSchemaDatabaseKeepsItsRecordsAndTakesCheckins) {
    const char* kind = std::getenv("ZUL_TEST_STORE");
    if (kind && std::string(kind) == "postgresql") GTEST_SKIP() << "the upgrade is the same SQL on both stores";
    char dir[] = "/tmp/zulserver-upgrade-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/zul.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                           "INSERT INTO meta VALUES('schema_version', '1'), ('catalogue_revision', '0');"
                           "CREATE TABLE catalogue(guid TEXT PRIMARY KEY, type TEXT NOT NULL, position BIGINT NOT NULL,"
                           " published BIGINT NOT NULL, block TEXT NOT NULL);"
                           "CREATE TABLE machines(guid TEXT PRIMARY KEY, first_seen BIGINT NOT NULL, last_seen BIGINT NOT NULL,"
                           " clversion TEXT NOT NULL, checkins BIGINT NOT NULL) WITHOUT ROWID;"
                           "CREATE TABLE subscriptions(machine TEXT NOT NULL, channel TEXT NOT NULL, distid TEXT NOT NULL,"
                           " PRIMARY KEY(machine, channel)) WITHOUT ROWID;"
                           "CREATE TABLE installs(machine TEXT NOT NULL, item TEXT NOT NULL, channel TEXT NOT NULL,"
                           " reported BIGINT NOT NULL, PRIMARY KEY(machine, item)) WITHOUT ROWID;"
                           "CREATE TABLE deliveries(machine TEXT NOT NULL, channel TEXT NOT NULL, sent_version TEXT,"
                           " sent_subscribe BIGINT NOT NULL, pending BIGINT NOT NULL, confirmed_version TEXT,"
                           " subscribe_confirmed BIGINT NOT NULL, PRIMARY KEY(machine, channel)) WITHOUT ROWID;"
                           "CREATE TABLE checkins(day TEXT NOT NULL, at BIGINT NOT NULL);"
                           "INSERT INTO machines VALUES('{0F0E0D0C-0B0A-0908-0706-050403020100}', 1, 1, '1.1.1', 3);"
                           "INSERT INTO installs VALUES('{0F0E0D0C-0B0A-0908-0706-050403020100}', 'i', 'c', 1);"
                           "INSERT INTO deliveries VALUES('{0F0E0D0C-0B0A-0908-0706-050403020100}', 'c', '3', 1, 1, NULL, 0),"
                           " ('{0F0E0D0C-0B0A-0908-0706-050403020100}', 'd', '2', 0, 0, '2:x', 0);"
                           "INSERT INTO checkins VALUES('2027-01-13', 1), ('2027-01-13', 2), ('2027-01-14', 3);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    const std::unique_ptr<Store> store = OpenStore(dir, "");
    MachineState seen;
    store->RecordCheckin(ParseCheckinForm(RequestBody(kMachine, {}, "")).form, kNow, [&seen](const MachineState& state) {
        seen = state;
        return std::vector<DeliveryRecord>{};
    });
    ASSERT_EQ(seen.deliveries.size(), 2u);  // the pending one confirmed by this check-in
    EXPECT_EQ(seen.deliveries["c"].confirmedVersion, "3");
    EXPECT_TRUE(seen.deliveries["c"].subscribeConfirmed);
    EXPECT_EQ(seen.deliveries["d"].confirmedVersion, "2:x");
    EXPECT_FALSE(seen.deliveries["d"].subscribeConfirmed);
    const ReportData report = store->Report(kNow);
    EXPECT_EQ(report.machines, 1);
    EXPECT_EQ(report.machinesLastDay, 1);  // seen again now
    ASSERT_EQ(report.installsByItem.size(), 1u);
    ASSERT_EQ(report.checkinsPerDay.size(), 3u);
    EXPECT_EQ(report.checkinsPerDay[0].checkins, 2);
    EXPECT_EQ(report.checkinsPerDay[1].checkins, 1);
    EXPECT_EQ(report.checkinsPerDay[2].checkins, 1);  // the one just made
    std::filesystem::remove_all(dir);
}

}  // namespace
