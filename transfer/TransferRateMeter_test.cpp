#include "transfer/TransferRateMeter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class FakeEnvironment : public RateMeterEnvironment {
public:
    double Now() override { return now; }
    double SampleProcessorLoad() override {
        ++loadSamples;
        return load;
    }
    void Pause(uint32_t milliseconds) override {
        pauses.push_back(milliseconds);
        now += milliseconds / 1000.0;
    }

    double now = 0.0;
    double load = 0.0;
    int loadSamples = 0;
    std::vector<uint32_t> pauses;
};

// One transfer body driven chunk by chunk on the fake clock.
class MeterRun {
public:
    RateMeterBinding binding() { return {polite, histMean, histVariation, measuredMean, measuredVariation}; }
    void Begin() { meter.Begin(binding(), done); }
    // A chunk of bytes that took seconds to arrive.
    void Chunk(uint32_t bytes, double seconds) {
        env.now += seconds;
        done += bytes;
        meter.TakeSample(binding(), done);
        meter.Throttle(binding(), done, bytes);
    }
    // Chunks of 4096 bytes, eight per second (32768 B/s), until the state changes.
    void RunMeasuringPeriod(uint32_t bytes = 4096) {
        for (int i = 0; i < 1000 && meter.state() == C_TransferRateMeter::State::Measuring; ++i)
            Chunk(bytes, 0.125);
    }

    FakeEnvironment env;
    C_TransferRateMeter meter{env};
    bool polite = true;
    double histMean = 0.0;
    double histVariation = 99999.0;
    double measuredMean = 0.0;
    double measuredVariation = 0.0;
    uint32_t done = 0;
};

using State = C_TransferRateMeter::State;

}  // namespace

TEST(ThrottleFactor, TableRowsAndTheirBoundaries) {
    // Above 80 % of the historical bandwidth.
    EXPECT_EQ(ChooseThrottleFactor(81, 150, 0), 0.25);
    EXPECT_EQ(ChooseThrottleFactor(81, 149.9, 25.1), 0.5);
    EXPECT_EQ(ChooseThrottleFactor(81, 149.9, 25), 1.0);
    // Above 50 and up to 80.
    EXPECT_EQ(ChooseThrottleFactor(80, 150, 0), 0.05);
    EXPECT_EQ(ChooseThrottleFactor(80, 149.9, 25), 0.05);
    EXPECT_EQ(ChooseThrottleFactor(50.1, 149.9, 24.9), 0.26);
    // 50 or less, whatever the variation.
    EXPECT_EQ(ChooseThrottleFactor(50, 1000, 25), 0.06);
    EXPECT_EQ(ChooseThrottleFactor(0, 0, 24.9), 0.1);
}

TEST(ThrottlePause, ChunkOverMeanOverFactorInWholeMilliseconds) {
    EXPECT_EQ(ThrottlePauseMs(4096, 32768, 0.5), 250u);
    EXPECT_EQ(ThrottlePauseMs(4096, 30000, 0.25), 546u);  // 546.13 truncated
    EXPECT_EQ(ThrottlePauseMs(4096, 32768, 1.0), 0u);
    EXPECT_EQ(ThrottlePauseMs(4096, 0.0, 0.5), 0u);
    EXPECT_EQ(ThrottlePauseMs(4096, -5.0, 0.5), 0u);
    EXPECT_EQ(ThrottlePauseMs(0, 32768, 0.5), 0u);
    EXPECT_EQ(ThrottlePauseMs(0xFFFFFFFFu, 1e-9, 0.05), 0xFFFFFFFFu);
}

