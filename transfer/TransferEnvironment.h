// The engine's clock (high-resolution performance counter), processor load and pauses.
#pragma once
#include <windows.h>

#include "transfer/ProcessorLoadSampler.h"
#include "transfer/TransferRateMeter.h"

class C_TransferEnvironment : public RateMeterEnvironment {
public:
    C_TransferEnvironment();
    double Now() override;
    double SampleProcessorLoad() override { return m_sampler.Sample(); }
    // Sleeps; a set cancel event ends the pause early (it is tested after the next chunk).
    void Pause(uint32_t milliseconds) override;
    void SetCancelEvent(HANDLE event) { m_hCancelEvent = event; }

private:
    double m_dFrequency;
    C_ProcessorLoadSampler m_sampler;
    HANDLE m_hCancelEvent = nullptr;
};
