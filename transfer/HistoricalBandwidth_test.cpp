#include "transfer/HistoricalBandwidth.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace {

void ExpectHistory(const BandwidthHistory& h, double mean, double variation) {
    EXPECT_DOUBLE_EQ(h.mean, mean);
    EXPECT_DOUBLE_EQ(h.variation, variation);
}

}  // namespace

TEST(BandwidthHistoryText, ReadsTwoNumbersAndKeepsPresetsForMissingOnes) {
    ExpectHistory(ParseBandwidthHistory("1234.500000 12.250000"), 1234.5, 12.25);
    ExpectHistory(ParseBandwidthHistory(" \t 7.5\n3"), 7.5, 3.0);
    ExpectHistory(ParseBandwidthHistory("5000"), 5000.0, kUnknownBandwidthVariation);
    // A value without numbers is a history all the same: the presets.
    ExpectHistory(ParseBandwidthHistory(""), 0.0, kUnknownBandwidthVariation);
    ExpectHistory(ParseBandwidthHistory("fast"), 0.0, kUnknownBandwidthVariation);
    ExpectHistory(ParseBandwidthHistory("x 12"), 0.0, kUnknownBandwidthVariation);
    ExpectHistory(ParseBandwidthHistory("12 x"), 12.0, kUnknownBandwidthVariation);
}

TEST(BandwidthHistoryText, EndsAtZeroByteAndRefusesNumbersThatAreNotFinite) {
    ExpectHistory(ParseBandwidthHistory(std::string("100 \0 200", 9)), 100.0, kUnknownBandwidthVariation);
    ExpectHistory(ParseBandwidthHistory("inf nan"), 0.0, kUnknownBandwidthVariation);
    ExpectHistory(ParseBandwidthHistory("1e999 4"), 0.0, 4.0);
    ExpectHistory(ParseBandwidthHistory("-INFINITY 3"), 0.0, 3.0);
}

TEST(BandwidthHistoryText, WritesSixDecimalsThatReadBack) {
    EXPECT_EQ(FormatBandwidthHistory({1234.5, 12.25}), "1234.500000 12.250000");
    EXPECT_EQ(FormatBandwidthHistory({0.0, kUnknownBandwidthVariation}), "0.000000 99999.000000");
    // The longest text a double can give still fits the buffer it is read back with.
    const std::string widest = FormatBandwidthHistory({-DBL_MAX, -DBL_MAX});
    EXPECT_LT(widest.size() + 1, kHistoryTextSize);
    ExpectHistory(ParseBandwidthHistory(widest), -DBL_MAX, -DBL_MAX);
}

TEST(BandwidthHistoryWeighting, OnlyAPositiveMeanWithAKnownVariationCounts) {
    EXPECT_FALSE(IsUsableMeasurement({0.0, 5.0}));  // no measuring period completed
    EXPECT_FALSE(IsUsableMeasurement({-1.0, 5.0}));
    EXPECT_FALSE(IsUsableMeasurement({10.0, kUnknownBandwidthVariation}));
    EXPECT_FALSE(IsUsableMeasurement({10.0, std::nan("")}));
    EXPECT_TRUE(IsUsableMeasurement({0.001, 99998.99}));
}

TEST(BandwidthHistoryWeighting, EachDownloadWeighsOneTwentieth) {
    ExpectHistory(BlendBandwidthHistory(std::nullopt, {3000.0, 30.0}), 3000.0, 30.0);
    ExpectHistory(BlendBandwidthHistory(BandwidthHistory{1000.0, 10.0}, {3000.0, 30.0}), 1100.0, 11.0);
    // A stored value without numbers blends like the presets.
    ExpectHistory(BlendBandwidthHistory(ParseBandwidthHistory("none"), {2000.0, 20.0}), 100.0,
                  (19.0 * kUnknownBandwidthVariation + 20.0) * 0.05);
    // An average that would overflow starts again from the measurement.
    ExpectHistory(BlendBandwidthHistory(BandwidthHistory{DBL_MAX, 1.0}, {500.0, 5.0}), 500.0, 5.0);
}
