// The size of the next read of a polite download. Each read of the Internet library costs a fixed
// round trip, so reads should be large on a fast link; but the rate meter samples once a second
// and the throttle pauses after every read for as long as that read's bytes take at the
// throttled rate, so on a slow link a read must stay small. The size aims at reads of about
// kTargetSeconds at the rate the last full read came: it at most doubles per read (a read served
// from data already buffered looks infinitely fast) and shrinks at once, in steps of the minimum,
// within [minimum, maximum]. While the throttle holds the rate down, reads aim at kTargetSeconds
// of the throttled rate instead, so that pauses stay short and the rate even. Portable.
#pragma once
#include <cstdint>

class C_ReadSizeGovernor {
public:
    static constexpr double kTargetSeconds = 0.05;

    C_ReadSizeGovernor(uint32_t minimum, uint32_t maximum) : m_nMin(minimum), m_nMax(maximum), m_nSize(minimum) {}

    uint32_t size() const { return m_nSize; }
    // After a read of got bytes (of size() asked) that took seconds; a short read (the end of
    // the body) tells nothing.
    void Record(uint32_t got, double seconds) {
        if (got < m_nSize) return;
        const double wanted = seconds > 0.0 ? got / seconds * kTargetSeconds : 2.0 * m_nSize;
        SetSize(wanted < 2.0 * m_nSize ? wanted : 2.0 * m_nSize);
    }
    // While throttled to bytesPerSecond.
    void AimAt(double bytesPerSecond) { SetSize(bytesPerSecond * kTargetSeconds); }

private:
    void SetSize(double wanted) {
        if (!(wanted < m_nMax)) wanted = m_nMax;
        const uint32_t steps = wanted > 0.0 ? static_cast<uint32_t>(wanted / m_nMin) : 0;
        m_nSize = steps > 0 ? steps * m_nMin : m_nMin;
    }

    uint32_t m_nMin;
    uint32_t m_nMax;
    uint32_t m_nSize;
};
