// File sets end to end under Wine: the manager fetches archives from nginx (through a
// DownloadMgr served by ZULMan) or copies them from a path, records them, extracts lists of them
// and purges them; DownloadMgr resumes cut-off downloads and keeps the bandwidth history.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "manager/ZULManager.h"
#include "common/ProgramTestSupport.h"
#include "transfer_test_support.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

// The archives packed at build time (tests/integration/CMakeLists.txt) with these ids and names.
constexpr char kAlpha[] = "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}";
constexpr char kBeta[] = "{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}";
constexpr char kAlphaName[] = "Alpha Set";
constexpr char kBetaName[] = "Beta Set";
constexpr char kItem[] = "{3C4D5E6F-7081-4293-A4B5-C6D7E8F90A1B}";

constexpr auto& kTessary = ProductKeys::kTessary;
constexpr auto& kZUL = ProductKeys::kZUL;
constexpr auto& kDownloadMgrKey = ProductKeys::kDownloadMgr;
constexpr char kHistory[] = "HistoricalBandwidth";
// Served by nginx under its /paced/ limit of 256 KB/s: long enough for a measuring period.
constexpr char kLongFile[] = "paced/zul-filesets-long.bin";
constexpr size_t kLongFileSize = 3250 * 1024;

std::string FileSetKey(const char* guid) { return std::string(kZUL) + "\\FS_Info\\" + guid; }
std::optional<std::string> FileSetValue(const char* guid, const char* value) {
    return ReadString(HKEY_LOCAL_MACHINE, FileSetKey(guid), value);
}

// The archives' directory on the build host, as the Windows side sees it.
std::string ArchivesDir() { return WindowsPathOf(Environment("ZUL_FILESETS_DIR")); }
std::string SourceArchivePath(const char* file) { return ArchivesDir() + "\\" + file; }
std::vector<uint8_t> SourceArchive(const char* file) { return transfertest::ReadBytes(SourceArchivePath(file)); }
std::string ArchiveUrl(const char* file) { return transfertest::NginxUrl(std::string("/zul-filesets/") + file); }

std::string NginxAccessLog() { return ReadFileText(transfertest::FixtureDir() + "\\logs\\access.log"); }
size_t CountLines(const std::string& text) {
    size_t count = 0;
    for (char c : text) count += c == '\n';
    return count;
}
std::string LastLine(const std::string& text) {
    const size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start == std::string::npos ? 0 : start + 1));
}

class FileSetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StopAllManagers();
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
        // The archives go beside nginx's own test files.
        const std::string html = transfertest::FixtureDir() + "\\html";
        CreateDirectoryA((html + "\\zul-filesets").c_str(), nullptr);
        for (const char* file : {"alpha.FileSet", "beta.FileSet"})
            ASSERT_TRUE(CopyFileA(SourceArchivePath(file).c_str(), (html + "\\zul-filesets\\" + file).c_str(), FALSE))
                << file;
        CreateDirectoryA((html + "\\paced").c_str(), nullptr);
        transfertest::WriteBytes(html + "\\" + kLongFile, transfertest::Pattern(0, kLongFileSize));
    }
    static void TearDownTestSuite() {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
    }

    void SetUp() override {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, kTessary);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_dir = MakeScratchDirectory("filesets");
        WriteString(HKEY_LOCAL_MACHINE, kZUL, "Path", m_dir);
        ASSERT_EQ(ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager,
                                                              reinterpret_cast<void**>(m_manager.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override {
        m_manager.Reset();
        CoUninitialize();
        StopAllManagers();
    }

    std::string ArchivePath(const char* guid) const { return m_dir + "\\FileSets\\" + guid + ".FileSet"; }

    HRESULT Download(std::string guid, const char* name, std::optional<std::string> source, ZULError& code) {
        std::string nameText = name ? name : "";
        code = ZULERR_FAILED;
        return m_manager->DownloadFileSet(guid.data(), name ? nameText.data() : nullptr,
                                          source ? source->data() : nullptr, &code);
    }
    void Fetch(const char* guid, const char* archiveFile) {
        ZULError code;
        ASSERT_EQ(Download(guid, nullptr, SourceArchivePath(archiveFile), code), S_OK);
        ASSERT_EQ(code, ZULERR_SUCCESS);
    }
    HRESULT Install(std::string guids, std::string target, ZULError& code) {
        code = ZULERR_FAILED;
        return m_manager->InstallFileSets(guids.data(), target.data(), &code);
    }
    HRESULT Purge(std::string guid, ZULError& code) {
        code = ZULERR_FAILED;
        return m_manager->PurgeFileSet(guid.data(), &code);
    }

    // One DownloadMgr::DownloadFile through COM (the class is served by ZULMan).
    HRESULT DownloadFile(std::string url, std::string path, LONG resume, DLMgrError& result) {
        ComPtr<I_DownloadMgr> downloader;
        HRESULT hr = CoCreateInstance(CLSID_DownloadMgr, nullptr, CLSCTX_LOCAL_SERVER, IID_I_DownloadMgr,
                                      reinterpret_cast<void**>(downloader.GetAddressOf()));
        if (FAILED(hr)) return hr;
        result = DLMGR_ERROR_FAILED;
        return downloader->DownloadFile(url.data(), path.data(), 1, resume, &result);
    }
    std::optional<std::string> History() { return ReadString(HKEY_LOCAL_MACHINE, kDownloadMgrKey, kHistory); }

    ComPtr<I_ZULManager> m_manager;
    std::string m_dir;
};

TEST_F(FileSetsTest, HttpFetchRecordsTheArchiveUnderItsOwnNameOnce) {
    ZULError code;
    // Any case of the scheme downloads; the id may come without braces and in lower case.
    std::string url = ArchiveUrl("alpha.FileSet");
    url.replace(0, 4, "HTTP");
    ASSERT_EQ(Download("6f1c2a3b-4d5e-4f60-8172-93a4b5c6d7e8", "Name given by the caller", url, code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(transfertest::ReadBytes(ArchivePath(kAlpha)), SourceArchive("alpha.FileSet"));
    EXPECT_EQ(FileSetValue(kAlpha, "LocalPath"), ArchivePath(kAlpha));
    EXPECT_EQ(FileSetValue(kAlpha, "Name"), kAlphaName);

    // Fetched already: nothing is requested, whatever the source says now.
    const size_t requests = CountLines(NginxAccessLog());
    EXPECT_EQ(Download(kAlpha, "Other", ArchiveUrl("missing.FileSet"), code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(Download(kAlpha, nullptr, std::nullopt, code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(CountLines(NginxAccessLog()), requests);
    EXPECT_EQ(FileSetValue(kAlpha, "Name"), kAlphaName);
}

TEST_F(FileSetsTest, FailedFetchesRecordNothing) {
    ZULError code;
    EXPECT_EQ(Download(kAlpha, "Alpha", ArchiveUrl("missing.FileSet"), code), S_FALSE);
    EXPECT_EQ(code, ZULERR_FILE_DOWNLOAD_FAILED);
    EXPECT_FALSE(FileSetValue(kAlpha, "LocalPath"));

    // A file that is no archive stays where it was fetched to, unrecorded.
    EXPECT_EQ(Download(kAlpha, nullptr, transfertest::NginxUrl("/small.bin"), code), S_FALSE);
    EXPECT_NE(code, ZULERR_SUCCESS);
    EXPECT_TRUE(PathExists(ArchivePath(kAlpha)));
    EXPECT_FALSE(FileSetValue(kAlpha, "LocalPath"));

    // No source: nothing fetched, and the caller is told.
    EXPECT_EQ(Download(kBeta, "Beta", std::nullopt, code), S_FALSE);
    EXPECT_EQ(code, ZULERR_INVALID_ARGUMENT);
    EXPECT_FALSE(PathExists(ArchivePath(kBeta)));

    EXPECT_EQ(Download(kBeta, nullptr, SourceArchivePath("nothing-here.FileSet"), code), S_FALSE);
    EXPECT_EQ(code, ZULERR_FILE_COPY_FAILED);
    EXPECT_EQ(Download("{not-a-guid}", nullptr, ArchiveUrl("beta.FileSet"), code), S_FALSE);
    EXPECT_EQ(code, ZULERR_BAD_GUID);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, FileSetKey(kBeta)));
}

TEST_F(FileSetsTest, LocalSourceIsCopied) {
    ZULError code;
    ASSERT_EQ(Download(kBeta, nullptr, SourceArchivePath("beta.FileSet"), code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(transfertest::ReadBytes(ArchivePath(kBeta)), SourceArchive("beta.FileSet"));
    EXPECT_EQ(FileSetValue(kBeta, "LocalPath"), ArchivePath(kBeta));
    EXPECT_EQ(FileSetValue(kBeta, "Name"), kBetaName);
}

TEST_F(FileSetsTest, InstallExtractsTheListInOrder) {
    Fetch(kAlpha, "alpha.FileSet");
    Fetch(kBeta, "beta.FileSet");
    const std::string target = m_dir + "\\out\\game";
    ZULError code;
    ASSERT_EQ(Install(std::string(",") + kAlpha + ",," + kBeta + ",", target, code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(ReadFileText(target + "\\alpha.txt"), "alpha payload\n");
    EXPECT_EQ(ReadFileText(target + "\\docs\\readme.txt"), "alpha readme\n");
    EXPECT_EQ(ReadFileText(target + "\\beta.txt"), "beta payload\n");
    EXPECT_EQ(ReadFileText(target + "\\shared.txt"), "written by beta\n");  // B came second

    EXPECT_EQ(Install(",,", m_dir + "\\empty", code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(m_dir + "\\empty"));
}

TEST_F(FileSetsTest, InstallStopsAtAFileSetNeverFetched) {
    Fetch(kBeta, "beta.FileSet");
    ZULError code;
    EXPECT_EQ(Install(std::string(",") + kAlpha + ",," + kBeta + ",", m_dir + "\\first", code), S_FALSE);
    EXPECT_EQ(code, ZULERR_NOT_FOUND);
    EXPECT_FALSE(PathExists(m_dir + "\\first"));

    // The file sets before it stay extracted.
    EXPECT_EQ(Install(std::string(kBeta) + "," + kAlpha, m_dir + "\\second", code), S_FALSE);
    EXPECT_EQ(code, ZULERR_NOT_FOUND);
    EXPECT_EQ(ReadFileText(m_dir + "\\second\\shared.txt"), "written by beta\n");
    EXPECT_FALSE(PathExists(m_dir + "\\second\\alpha.txt"));
}

TEST_F(FileSetsTest, PurgeDeletesTheArchiveOnceAndKeepsTheRecord) {
    Fetch(kAlpha, "alpha.FileSet");
    ZULError code;
    EXPECT_EQ(Purge(kAlpha, code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(ArchivePath(kAlpha)));
    EXPECT_EQ(FileSetValue(kAlpha, "LocalPath"), "");
    EXPECT_EQ(FileSetValue(kAlpha, "Name"), kAlphaName);

    // The second purge finds nothing to do; a file placed at the old path is not touched.
    ASSERT_TRUE(WriteFileBytes(ArchivePath(kAlpha), "unrelated"));
    EXPECT_EQ(Purge(kAlpha, code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(ReadFileText(ArchivePath(kAlpha)), "unrelated");
    EXPECT_EQ(FileSetValue(kAlpha, "LocalPath"), "");
    EXPECT_EQ(FileSetValue(kAlpha, "Name"), kAlphaName);

    // A purged file set no longer extracts, and is fetched again on demand.
    EXPECT_EQ(Install(kAlpha, m_dir + "\\out", code), S_FALSE);
    Fetch(kAlpha, "alpha.FileSet");
    EXPECT_EQ(FileSetValue(kAlpha, "LocalPath"), ArchivePath(kAlpha));

    EXPECT_EQ(Purge(kBeta, code), S_OK);  // never recorded
    EXPECT_EQ(code, ZULERR_NOT_FOUND);
    EXPECT_EQ(Purge("nonsense", code), S_FALSE);
    EXPECT_EQ(code, ZULERR_BAD_GUID);
}

TEST_F(FileSetsTest, PurgeItemFileSetsPurgesTheItemsList) {
    Fetch(kAlpha, "alpha.FileSet");
    Fetch(kBeta, "beta.FileSet");
    const std::string itemKey = std::string(kZUL) + "\\Item\\" + kItem;
    WriteString(HKEY_LOCAL_MACHINE, itemKey, "Name", "item");
    std::string item = kItem;
    ZULError code = ZULERR_FAILED;

    EXPECT_EQ(m_manager->PurgeItemFileSets(item.data(), &code), S_FALSE);  // no "FileSets"
    EXPECT_EQ(code, ZULERR_NOT_FOUND);
    EXPECT_TRUE(PathExists(ArchivePath(kAlpha)));

    WriteString(HKEY_LOCAL_MACHINE, itemKey, "FileSets", std::string(",") + kAlpha + ",," + kBeta + ",");
    EXPECT_EQ(m_manager->PurgeItemFileSets(item.data(), &code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_FALSE(PathExists(ArchivePath(kAlpha)));
    EXPECT_FALSE(PathExists(ArchivePath(kBeta)));
    EXPECT_EQ(FileSetValue(kBeta, "LocalPath"), "");

    std::string unknown = "{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(m_manager->PurgeItemFileSets(unknown.data(), &code), S_OK);
    EXPECT_EQ(code, ZULERR_NOT_FOUND);
}

TEST_F(FileSetsTest, ServedManagerDownloadsThroughItsOwnDownloadMgr) {
    ComPtr<I_ZULManager> served;
    ASSERT_EQ(CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                               reinterpret_cast<void**>(served.GetAddressOf())),
              S_OK);
    std::string guid = kBeta, url = ArchiveUrl("beta.FileSet");
    ZULError code = ZULERR_FAILED;
    EXPECT_EQ(served->DownloadFileSet(guid.data(), nullptr, url.data(), &code), S_OK);
    EXPECT_EQ(code, ZULERR_SUCCESS);
    EXPECT_EQ(transfertest::ReadBytes(ArchivePath(kBeta)), SourceArchive("beta.FileSet"));
    EXPECT_EQ(FileSetValue(kBeta, "Name"), kBetaName);
}

TEST_F(FileSetsTest, DownloadsCutOffMidwayResumeToTheSameBytes) {
    DLMgrError result;
    // The connection drops after 120,000 of 300,000 bytes; the part stays, in its own directory.
    const std::string path = m_dir + "\\downloads\\data.bin";
    EXPECT_EQ(DownloadFile(transfertest::HelperUrl("/drop?size=300000&send=120000"), path, 1, result), S_FALSE);
    EXPECT_EQ(result, DLMGR_ERROR_FILE_DOWNLOAD_FAILED);
    const std::vector<uint8_t> part = transfertest::ReadBytes(path);
    ASSERT_GT(part.size(), 0u);
    ASSERT_LT(part.size(), 300000u);
    EXPECT_EQ(part, transfertest::Pattern(0, part.size()));

    // The same bytes from nginx, asked for from where the part ends.
    ASSERT_EQ(DownloadFile(transfertest::NginxUrl("/data.bin"), path, 1, result), S_OK);
    EXPECT_EQ(result, DLMGR_ERROR_SUCCESS);
    EXPECT_EQ(transfertest::ReadBytes(path), transfertest::SourceFile("data.bin"));
    EXPECT_NE(LastLine(NginxAccessLog()).find("\"GET /data.bin HTTP/1.1\" 206 " + std::to_string(300000 - part.size())),
              std::string::npos)
        << LastLine(NginxAccessLog());

    // Half an archive on disk is completed into the whole archive.
    const std::vector<uint8_t> archive = SourceArchive("alpha.FileSet");
    const std::string archivePath = m_dir + "\\downloads\\alpha.FileSet";
    transfertest::WriteBytes(archivePath, std::vector<uint8_t>(archive.begin(), archive.begin() + archive.size() / 2));
    ASSERT_EQ(DownloadFile(ArchiveUrl("alpha.FileSet"), archivePath, 1, result), S_OK);
    EXPECT_EQ(transfertest::ReadBytes(archivePath), archive);

    // Without resume the file is replaced, not overwritten in place.
    const std::string longer = m_dir + "\\downloads\\small.bin";
    transfertest::WriteBytes(longer, std::vector<uint8_t>(5000, 'x'));
    ASSERT_EQ(DownloadFile(transfertest::NginxUrl("/small.bin"), longer, 0, result), S_OK);
    EXPECT_EQ(transfertest::ReadBytes(longer), transfertest::SourceFile("small.bin"));

    EXPECT_EQ(DownloadFile(transfertest::NginxUrl("/small.bin"), m_dir, 1, result), S_FALSE);  // a directory
    EXPECT_EQ(result, DLMGR_ERROR_FILE_OPEN_FAILED);
}

TEST_F(FileSetsTest, HistoricalBandwidthKeepsOnlyCompletedMeasuringPeriods) {
    DLMgrError result;
    const std::string path = m_dir + "\\downloads\\file.bin";
    ASSERT_EQ(DownloadFile(transfertest::NginxUrl("/small.bin"), path, 0, result), S_OK);
    EXPECT_FALSE(History()) << "a short download measures nothing";

    // About thirteen seconds at nginx's pace: one measuring period completes.
    ASSERT_EQ(DownloadFile(transfertest::NginxUrl(std::string("/") + kLongFile), path, 0, result), S_OK);
    EXPECT_EQ(transfertest::ReadBytes(path).size(), kLongFileSize);
    const std::optional<std::string> stored = History();
    ASSERT_TRUE(stored);
    double mean = 0.0, variation = -1.0;
    char tail = 0;
    ASSERT_EQ(std::sscanf(stored->c_str(), "%lf %lf%c", &mean, &variation, &tail), 2) << *stored;
    EXPECT_EQ(*stored, [&] {
        char text[128];
        std::snprintf(text, sizeof text, "%lf %lf", mean, variation);
        return std::string(text);
    }());
    EXPECT_GT(mean, 64.0 * 1024) << *stored;  // nginx sends 256 KB/s
    EXPECT_LT(mean, 1024.0 * 1024) << *stored;
    EXPECT_GE(variation, 0.0);
    EXPECT_LT(variation, 99999.0);

    // Short and failed downloads leave it as it is.
    ASSERT_EQ(DownloadFile(transfertest::NginxUrl("/small.bin"), path, 0, result), S_OK);
    EXPECT_EQ(DownloadFile(transfertest::NginxUrl("/missing.bin"), path, 0, result), S_FALSE);
    EXPECT_EQ(History(), stored);
}

}  // namespace
