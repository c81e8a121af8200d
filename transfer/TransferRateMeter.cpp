#include "transfer/TransferRateMeter.h"

#include <cmath>

double ChooseThrottleFactor(double relativeBandwidth, double relativeVariation, double load) {
    const bool unsteady = relativeVariation >= 150.0;
    if (relativeBandwidth > 80.0) {
        if (unsteady) return 0.25;
        return load > 25.0 ? 0.5 : 1.0;
    }
    if (relativeBandwidth > 50.0) {
        if (unsteady || load >= 25.0) return 0.05;
        return 0.26;
    }
    return load >= 25.0 ? 0.06 : 0.1;
}

uint32_t ThrottlePauseMs(uint32_t chunkBytes, double mean, double factor) {
    if (factor == 1.0 || !(mean > 0.0) || !(factor > 0.0)) return 0;
    double pause = static_cast<double>(chunkBytes) / mean / factor * 1000.0;
    if (!(pause > 0.0)) return 0;
    if (pause >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(pause);
}

C_TransferRateMeter::C_TransferRateMeter(RateMeterEnvironment& env) : m_env(env) {
    Reset(0);
    EnterState(State::Measuring, m_dLastSampleTime);
}

void C_TransferRateMeter::Reset(uint32_t bytesDone) {
    for (double& slot : m_ring) slot = -1.0;
    m_nIndex = 0;
    m_dMean = 0.0;
    m_dVariation = 0.0;
    m_dVariance = 0.0;
    m_dFactor = 1.0;
    const double now = m_env.Now();
    m_dLastSampleTime = now;
    m_dLastLoadTime = now;
    m_cbLastSampleBytes = bytesDone;
}

void C_TransferRateMeter::Begin(const RateMeterBinding& b, uint32_t bytesDone) {
    Reset(bytesDone);
    b.measuredMean = 0.0;
    b.measuredVariation = 0.0;
    EnterState(State::Measuring, m_dLastSampleTime);
}

void C_TransferRateMeter::EnterState(State state, double now) {
    m_state = state;
    m_dStateStart = now;
    m_dLastPauseEnd = now;
    m_nStateSamples = 0;
}

void C_TransferRateMeter::TakeSample(const RateMeterBinding& b, uint32_t bytesDone) {
    if (m_state != State::Measuring) return;
    const double now = m_env.Now();
    const double elapsed = now - m_dLastSampleTime;
    if (elapsed < kRateSampleInterval) return;

    ++m_nStateSamples;
    m_dLastSampleTime = now;
    const uint32_t bytes = bytesDone - m_cbLastSampleBytes;  // modulo 2^32, like the counter
    m_cbLastSampleBytes = bytesDone;
    if (m_nStateSamples == 1) return;  // the first sample of a period only sets the start

    m_nIndex = (m_nIndex + 1) % kRateRingSize;
    m_ring[m_nIndex] = static_cast<double>(bytes) / elapsed;
    UpdateStatistics();

    if (b.polite && m_nStateSamples == kSamplesPerMeasuringPeriod) {
        if (b.measuredMean == 0.0) {
            b.measuredMean = m_dMean;
            b.measuredVariation = m_dVariation;
        } else {
            b.measuredMean = (4.0 * b.measuredMean + m_dMean) * 0.2;
            b.measuredVariation = (4.0 * b.measuredVariation + m_dVariation) * 0.2;
        }
        m_dLoad = m_env.SampleProcessorLoad();
        m_dLastLoadTime = now;
        EnterState(State::Throttling, now);
    }
}

void C_TransferRateMeter::UpdateStatistics() {
    double sum = 0.0, squares = 0.0;
    int count = 0;
    for (double rate : m_ring) {
        if (rate < 0.0) continue;
        sum += rate;
        squares += rate * rate;
        ++count;
    }
    if (count == 0) return;
    m_dMean = sum / count;
    m_dVariance = squares / count - m_dMean * m_dMean;
    if (m_dVariance < 0.0) m_dVariance = 0.0;  // rounding of nearly equal rates
    m_dVariation = m_dMean > 0.0 ? std::sqrt(m_dVariance) * 100.0 / m_dMean : 0.0;
}

void C_TransferRateMeter::Throttle(const RateMeterBinding& b, uint32_t bytesDone, uint32_t chunkBytes) {
    if (m_state != State::Throttling) return;
    const double relativeBandwidth = b.histMean > 0.0 ? m_dMean / b.histMean * 100.0 : 100.0;
    const double relativeVariation =
        b.histVariation > 0.0 ? m_dVariation / b.histVariation * 100.0 : 100.0;

    const double now = m_env.Now();
    if (now - m_dLastLoadTime > kLoadSampleInterval) {
        m_dLoad = m_env.SampleProcessorLoad();
        m_dLastLoadTime = now;
    }
    m_dFactor = ChooseThrottleFactor(relativeBandwidth, relativeVariation, m_dLoad);
    // Everything since the last pause counts as the chunk's time, the load sample included.
    const double readMs = (m_env.Now() - m_dLastPauseEnd) * 1000.0;
    const uint32_t chunkMs = ThrottlePauseMs(chunkBytes, m_dMean, m_dFactor);
    const uint32_t pause = chunkMs > readMs ? static_cast<uint32_t>(chunkMs - readMs) : 0;

    const double period = kThrottledPeriodScale / m_dFactor;
    const double inState = now - m_dStateStart;
    if (inState > period) {
        Reset(bytesDone);
        EnterState(State::Measuring, m_dLastSampleTime);
        return;
    }
    // A pause never runs past the end of the throttled period.
    const double remainingMs = std::ceil((period - inState) * 1000.0);
    const uint32_t limited = pause < remainingMs ? pause : static_cast<uint32_t>(remainingMs);
    if (limited > 0) {
        m_env.Pause(limited);
        ++m_nPauses;
        m_nPausedMs += limited;
    }
    m_dLastPauseEnd = m_env.Now();
}
