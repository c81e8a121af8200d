// Transport security against real TLS and real signatures: the tls-fixture's test CA (added to
// the prefix's machine root store by AddRootCert.exe), nginx over https with a certificate for
// "localhost" from that CA and another from a CA nobody trusts, and the development server
// signing its answers with the publisher's key.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <set>

#include "checkin/CheckinSession.h"
#include "common/ComObject.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/ProgramTestSupport.h"
#include "common/Sha256Hash.h"
#include "manager/ZULManager.h"
#include "tests/integration/devserver_test_support.h"
#include "transfer/HttpTransfer.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;
using namespace devservertest;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
const char kInstallerSet[] = "{8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01}";  // TestInstall.exe + setup.dat
const char kChannel[] = "{6F4E2D10-1111-4A2B-8C3D-4E5F60718201}";
const char kItem[] = "{6F4E2D10-3333-4A2B-8C3D-4E5F60718203}";
const char kDefaultType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
const char kPending[] = "{6F4E2D10-4444-4A2B-8C3D-4E5F60718204},{6F4E2D10-1111-4A2B-8C3D-4E5F60718201};";

std::string FixtureDir() { return Environment("ZUL_TLS_FIXTURE"); }
std::string FixtureFile(const char* name) { return WindowsPathOf(FixtureDir()) + "\\" + name; }
std::string Port(const char* name) { return ReadFileText(FixtureFile(name)); }
std::string Https(const char* portFile, const std::string& path) { return "https://localhost:" + Port(portFile) + path; }

std::string DigestOf(const std::string& path) {
    Sha256Digest digest{};
    EXPECT_TRUE(HashFile(path.c_str(), digest));
    return EncodeHexLower(digest.data(), digest.size());
}

std::string Answer(const std::string& body) { return "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=60\r\n}\r\n" + body; }

class SecurityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(FixtureDir().empty()) << "ZUL_TLS_FIXTURE names no fixture";
        // Trusting the test CA is what a publisher's real certificate gets from the system.
        ASSERT_EQ(RunProgram(BinPath("tools\\AddRootCert.exe"), "\"" + FixtureFile("ca.pem") + "\""), DWORD{0});
    }
    void SetUp() override {
        ASSERT_TRUE(RegisterManagerWithoutRecords("security-manager", managerDir));
        log = MakeScratchDirectory("security-log") + "\\zul.log";
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "LogFile", log);
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "MachineGuid", "{0D4C5B6A-7988-4A1B-9C2D-3E4F5A6B7C8D}");
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems", kPending);
        ASSERT_EQ(ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager, &manager), S_OK);
        // The test files of nginx's document root.
        const std::string html = FixtureFile("html") + "\\sec";
        CreateDirectoryA(html.c_str(), nullptr);
        installerArchive = html + "\\installer.FileSet";
        ASSERT_TRUE(CopyFileA(BinPath("testdata\\manager\\installer.FileSet").c_str(), installerArchive.c_str(), FALSE));
    }
    void TearDown() override {
        manager.Reset();
        StopAllManagers();
    }

    CheckinOutcome CheckIn(ComPtr<I_ResponseData>& answer) {
        CheckinState state;
        return RunCheckin(manager.Get(), state, answer);
    }
    CheckinOutcome CheckIn() {
        ComPtr<I_ResponseData> answer;
        return CheckIn(answer);
    }
    ZULError Fetch(const char* id, const std::string& url) {
        ZULError ret = ZULERR_FAILED;
        std::string source = url;
        manager->DownloadFileSet(const_cast<char*>(id), nullptr, source.data(), &ret);
        return ret;
    }
    std::optional<std::string> Pending() const { return ReadString(HKEY_LOCAL_MACHINE, kZUL, "InstalledItems"); }
    std::string Log() const { return ReadFileText(log); }
    size_t Count(const std::string& text) const {
        const std::string all = Log();
        size_t count = 0;
        for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
        return count;
    }

    ComScope com{COINIT_APARTMENTTHREADED};
    ComPtr<I_ZULManager> manager;
    std::string managerDir, log, installerArchive;
};

