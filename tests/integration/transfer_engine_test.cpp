// The HTTP engine against nginx and the project's HTTP test server on loopback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/HttpTransfer.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

int g_progressCalls = 0;
DWORD g_lastChunk = 0;

int CountProgress(C_HttpTransfer* transfer) {
    ++g_progressCalls;
    g_lastChunk = transfer->report.m_cbLastRead;
    return 0;
}

std::string MemoryText(const C_HttpTransfer& transfer) {
    const char* data = nullptr;
    DWORD length = 0;
    EXPECT_EQ(transfer.GetMemoryResult(&data, &length), TRANSFER_OK);
    if (!data) return {};
    EXPECT_EQ(data[length], '\0');
    return std::string(data, length);
}

}  // namespace

TEST(HttpTransferEngine, GetsAFileFromNginx) {
    const std::vector<uint8_t> source = SourceFile("data.bin");
    ASSERT_EQ(source.size(), 300000u);
    ScratchFile file("get.bin");
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    g_progressCalls = 0;
    t.request.m_pfnProgress = CountProgress;
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_EQ(t.report.m_dwStatus, 200u);
    EXPECT_EQ(t.report.m_cbDone, 300000u);
    EXPECT_EQ(t.report.m_cbExpected, 300000u);
    EXPECT_EQ(t.report.m_cbLastRead, 0u);
    EXPECT_GE(g_progressCalls, 1);
    EXPECT_EQ(file.Contents(), source);
}

TEST(HttpTransferEngine, ResumesA1000BytePrefixWithARange) {
    const std::vector<uint8_t> source = SourceFile("data.bin");
    ScratchFile file("resume.bin", std::vector<uint8_t>(source.begin(), source.begin() + 1000));
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_bResume = true;
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_EQ(t.report.m_dwStatus, 206u);
    EXPECT_EQ(t.report.m_nRangeStart, 1000u);
    EXPECT_EQ(t.report.m_nRangeEnd, 299999u);  // the end the server named
    EXPECT_EQ(t.report.m_cbDone, 300000u);     // the resumed prefix counts
    EXPECT_EQ(t.report.m_cbExpected, 300000u);
    EXPECT_FALSE(t.report.m_bRangeGiven);
    EXPECT_EQ(file.Contents(), source);
}

TEST(HttpTransferEngine, ACallerGivenRangeIsAskedForAndThenForgotten) {
    const std::vector<uint8_t> source = SourceFile("data.bin");
    ScratchFile file("given.bin", std::vector<uint8_t>(source.begin(), source.begin() + 5000));
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_bResume = true;
    t.report.m_bRangeGiven = true;
    t.report.m_nRangeStart = 2000;
    t.report.m_nRangeEnd = 2999;
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_EQ(t.report.m_dwStatus, 206u);
    EXPECT_EQ(t.report.m_cbDone, 3000u);
    EXPECT_FALSE(t.report.m_bRangeGiven);
    EXPECT_EQ(file.Contents(), std::vector<uint8_t>(source.begin(), source.begin() + 5000));
}

TEST(HttpTransferEngine, ARangePastTheEndLeavesTheCompleteFileAlone) {
    const std::vector<uint8_t> source = SourceFile("data.bin");
    ScratchFile file("complete.bin", source);
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_bResume = true;
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_EQ(t.report.m_dwStatus, 416u);
    EXPECT_EQ(t.report.m_cbDone, 300000u);
    EXPECT_EQ(file.Contents(), source);  // nginx's error page was not written into it
}

