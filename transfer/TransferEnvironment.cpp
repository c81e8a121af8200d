#include "transfer/TransferEnvironment.h"

namespace {

double CounterFrequency() {
    LARGE_INTEGER frequency = {};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 1000.0;
    return static_cast<double>(frequency.QuadPart);
}

}  // namespace

C_TransferEnvironment::C_TransferEnvironment() : m_dFrequency(CounterFrequency()) {}

double C_TransferEnvironment::Now() {
    LARGE_INTEGER counter = {};
    if (!QueryPerformanceCounter(&counter)) return static_cast<double>(GetTickCount()) / 1000.0;
    return static_cast<double>(counter.QuadPart) / m_dFrequency;
}

void C_TransferEnvironment::Pause(uint32_t milliseconds) {
    if (milliseconds == INFINITE) --milliseconds;
    if (m_hCancelEvent)
        WaitForSingleObject(m_hCancelEvent, milliseconds);
    else
        Sleep(milliseconds);
}
