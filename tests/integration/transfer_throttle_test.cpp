// Polite mode against nginx pacing its body (limit_rate 256k on /paced/): a measuring period at
// the server's rate, then a throttled period near factor x the measured mean.
#include <gtest/gtest.h>

#include "transfer/HttpTransfer.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

constexpr double kServerRate = 256 * 1024;
constexpr double kThrottledSeconds = 8.0;

double Seconds() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Watches the meter from the progress callback and cancels after a stretch of throttling.
struct ThrottleWatch {
    HANDLE cancel = nullptr;
    bool throttling = false;
    double start = 0.0;
    DWORD startBytes = 0;
    double end = 0.0;
    DWORD endBytes = 0;
    double factor = 0.0;
} g_watch;

int Watch(C_HttpTransfer* t) {
    const bool throttling = t->meter().state() == C_TransferRateMeter::State::Throttling;
    if (throttling && !g_watch.throttling) {
        g_watch.throttling = true;
        g_watch.start = Seconds();
        g_watch.startBytes = t->report.m_cbDone;
    } else if (throttling && Seconds() - g_watch.start >= kThrottledSeconds) {
        g_watch.end = Seconds();
        g_watch.endBytes = t->report.m_cbDone;
        g_watch.factor = t->meter().factor();
        SetEvent(g_watch.cancel);
    }
    return 0;
}

}  // namespace

TEST(HttpTransferThrottle, ThrottledRateSitsNearFactorTimesMeasuredMean) {
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
    EXPECT_NEAR(t.report.m_dMeasuredMean, kServerRate, 0.25 * kServerRate);
    EXPECT_EQ(g_watch.factor, 0.25);
    const double rate = (g_watch.endBytes - g_watch.startBytes) / (g_watch.end - g_watch.start);
    RecordProperty("measured_mean", std::to_string(t.report.m_dMeasuredMean));
    RecordProperty("throttled_rate", std::to_string(rate));
    EXPECT_NEAR(rate, 0.25 * t.report.m_dMeasuredMean, 0.35 * 0.25 * t.report.m_dMeasuredMean);
    EXPECT_EQ(file.Contents().size(), t.report.m_cbDone);
}
