// Samples the processor load: NT performance data on the NT family (or the system's processor
// times where that data has no processor object), the dynamic statistics of the Windows 95
// family, nothing elsewhere. A failed sample keeps the last load.
#pragma once
#include <windows.h>

#include <cstdint>

#include "transfer/ProcessorLoad.h"

class C_ProcessorLoadSampler {
public:
    C_ProcessorLoadSampler();
    // Takes a sample and answers the load in percent (0.0 until a load is known).
    double Sample();
    double load() const { return m_calc.load(); }

private:
    void SampleNt();
    void SampleWin95();
    static bool ReadPerformanceData(uint64_t& idle, uint64_t& time);

    DWORD m_dwPlatform;
    bool m_bUseSystemTimes = false;
    C_LoadCalculator m_calc;
};