TEST(RateMeter, TenSamplesMeasureThenThrottle) {
    MeterRun run;
    run.env.load = 50.0;  // no history, busy processor: factor 0.5
    run.Begin();
    for (int i = 0; i < 79; ++i) run.Chunk(4096, 0.125);
    EXPECT_EQ(run.meter.state(), State::Measuring);  // t = 9.875 s
    EXPECT_EQ(run.measuredMean, 0.0);
    run.Chunk(4096, 0.125);  // t = 10 s: the tenth sample
    ASSERT_EQ(run.meter.state(), State::Throttling);
    EXPECT_EQ(run.meter.stateStart(), 10.0);
    // The first sample only set the starting point: nine rates of exactly 32768 B/s.
    EXPECT_EQ(run.meter.mean(), 32768.0);
    EXPECT_EQ(run.meter.variation(), 0.0);
    EXPECT_EQ(run.measuredMean, 32768.0);
    EXPECT_EQ(run.measuredVariation, 0.0);
    EXPECT_EQ(run.env.loadSamples, 1);
    // The chunk that ended the period is already throttled: 4096 / 32768 / 0.5 s.
    ASSERT_EQ(run.env.pauses.size(), 1u);
    EXPECT_EQ(run.env.pauses[0], 250u);
}

TEST(RateMeter, ThrottledPeriodHoldsFactorTimesMeanThenMeasuresAgain) {
    MeterRun run;
    run.env.load = 50.0;
    run.Begin();
    run.RunMeasuringPeriod();
    ASSERT_EQ(run.meter.state(), State::Throttling);

    const double start = run.meter.stateStart();
    const uint32_t startBytes = run.done;
    // Data waits in the buffers: a read takes about a millisecond.
    while (run.meter.state() == State::Throttling) run.Chunk(4096, 1.0 / 1024);
    EXPECT_EQ(run.meter.factor(), 1.0);  // reset on leaving the throttled period
    // Every pause was 4096 / 32768 / 0.5 s less the read's millisecond (the first, on the chunk that
    // began the period, less nothing), and the period lasted 10 / 0.5 = 20 s.
    ASSERT_GT(run.env.pauses.size(), 70u);
    EXPECT_EQ(run.env.pauses[0], 250u);
    for (size_t i = 1; i + 1 < run.env.pauses.size(); ++i) EXPECT_EQ(run.env.pauses[i], 249u);
    EXPECT_GT(run.env.now - start, 20.0);
    EXPECT_LT(run.env.now - start, 20.3);
    const double rate = (run.done - startBytes - 4096) / (run.env.now - start);
    EXPECT_NEAR(rate, 0.5 * 32768, 0.03 * 32768);
    EXPECT_EQ(run.meter.stateSamples(), 0u);
    EXPECT_EQ(run.meter.stateStart(), run.env.now);
}

// Reads that take most of a chunk's time (a slow link, or large reads) shorten the pause by that
// time, so the rate is still factor x mean; reads slower than that get no pause at all.
TEST(RateMeter, ThrottledRateHoldsWhateverTheReadsTake) {
    MeterRun run;
    run.env.load = 50.0;  // factor 0.5
    run.Begin();
    run.RunMeasuringPeriod(65536);  // 512 KiB/s measured
    ASSERT_EQ(run.meter.state(), State::Throttling);
    const double start = run.env.now;
    const uint32_t startBytes = run.done;
    for (int i = 0; i < 20; ++i) run.Chunk(65536, 0.2);  // a chunk's time at 0.5 x mean is 0.25 s
    EXPECT_NEAR((run.done - startBytes) / (run.env.now - start), 0.5 * 524288, 0.02 * 0.5 * 524288);
    const size_t pauses = run.env.pauses.size();
    run.Chunk(65536, 0.3);
    EXPECT_EQ(run.env.pauses.size(), pauses);
}

TEST(RateMeter, NoHistoryAndQuietProcessorMeansNoPauses) {
    MeterRun run;
    run.env.load = 25.0;
    run.Begin();
    run.RunMeasuringPeriod();
    ASSERT_EQ(run.meter.state(), State::Throttling);
    for (int i = 0; i < 400 && run.meter.state() == State::Throttling; ++i) run.Chunk(4096, 0.125);
    EXPECT_EQ(run.meter.state(), State::Measuring);  // 10 s with factor 1.0, then measuring again
    EXPECT_TRUE(run.env.pauses.empty());
}

