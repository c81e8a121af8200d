// The transfer rate meter and polite throttle of one HTTP exchange (portable core).
//
// A polite transfer alternates between a measuring period (ten samples, one per second, at full
// speed) and a throttled period of 10 / factor seconds in which every read is followed by a pause
// that holds the rate near factor x the measured mean. The factor follows from the measured
// rate relative to the machine's historical rate and from the processor load.
#pragma once
#include <cstdint>

// Time, processor load and sleeping, injected so that the meter can run on a fake clock.
class RateMeterEnvironment {
public:
    virtual ~RateMeterEnvironment() = default;
    virtual double Now() = 0;                  // seconds from an arbitrary origin
    virtual double SampleProcessorLoad() = 0;  // percent; the last known load when sampling fails
    virtual void Pause(uint32_t milliseconds) = 0;
};

// The transfer's own settings and results that the meter reads and writes.
struct RateMeterBinding {
    bool polite;
    double histMean;       // bytes per second; 0 = unknown
    double histVariation;  // percent
    double& measuredMean;
    double& measuredVariation;
};

constexpr int kRateRingSize = 10;
constexpr double kRateSampleInterval = 1.0;   // seconds between rate samples
constexpr double kLoadSampleInterval = 0.5;   // seconds between processor-load samples while throttling
constexpr unsigned kSamplesPerMeasuringPeriod = 10;
constexpr double kThrottledPeriodScale = 10.0;  // a throttled period lasts this / factor seconds

// The factor for a relative bandwidth and variation (percent of the historical values) and a
// processor load in percent. 1.0 means no throttling.
double ChooseThrottleFactor(double relativeBandwidth, double relativeVariation, double load);

// The time a chunk of chunkBytes takes at factor x mean bytes per second: chunk / mean / factor
// seconds, in whole milliseconds. 0 for a factor of exactly 1.0, a mean that is not positive, or a
// negative result; saturates at the largest 32-bit value.
uint32_t ThrottlePauseMs(uint32_t chunkBytes, double mean, double factor);

class C_TransferRateMeter {
public:
    enum class State { Measuring, Throttling };

    explicit C_TransferRateMeter(RateMeterEnvironment& env);

    // Empties the ring, factor 1.0, last sample and last load sample at now, byte mark bytesDone.
    void Reset(uint32_t bytesDone);
    // Start of a transfer body: reset, measured pair 0.0, measuring state.
    void Begin(const RateMeterBinding& b, uint32_t bytesDone);
    // After every non-empty chunk, first a rate sample (measuring state only; the tenth sample of
    // a polite transfer enters the throttling state), later the throttle (throttling state only).
    void TakeSample(const RateMeterBinding& b, uint32_t bytesDone);
    // The pause after a chunk is the time the chunk takes at factor x mean less the time its read
    // took (since the last pause), so that the throttled rate is factor x mean whatever the read
    // size and speed.
    void Throttle(const RateMeterBinding& b, uint32_t bytesDone, uint32_t chunkBytes);

    State state() const { return m_state; }
    double mean() const { return m_dMean; }
    double variation() const { return m_dVariation; }
    double factor() const { return m_dFactor; }
    double load() const { return m_dLoad; }
    double stateStart() const { return m_dStateStart; }
    unsigned stateSamples() const { return m_nStateSamples; }
    // Pauses the throttle has taken so far, and their total length as asked of the environment.
    unsigned pausesTaken() const { return m_nPauses; }
    uint64_t pausedMs() const { return m_nPausedMs; }

private:
    void EnterState(State state, double now);
    void UpdateStatistics();

    RateMeterEnvironment& m_env;
    double m_ring[kRateRingSize];
    int m_nIndex = 0;
    double m_dMean = 0.0;
    double m_dVariation = 0.0;
    double m_dVariance = 0.0;
    double m_dFactor = 1.0;
    double m_dLastSampleTime = 0.0;
    uint32_t m_cbLastSampleBytes = 0;
    double m_dLastLoadTime = 0.0;
    double m_dLoad = 0.0;
    State m_state = State::Measuring;
    double m_dStateStart = 0.0;
    double m_dLastPauseEnd = 0.0;
    unsigned m_nStateSamples = 0;
    unsigned m_nPauses = 0;
    uint64_t m_nPausedMs = 0;
};
