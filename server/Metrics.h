// The counters `serve` exposes at GET /metrics in the Prometheus text format.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

enum class CheckinOutcome { Ok, BadRequest, StoreError, Count };

class Metrics {
public:
    void CountCheckin(CheckinOutcome outcome, double seconds);
    void CountInstalls(int installs) { m_installs += installs; }
    void CountStoreError() { ++m_storeErrors; }
    std::string Text() const;

private:
    static constexpr std::array<double, 10> kBuckets{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1.0};
    std::array<std::atomic<uint64_t>, static_cast<size_t>(CheckinOutcome::Count)> m_checkins{};
    std::array<std::atomic<uint64_t>, kBuckets.size()> m_buckets{};  // not cumulative here
    std::atomic<uint64_t> m_latencyCount{0};
    std::atomic<uint64_t> m_latencyMicros{0};
    std::atomic<uint64_t> m_installs{0};
    std::atomic<uint64_t> m_storeErrors{0};
};