TEST(RateMeter, LoadIsSampledAtMostEveryHalfSecondWhileThrottling) {
    MeterRun run;
    run.env.load = 50.0;
    run.Begin();
    run.RunMeasuringPeriod();
    const int before = run.env.loadSamples;
    // Pauses of 250 ms after instant reads: the load is sampled on every third chunk, when
    // 0.75 s have passed (0.5 s is not yet "more than 0.5 s").
    for (int i = 0; i < 9; ++i) run.Chunk(4096, 0.0);
    EXPECT_EQ(run.env.loadSamples - before, 3);
    // A quiet processor lifts the throttle as soon as it is sampled.
    run.env.load = 0.0;
    const size_t pauses = run.env.pauses.size();
    run.Chunk(4096, 0.0);
    run.Chunk(4096, 0.0);
    EXPECT_EQ(run.meter.factor(), 0.5);
    run.Chunk(4096, 0.0);
    EXPECT_EQ(run.meter.factor(), 1.0);
    EXPECT_EQ(run.env.pauses.size() - pauses, 2u);
}

TEST(RateMeter, SecondMeasuringPeriodIsBlendedOneToFour) {
    MeterRun run;
    run.env.load = 50.0;
    run.Begin();
    run.RunMeasuringPeriod();
    while (run.meter.state() == State::Throttling) run.Chunk(4096, 1.0 / 1024);
    run.RunMeasuringPeriod(2048);  // 16384 B/s
    ASSERT_EQ(run.meter.state(), State::Throttling);
    EXPECT_NEAR(run.measuredMean, (4 * 32768.0 + 16384.0) * 0.2, 0.01);
}

TEST(RateMeter, VariationIsStandardDeviationInPercentOfMean) {
    MeterRun run;
    run.Begin();
    run.Chunk(1, 1.0);  // starting point
    for (int i = 0; i < 4; ++i) {
        run.Chunk(1000, 1.0);
        run.Chunk(3000, 1.0);
    }
    EXPECT_DOUBLE_EQ(run.meter.mean(), 2000.0);
    EXPECT_DOUBLE_EQ(run.meter.variation(), 50.0);
}

TEST(RateMeter, RelativeBandwidthAndVariationChooseTheFactor) {
    MeterRun run;
    run.histMean = 32768.0 / 0.6;  // measured mean is 60 % of the history
    run.env.load = 0.0;
    run.Begin();
    run.RunMeasuringPeriod();
    run.Chunk(4096, 0.0);
    EXPECT_EQ(run.meter.factor(), 0.26);

    MeterRun unsteady;
    unsteady.histVariation = 1e-12;  // any variation at all is far above the history
    unsteady.Begin();
    unsteady.Chunk(1, 1.0);
    for (int i = 0; i < 5; ++i) {
        unsteady.Chunk(30000, 1.0);
        unsteady.Chunk(34000, 1.0);
    }
    ASSERT_EQ(unsteady.meter.state(), State::Throttling);
    unsteady.Chunk(4096, 0.0);
    EXPECT_EQ(unsteady.meter.factor(), 0.25);
}

TEST(RateMeter, WithoutPoliteModeItNeverThrottles) {
    MeterRun run;
    run.polite = false;
    run.env.load = 90.0;
    run.Begin();
    for (int i = 0; i < 400; ++i) run.Chunk(4096, 0.125);
    EXPECT_EQ(run.meter.state(), State::Measuring);
    EXPECT_EQ(run.measuredMean, 0.0);
    EXPECT_EQ(run.meter.mean(), 32768.0);
    EXPECT_TRUE(run.env.pauses.empty());
}

TEST(RateMeter, APauseNeverRunsPastTheThrottledPeriod) {
    MeterRun run;
    run.histMean = 1e9;  // far below the history: factor 0.1, period 100 s
    run.Begin();
    run.RunMeasuringPeriod();
    ASSERT_EQ(run.env.pauses.size(), 1u);
    EXPECT_EQ(run.env.pauses[0], 1250u);  // 4096 / 32768 / 0.1 s after the last sample
    run.Chunk(1000000000, 0.0);  // a huge chunk asks for a pause of days
    ASSERT_EQ(run.env.pauses.size(), 2u);
    EXPECT_EQ(run.env.pauses[1], 100000u - 1250u);
    EXPECT_EQ(run.env.now - run.meter.stateStart(), 100.0);
    run.Chunk(4096, 0.001);
    EXPECT_EQ(run.meter.state(), State::Measuring);
}
