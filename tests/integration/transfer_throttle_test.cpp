// Polite mode against nginx pacing its body (limit_rate 256k on /paced/): after the measuring
// period the real transfer applies the throttle the meter decides. What is checked are the
// decisions and the outcome (the factor, pauses really waited, the bytes intact); the achieved
// rate depends on the machine's load and is measured in `make bench`, not here.
#include <gtest/gtest.h>

#include "transfer/HttpTransfer.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

constexpr double kServerRate = 256 * 1024;
constexpr unsigned kPausesToWatch = 6;

// Watches the meter from the progress callback and cancels after a few throttling pauses.
struct ThrottleWatch {
    HANDLE cancel = nullptr;
    bool throttling = false;
    ULONGLONG throttleStart = 0;
    ULONGLONG throttleEnd = 0;
    unsigned pausesBefore = 0;
    unsigned pauses = 0;
    uint64_t pausedMs = 0;
    double factor = 0.0;
} g_watch;

int Watch(C_HttpTransfer* t) {
    const C_TransferRateMeter& meter = t->meter();
    const bool throttling = meter.state() == C_TransferRateMeter::State::Throttling;
    if (throttling && !g_watch.throttling) {
        g_watch.throttling = true;
        g_watch.throttleStart = GetTickCount64();
        g_watch.pausesBefore = meter.pausesTaken();
        g_watch.pausedMs = meter.pausedMs();
    } else if (throttling && meter.pausesTaken() - g_watch.pausesBefore >= kPausesToWatch) {
        g_watch.throttleEnd = GetTickCount64();
        g_watch.pauses = meter.pausesTaken() - g_watch.pausesBefore;
        g_watch.pausedMs = meter.pausedMs() - g_watch.pausedMs;
        g_watch.factor = meter.factor();
        SetEvent(g_watch.cancel);
    }
    return 0;
}

}  // namespace

TEST(HttpTransferThrottle, ThrottlingPausesAtFactorAQuarterAndKeepsTheBytesIntact) {
    g_watch = {};
    g_watch.cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(g_watch.cancel, nullptr);
    ScratchFile file("paced.bin");
    const std::string url = NginxUrl("/paced/big.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_bPolite = true;
    // Any variation at all is far above this history: factor 0.25 whatever the processor load.
    t.request.m_dHistVariation = 1e-9;
    t.request.m_hCancelEvent = g_watch.cancel;
    t.request.m_pfnProgress = Watch;

    EXPECT_EQ(t.Transfer(), TRANSFER_CANCELLED);
    CloseHandle(g_watch.cancel);
    ASSERT_TRUE(g_watch.throttling);
    // nginx paces at its rate: a busy machine reads slower, never faster.
    EXPECT_GT(t.report.m_dMeasuredMean, 0.0);
    EXPECT_LE(t.report.m_dMeasuredMean, 1.25 * kServerRate);
    EXPECT_EQ(g_watch.factor, 0.25);
    EXPECT_EQ(g_watch.pauses, kPausesToWatch);
    EXPECT_GT(g_watch.pausedMs, 0u);
    // The pauses were really waited: no load can shorten a wait.
    EXPECT_GE(g_watch.throttleEnd - g_watch.throttleStart + 20, g_watch.pausedMs);
    RecordProperty("paused_ms", std::to_string(g_watch.pausedMs));
    const std::vector<uint8_t> received = file.Contents();
    EXPECT_EQ(received.size(), t.report.m_cbDone);
    EXPECT_TRUE(received == Pattern(0, received.size()));
}
