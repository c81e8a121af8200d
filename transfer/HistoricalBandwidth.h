// The machine's historical bandwidth: the text kept in the registry value "HistoricalBandwidth"
// and the exponential average by which every successful download moves it (portable core).
#pragma once
#include <optional>
#include <string>
#include <string_view>

// Variation (percent) that stands for "nothing known"; a measurement is kept only below it.
constexpr double kUnknownBandwidthVariation = 99999.0;
// Each new download weighs 1/20 against the stored history.
constexpr double kHistoryKeptShare = 19.0;
constexpr double kHistoryScale = 0.05;
// Longest stored text that is read back, in bytes with its terminating zero.
constexpr unsigned kHistoryTextSize = 1024;

struct BandwidthHistory {
    double mean = 0.0;                              // bytes per second
    double variation = kUnknownBandwidthVariation;  // percent
};

// Reads the stored text like "%lf %lf" over the presets (mean 0.0, variation 99999.0): a number
// that is missing keeps its preset, so a text without numbers still counts as a history. The
// text ends at its first zero byte. A number that is not finite (an "inf" or "nan" written into
// the value) keeps its preset too: it would poison every later average.
BandwidthHistory ParseBandwidthHistory(std::string_view text);

// The stored form: "%lf %lf", six decimals each, one blank between.
std::string FormatBandwidthHistory(const BandwidthHistory& history);

// Whether a transfer's measured pair is worth keeping: a positive mean (a transfer that never
// finished a measuring period leaves 0) and a variation below the "unknown" mark.
bool IsUsableMeasurement(const BandwidthHistory& measured);

// The history after one more measurement: with a stored history (19 x stored + measured) x 0.05
// for mean and variation each; without one, the measurement itself. A result that overflows
// (from an absurd stored value) is replaced by the measurement.
BandwidthHistory BlendBandwidthHistory(const std::optional<BandwidthHistory>& stored, const BandwidthHistory& measured);
