// The opt-in diagnostic log. When the HKEY_LOCAL_MACHINE product key's value "LogFile" names a
// file, one line per outcome is appended to it:
//   2026-12-08 07:31:02 download {8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01} hr=0x00000000 ret=0 ms=1520 Operation completed successfully.
// "ms" is how long the operation took.
// Without the value nothing is written. The value is read at every outcome, so the log can be
// turned on and off while the manager runs. Logging never fails an operation: a file that cannot
// be opened or written is ignored.
#pragma once
#include <windows.h>

#include "common/ZULErrorCodes.h"

// Measures an operation for its log line: started when made.
class C_OutcomeClock {
public:
    C_OutcomeClock() noexcept { QueryPerformanceCounter(&m_start); }
    uint32_t ElapsedMs() const noexcept;

private:
    LARGE_INTEGER m_start;
};

// One outcome of an interface method: what was done, to what (an id; null for none), its HRESULT
// and result code, and how long it took since clock was made.
void LogOutcome(const char* what, const char* subject, HRESULT hr, uint32_t ret, const C_OutcomeClock& clock) noexcept;

// A finding that explains an outcome, logged before it (a refused check-in answer, a file set
// whose bytes are not the ones named), e.g.:
//   2026-12-08 07:31:02 sha256 mismatch {8B1A44C0-...} expected=9f86... got=60d1...
void LogFinding(const char* what, const char* subject, const char* detail) noexcept;