TEST_F(SecurityTest, UnderAPinnedKeyOnlyAnAnswerSignedForItsNonceIsTaken) {
    DevServer server(FixtureDir() + "/signing", false);
    ASSERT_TRUE(server.Running());
    server.PointManagerAt();
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "PublisherKey", server.PublisherKey());
    const std::string body = Answer("Channel\r\n{\r\nGuid=" + std::string(kChannel) + "\r\nName=Signed\r\n}\r\n");
    const std::string json = JsonText(body);
    ASSERT_TRUE(server.ScriptRaw({"{\"body\": \"" + json + "\", \"signature\": \"tamper\"}",
                                  "{\"body\": \"" + json + "\", \"signature\": \"omit\"}",
                                  "{\"body\": \"" + json + "\", \"signature\": \"replay\"}",
                                  "{\"body\": \"" + json + "\"}"}));

    // One changed byte, no header, a valid signature made for an earlier nonce: each refused
    // before the answer is read, the pending list kept, retried as after a server error.
    for (const char* fault : {"tamper", "omit", "replay"}) {
        const CheckinOutcome outcome = CheckIn();
        EXPECT_EQ(outcome.error, static_cast<uint32_t>(ZULERR_CHECKIN_BAD_SERVER_RESPONSE)) << fault;
        EXPECT_EQ(outcome.result, 1) << fault;
        EXPECT_EQ(Pending(), kPending) << fault;
    }
    EXPECT_EQ(Count(" signature refused - signature does not match the answer and nonce"), 2u) << Log();
    EXPECT_EQ(Count(" signature refused - no X-ZUL-Signature header"), 1u) << Log();

    ComPtr<I_ResponseData> answer;
    const CheckinOutcome outcome = CheckIn(answer);
    ASSERT_EQ(outcome.error, static_cast<uint32_t>(ZULERR_SUCCESS));
    ASSERT_TRUE(answer);
    EXPECT_EQ(Pending(), "");
    ZULError ret = ZULERR_FAILED;
    EXPECT_EQ(manager->ProcessResponseData(answer.Get(), &ret), S_OK);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\Channel\\" + kChannel, "Name"), "Signed");

    // Every request ended with its own nonce, and nothing else changed in it.
    std::set<std::string> nonces;
    for (const std::string& request : server.Requests()) {
        const size_t at = request.find("&nonce=");
        ASSERT_NE(at, std::string::npos) << request;
        EXPECT_EQ(request.size(), at + 7 + 32) << request;
        EXPECT_EQ(request.find_first_not_of("0123456789ABCDEF", at + 7), std::string::npos) << request;
        nonces.insert(request.substr(at + 7));
    }
    EXPECT_EQ(nonces.size(), 4u);
}

TEST_F(SecurityTest, AMalformedKeyRefusesEveryAnswerAndNoKeySendsNoNonce) {
    DevServer server(FixtureDir() + "/signing", false);
    ASSERT_TRUE(server.Running());
    server.PointManagerAt();
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "PublisherKey", server.PublisherKey().substr(4));
    EXPECT_EQ(CheckIn().error, static_cast<uint32_t>(ZULERR_CHECKIN_BAD_SERVER_RESPONSE));
    EXPECT_EQ(Pending(), kPending);
    EXPECT_EQ(Count(" signature refused - PublisherKey is not 65 bytes"), 1u) << Log();

    DeleteValue(HKEY_LOCAL_MACHINE, kZUL, "PublisherKey");
    EXPECT_EQ(CheckIn().error, static_cast<uint32_t>(ZULERR_SUCCESS));
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].find("&nonce="), std::string::npos) << server.Requests()[1];
}

