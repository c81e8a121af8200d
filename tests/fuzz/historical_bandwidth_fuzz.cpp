// The stored "HistoricalBandwidth" text: any bytes read back into finite numbers, and the text
// written from them reads back into the same text again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "transfer/HistoricalBandwidth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= kHistoryTextSize) return 0;  // longer values are never read
    const BandwidthHistory history = ParseBandwidthHistory(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!std::isfinite(history.mean) || !std::isfinite(history.variation)) std::abort();

    const std::string text = FormatBandwidthHistory(history);
    if (text.empty() || text.size() >= kHistoryTextSize) std::abort();
    if (FormatBandwidthHistory(ParseBandwidthHistory(text)) != text) std::abort();

    const BandwidthHistory blended = BlendBandwidthHistory(history, {1000.0, 10.0});
    if (!std::isfinite(blended.mean) || !std::isfinite(blended.variation)) std::abort();
    return 0;
}
