#include "server/Metrics.h"

#include <cstdio>

namespace {

const char* const kOutcomeNames[] = {"ok", "bad_request", "store_error"};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

void Metrics::CountCheckin(CheckinOutcome outcome, double seconds) {
    ++m_checkins[static_cast<size_t>(outcome)];
    for (size_t i = 0; i < kBuckets.size(); ++i)
        if (seconds <= kBuckets[i]) {
            ++m_buckets[i];
            break;
        }
    ++m_latencyCount;
    m_latencyMicros += static_cast<uint64_t>(seconds * 1e6);
}

std::string Metrics::Text() const {
    std::string text;
    text += "# HELP zulserver_checkins_total Check-in requests by outcome.\n# TYPE zulserver_checkins_total counter\n";
    for (size_t i = 0; i < m_checkins.size(); ++i)
        text += "zulserver_checkins_total{outcome=\"" + std::string(kOutcomeNames[i]) + "\"} " + std::to_string(m_checkins[i].load()) + "\n";
    text += "# HELP zulserver_answer_seconds Time to answer a check-in.\n# TYPE zulserver_answer_seconds histogram\n";
    uint64_t cumulative = 0;
    for (size_t i = 0; i < kBuckets.size(); ++i) {
        cumulative += m_buckets[i].load();
        text += "zulserver_answer_seconds_bucket{le=\"" + Number(kBuckets[i]) + "\"} " + std::to_string(cumulative) + "\n";
    }
    const uint64_t count = m_latencyCount.load();
    text += "zulserver_answer_seconds_bucket{le=\"+Inf\"} " + std::to_string(count) + "\n";
    text += "zulserver_answer_seconds_sum " + Number(static_cast<double>(m_latencyMicros.load()) / 1e6) + "\n";
    text += "zulserver_answer_seconds_count " + std::to_string(count) + "\n";
    text += "# HELP zulserver_installs_reported_total Installs recorded for the first time.\n# TYPE zulserver_installs_reported_total counter\n";
    text += "zulserver_installs_reported_total " + std::to_string(m_installs.load()) + "\n";
    text += "# HELP zulserver_store_errors_total Store operations that failed.\n# TYPE zulserver_store_errors_total counter\n";
    text += "zulserver_store_errors_total " + std::to_string(m_storeErrors.load()) + "\n";
    return text;
}