TEST_F(SecurityTest, UntrustedCertificatesAndRedirectsToHttpAreRefusedRedirectsWithinHttpsFollowed) {
    // A check-in to a server whose certificate no trusted CA issued: a failed connection.
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "CheckinURL", Https("rogue.port", "/zulm/channelcheckin.asp"));
    EXPECT_EQ(CheckIn().error, static_cast<uint32_t>(ZULERR_CHECKIN_FAILED));
    EXPECT_EQ(Pending(), kPending);

    // File sets: nothing recorded for a rogue server or an https address that sends on to http.
    EXPECT_EQ(Fetch(kInstallerSet, Https("rogue.port", "/sec/installer.FileSet")), ZULERR_FILE_DOWNLOAD_FAILED);
    EXPECT_EQ(Fetch(kInstallerSet, Https("https.port", "/to-http/sec/installer.FileSet")), ZULERR_FILE_DOWNLOAD_FAILED);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\FS_Info\\" + kInstallerSet, "LocalPath"));
    // The trusted server delivers ("HTTPS" in any case), also through a redirect that stays on https.
    EXPECT_EQ(Fetch(kInstallerSet, "HTTPS://localhost:" + Port("https.port") + "/moved/sec/installer.FileSet"), ZULERR_SUCCESS);
    EXPECT_EQ(DigestOf(managerDir + "\\FileSets\\" + kInstallerSet + ".FileSet"), DigestOf(installerArchive));
}

TEST_F(SecurityTest, AnHttpsDownloadResumesWithAByteRange) {
    const std::string target = managerDir + "\\resumed.bin";
    std::string head = ReadFileText(installerArchive);
    ASSERT_GT(head.size(), 1000u);
    head.resize(head.size() / 2);
    ASSERT_TRUE(WriteFileBytes(target, head));
    {
        const UniqueHandle file(CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        const std::string url = Https("https.port", "/sec/installer.FileSet");
        C_HttpTransfer transfer;
        transfer.request.m_pszUrl = url.c_str();
        transfer.request.m_hFile = file.get();
        transfer.request.m_bResume = true;
        ASSERT_EQ(transfer.Transfer(), static_cast<unsigned>(TRANSFER_OK));
        EXPECT_EQ(transfer.report.m_dwStatus, 206u);
    }
    EXPECT_EQ(DigestOf(target), DigestOf(installerArchive));
}

TEST_F(SecurityTest, ASignedCheckinOverHttpsInstallsAnItemFromAnHttpsFileSet) {
    DevServer server(FixtureDir() + "/secure", true);
    ASSERT_TRUE(server.Running());
    server.PointManagerAt();
    WriteString(HKEY_LOCAL_MACHINE, kZUL, "PublisherKey", server.PublisherKey());
    WriteString(HKEY_LOCAL_MACHINE, ProductKeys::kCheckin, "NextChannelCheckin", "0");
    const std::string installLog = MakeScratchDirectory("security-install") + "\\install.log";
    const std::string sha = DigestOf(installerArchive);
    ASSERT_TRUE(server.Script({Answer(
        "FileSet\r\n{\r\nGUID=" + std::string(kInstallerSet) + "\r\nSourceURL=" + Https("https.port", "/sec/installer.FileSet") +
        "\r\nSHA256=" + sha + "\r\n}\r\n"
        "Item\r\n{\r\nGuid=" + kItem + "\r\nType=" + kDefaultType + "\r\nChannel=" + kChannel + "\r\nName=Secure Game\r\n"
        "FileSets=" + kInstallerSet + "\r\nInstallFileSet=" + kInstallerSet + "\r\nInstallFile=TestInstall.exe\r\n"
        "InstallArgs=/log=\"" + installLog + "\" /exit=0\r\n}\r\n")}));

    const std::string entry = std::string(kItem) + "," + kChannel + ";";
    {
        ResidentManager resident;
        ASSERT_TRUE(resident.Started());
        EXPECT_TRUE(WaitUntil([&] { return Pending().value_or("").find(entry) != std::string::npos; }, 30000)) << Log();
        EXPECT_TRUE(resident.Stop());
    }
    EXPECT_NE(ReadFileText(installLog).find("Arguments=/log="), std::string::npos);
    EXPECT_EQ(Count(" signature verified "), 1u) << Log();
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kZUL) + "\\FS_Info\\" + kInstallerSet, "SHA256"), sha);
}

}  // namespace