TEST(HttpTransferEngine, StatusMapping) {
    struct Case {
        const char* path;
        unsigned result;
    } cases[] = {
        {"/status?code=300", TRANSFER_HTTP_ERROR}, {"/status?code=400", TRANSFER_HTTP_ERROR},
        {"/status?code=415", TRANSFER_HTTP_ERROR}, {"/status?code=416", TRANSFER_OK},
        {"/status?code=499", TRANSFER_OK},         {"/status?code=500", TRANSFER_HTTP_ERROR},
        {"/status?code=505", TRANSFER_HTTP_ERROR}, {"/status?code=506", TRANSFER_OK},
    };
    for (const Case& c : cases) {
        const std::string url = HelperUrl(c.path);
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        EXPECT_EQ(t.Transfer(), c.result) << c.path;
    }
    ScratchFile file("missing.bin");
    const std::string url = NginxUrl("/no-such-file.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    EXPECT_EQ(t.Transfer(), TRANSFER_HTTP_ERROR);
    EXPECT_EQ(t.report.m_dwStatus, 404u);
    EXPECT_TRUE(file.Contents().empty());
}

TEST(HttpTransferEngine, UrlsThatCannotBeSplitNeverReachTheNetwork) {
    const size_t requestsBefore = HelperLog().size();
    const unsigned helper = FixturePort("helper");
    const std::string urls[] = {
        "http:/127.0.0.1:" + std::to_string(helper) + "/status",   // no "//"
        "http:///status",                                          // empty host
        "http://:" + std::to_string(helper) + "/status",           // empty host before a port
        "http://127.0.0.1:port/status",                            // port not a number
    };
    for (const std::string& url : urls) {
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        EXPECT_EQ(t.Transfer(), TRANSFER_BAD_URL) << url;
        EXPECT_EQ(t.report.m_dwLastError, 0u);
        EXPECT_EQ(t.report.m_dwStatus, 0u);
    }
    C_HttpTransfer override;
    const std::string url = HelperUrl("/status");
    override.request.m_pszUrl = url.c_str();
    override.request.m_nPortOverride = 70000;
    EXPECT_EQ(override.Transfer(), TRANSFER_BAD_URL);
    C_HttpTransfer none;
    EXPECT_EQ(none.Transfer(), TRANSFER_BAD_URL);
    EXPECT_EQ(HelperLog().size(), requestsBefore);
}

TEST(HttpTransferEngine, ResumeNeedsAFileAGetAndFileMode) {
    const std::string url = HelperUrl("/status");
    C_HttpTransfer noFile;
    noFile.request.m_pszUrl = url.c_str();
    noFile.request.m_bResume = true;
    EXPECT_EQ(noFile.Transfer(), TRANSFER_RESUME_NO_FILE);
    noFile.request.m_hFile = INVALID_HANDLE_VALUE;
    EXPECT_EQ(noFile.Transfer(), TRANSFER_RESUME_NO_FILE);

    ScratchFile file("refused.bin");
    C_HttpTransfer post;
    post.request.m_pszUrl = url.c_str();
    post.request.m_hFile = file.handle();
    post.request.m_bResume = true;
    post.request.m_bPost = true;
    EXPECT_EQ(post.Transfer(), TRANSFER_RESUME_WITH_POST);

    C_HttpTransfer memory;
    memory.request.m_pszUrl = url.c_str();
    memory.request.m_hFile = file.handle();
    memory.request.m_bResume = true;
    memory.SetToMemory(true);
    EXPECT_EQ(memory.Transfer(), TRANSFER_RESUME_TO_MEMORY);
}

TEST(HttpTransferEngine, PostInMemoryWithoutContentLengthGrowsAndEndsWithZero) {
    const std::string url = HelperUrl("/post-noclen?size=100000");
    const std::string body = "machine=%7B1234%7D&channels=a%2Cb";
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_bUseCache = false;
    t.request.m_bPost = true;
    t.request.m_pBody = body.data();
    t.request.m_cbBody = static_cast<DWORD>(body.size());
    t.SetToMemory(true);
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    const std::string answer = MemoryText(t);
    const std::string echo = "POST /post-noclen?size=100000\nUser-Agent: Tessary Agent\n"
                             "Content-Type: application/x-www-form-urlencoded\nHost: 127.0.0.1\nBody: " +
                             body + "\n";
    ASSERT_EQ(answer.size(), echo.size() + 100000);
    EXPECT_EQ(answer.substr(0, echo.size()), echo);
    EXPECT_EQ(std::vector<uint8_t>(answer.begin() + echo.size(), answer.end()), Pattern(0, 100000));
    EXPECT_EQ(t.report.m_cbExpected, answer.size());
}

TEST(HttpTransferEngine, ChunkedAnswersToFileAndMemory) {
    const std::string url = HelperUrl("/chunked?size=200000");
    ScratchFile file("chunked.bin");
    C_HttpTransfer toFile;
    toFile.request.m_pszUrl = url.c_str();
    toFile.request.m_hFile = file.handle();
    ASSERT_EQ(toFile.Transfer(), TRANSFER_OK) << toFile.report.m_dwLastError;
    EXPECT_EQ(file.Contents(), Pattern(0, 200000));

    C_HttpTransfer toMemory;
    toMemory.request.m_pszUrl = url.c_str();
    toMemory.SetToMemory(true);
    ASSERT_EQ(toMemory.Transfer(), TRANSFER_OK) << toMemory.report.m_dwLastError;
    const std::string answer = MemoryText(toMemory);
    const std::vector<uint8_t> pattern = Pattern(0, 200000);
    EXPECT_EQ(std::vector<uint8_t>(answer.begin(), answer.end()), pattern);
}

TEST(HttpTransferEngine, ADroppedConnectionFailsTheReadAndKeepsWhatArrived) {
    const std::string url = HelperUrl("/drop?size=100000&send=30000");
    ScratchFile file("dropped.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    EXPECT_EQ(t.Transfer(), TRANSFER_READ_FAILED);
    EXPECT_NE(t.report.m_dwLastError, 0u);
    EXPECT_EQ(t.report.m_cbDone, 30000u);
    EXPECT_EQ(file.Contents(), Pattern(0, 30000));

    const std::string resetUrl = HelperUrl("/reset?size=100000&send=30000");
    ScratchFile reset("reset.bin");
    C_HttpTransfer r;
    r.request.m_pszUrl = resetUrl.c_str();
    r.request.m_hFile = reset.handle();
    r.SetToMemory(true);
    EXPECT_EQ(r.Transfer(), TRANSFER_READ_FAILED);
    const std::vector<uint8_t> kept = reset.Contents();
    EXPECT_LE(kept.size(), 30000u);
    EXPECT_EQ(kept, Pattern(0, kept.size()));
    const char* data = reinterpret_cast<const char*>(1);
    DWORD length = 1;
    EXPECT_EQ(r.GetMemoryResult(&data, &length), TRANSFER_OK);
    EXPECT_EQ(data, nullptr);  // the memory buffer went with the failure
    EXPECT_EQ(length, 0u);
}

TEST(HttpTransferEngine, HostileAnswersEndWithAResultCode) {
    {  // 4 GB announced for an answer in memory: refused before any allocation
        const std::string url = HelperUrl("/length?value=4294967296&send=100");
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.SetToMemory(true);
        EXPECT_EQ(t.Transfer(), TRANSFER_OUT_OF_MEMORY);
    }
    {  // a read size that cannot be added to the expected size in 32 bits
        const std::string url = HelperUrl("/length?value=10&send=10");
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_cbChunk = 0xFFFFFFFFu;
        t.SetToMemory(true);
        EXPECT_EQ(t.Transfer(), TRANSFER_OUT_OF_MEMORY);
    }
    {  // 4 GB announced, 100 bytes sent, to a file: a short body
        const std::string url = HelperUrl("/length?value=4294967295&send=100");
        ScratchFile file("huge.bin");
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        EXPECT_EQ(t.Transfer(), TRANSFER_READ_FAILED);
        EXPECT_EQ(file.Contents(), Pattern(0, 100));
    }
    {  // a length that is no number counts as absent: the body runs to the end of the connection
        const std::string url = HelperUrl("/length?value=lots&send=100");
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.SetToMemory(true);
        const unsigned result = t.Transfer();
        if (result == TRANSFER_OK) {
            EXPECT_EQ(MemoryText(t).size(), 100u);
        }
    }
    {  // "bytes 5-2/1" in a partial answer to a resume
        const std::string url = HelperUrl("/range?text=bytes%205-2/1&send=3");
        ScratchFile file("badrange.bin", Pattern(0, 1000));
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        t.request.m_bResume = true;
        EXPECT_EQ(t.Transfer(), TRANSFER_BAD_RANGE);
        EXPECT_EQ(file.Contents(), Pattern(0, 1000));
    }
    {  // a status line of garbage
        const std::string url = HelperUrl("/garbage-status");
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.SetToMemory(true);
        const unsigned result = t.Transfer();
        EXPECT_LE(result, static_cast<unsigned>(TRANSFER_SEEK_FAILED));
        RecordProperty("garbage_status_result", static_cast<int>(result));
        RecordProperty("garbage_status_code", static_cast<int>(t.report.m_dwStatus));
    }
}

TEST(HttpTransferEngine, PartialAnswersThatStartElsewhere) {
    {  // earlier than asked: the overlap is written again at its own place
        const std::string url = HelperUrl("/range?first=500&last=2999&total=3000&send=2500");
        ScratchFile file("earlier.bin", Pattern(0, 1000));
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        t.request.m_bResume = true;
        ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
        EXPECT_EQ(t.report.m_cbDone, 3000u);
        EXPECT_EQ(file.Contents(), Pattern(0, 3000));
    }
    {  // later than asked would leave a hole
        const std::string url = HelperUrl("/range?first=2000&last=2999&total=3000&send=1000");
        ScratchFile file("later.bin", Pattern(0, 1000));
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        t.request.m_bResume = true;
        EXPECT_EQ(t.Transfer(), TRANSFER_BAD_RANGE);
        EXPECT_EQ(file.Contents(), Pattern(0, 1000));
    }
    {  // no Content-Range at all: the body starts the file anew
        const std::string url = HelperUrl("/range?text=&send=3000");
        ScratchFile file("norange.bin", std::vector<uint8_t>(1000, 0xEE));
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        t.request.m_bResume = true;
        ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
        EXPECT_EQ(t.report.m_cbDone, 3000u);
        EXPECT_EQ(file.Contents(), Pattern(0, 3000));
    }
    {  // a whole answer (200) to a resume replaces the file
        const std::string url = HelperUrl("/status?code=200");
        ScratchFile file("whole.bin", std::vector<uint8_t>(1000, 0xEE));
        C_HttpTransfer t;
        t.request.m_pszUrl = url.c_str();
        t.request.m_hFile = file.handle();
        t.request.m_bResume = true;
        ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
        const std::vector<uint8_t> contents = file.Contents();
        EXPECT_EQ(std::string(contents.begin(), contents.end()), "status");
    }
}

TEST(HttpTransferEngine, TheCancelEventStopsAfterTheCurrentChunk) {
    HANDLE cancel = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(cancel, nullptr);
    ScratchFile file("cancel.bin");
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_bPolite = true;  // reads of 4096 bytes
    t.request.m_hCancelEvent = cancel;
    g_progressCalls = 0;
    t.request.m_pfnProgress = CountProgress;
    EXPECT_EQ(t.Transfer(), TRANSFER_CANCELLED);
    EXPECT_EQ(g_progressCalls, 1);
    EXPECT_GT(t.report.m_cbDone, 0u);
    EXPECT_LE(t.report.m_cbDone, 4096u);
    EXPECT_EQ(file.Contents().size(), t.report.m_cbDone);
    CloseHandle(cancel);
}

TEST(HttpTransferEngine, DefaultReadSizeIsSmallOnlyInPoliteMode) {
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer polite;
    polite.request.m_pszUrl = url.c_str();
    polite.request.m_bPolite = true;
    g_lastChunk = 0;
    g_progressCalls = 0;
    polite.request.m_pfnProgress = CountProgress;
    ASSERT_EQ(polite.Transfer(), TRANSFER_OK);
    EXPECT_EQ(polite.request.m_cbChunk, kDefaultChunkSize);
    EXPECT_GE(g_progressCalls, 300000 / 4096);

    C_HttpTransfer fast;
    fast.request.m_pszUrl = url.c_str();
    g_progressCalls = 0;
    fast.request.m_pfnProgress = CountProgress;
    ASSERT_EQ(fast.Transfer(), TRANSFER_OK);
    EXPECT_EQ(fast.request.m_cbChunk, kFastChunkSize);
    EXPECT_LE(g_progressCalls, 300000 / 4096);

    ScratchFile file("fast.bin");
    C_HttpTransfer toFile;
    toFile.request.m_pszUrl = url.c_str();
    toFile.request.m_hFile = file.handle();
    ASSERT_EQ(toFile.Transfer(), TRANSFER_OK);
    EXPECT_EQ(toFile.request.m_cbChunk, kFastFileChunkSize);
    EXPECT_EQ(file.Contents(), SourceFile("data.bin"));
}

TEST(HttpTransferEngine, ChunkSizeAndConnectionReuse) {
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_cbChunk = 1000;
    g_progressCalls = 0;
    g_lastChunk = 0;
    t.request.m_pfnProgress = CountProgress;
    t.SetToMemory(true);
    ASSERT_EQ(t.Transfer(), TRANSFER_OK);
    EXPECT_GE(g_progressCalls, 300);
    EXPECT_LE(g_lastChunk, 1000u);
    EXPECT_EQ(MemoryText(t).size(), 300000u);
    // The same object again (connection kept), then another host name for the same server.
    ASSERT_EQ(t.Transfer(), TRANSFER_OK);
    EXPECT_EQ(MemoryText(t).size(), 300000u);
    const std::string other = "http://localhost:" + std::to_string(FixturePort("nginx")) + "/small.bin";
    t.request.m_pszUrl = other.c_str();
    ASSERT_EQ(t.Transfer(), TRANSFER_OK) << t.report.m_dwLastError;
    EXPECT_EQ(MemoryText(t).size(), 1000u);
}

TEST(HttpTransferEngine, MemoryResultOnlyInMemoryMode) {
    C_HttpTransfer t;
    const char* data = nullptr;
    DWORD length = 0;
    EXPECT_EQ(t.GetMemoryResult(&data, &length), TRANSFER_NOT_MEMORY_MODE);
    t.SetToMemory(true);
    EXPECT_EQ(t.GetMemoryResult(&data, nullptr), TRANSFER_NOT_MEMORY_MODE);
    EXPECT_EQ(t.GetMemoryResult(nullptr, &length), TRANSFER_OK);
    EXPECT_EQ(t.SetProxy("proxy.example", 8080), TRANSFER_OK);
    EXPECT_STREQ(t.proxy(), "proxy.example:8080");
    EXPECT_EQ(t.SetProxy(nullptr, 0), TRANSFER_OK);
    EXPECT_EQ(t.proxy(), nullptr);
}

TEST(HttpTransferEngine, ASendThatFailsWithoutNetscapeIsNotRetried) {
    const std::string url = "http://127.0.0.1:" + std::to_string(FixturePort("closed")) + "/x.bin";
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    EXPECT_EQ(t.Transfer(), TRANSFER_SEND_FAILED);
    EXPECT_NE(t.report.m_dwLastError, 0u);
    EXPECT_FALSE(t.report.m_bProxyRetried);
}
