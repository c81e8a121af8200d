// Samples the processor load: NT performance data on the NT family, the dynamic statistics of
// the Windows 95 family, nothing elsewhere. A failed sample keeps the last load.
#pragma once
#include <windows.h>

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

    DWORD m_dwPlatform;
    C_LoadCalculator m_calc;
};
