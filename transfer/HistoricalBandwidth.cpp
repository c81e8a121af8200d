#include "transfer/HistoricalBandwidth.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr char kHistoryFormat[] = "%lf %lf";

double Blend(double stored, double measured) { return (kHistoryKeptShare * stored + measured) * kHistoryScale; }

}  // namespace

BandwidthHistory ParseBandwidthHistory(std::string_view text) {
    // sscanf needs a terminated copy; the copy also ends the text at an embedded zero.
    const std::string copy(text.substr(0, text.find('\0')));
    double mean = 0.0;
    double variation = kUnknownBandwidthVariation;
    std::sscanf(copy.c_str(), kHistoryFormat, &mean, &variation);

    BandwidthHistory history;
    if (std::isfinite(mean)) history.mean = mean;
    if (std::isfinite(variation)) history.variation = variation;
    return history;
}

std::string FormatBandwidthHistory(const BandwidthHistory& history) {
    const int length = std::snprintf(nullptr, 0, kHistoryFormat, history.mean, history.variation);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), kHistoryFormat, history.mean, history.variation);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool IsUsableMeasurement(const BandwidthHistory& measured) {
    return measured.mean > 0.0 && measured.variation < kUnknownBandwidthVariation;
}

BandwidthHistory BlendBandwidthHistory(const std::optional<BandwidthHistory>& stored, const BandwidthHistory& measured) {
    if (!stored) return measured;
    const BandwidthHistory blended{Blend(stored->mean, measured.mean), Blend(stored->variation, measured.variation)};
    if (!std::isfinite(blended.mean) || !std::isfinite(blended.variation)) return measured;
    return blended;
}
