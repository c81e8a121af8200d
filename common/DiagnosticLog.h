// The opt-in diagnostic log. When the HKEY_LOCAL_MACHINE product key's value "LogFile" names a
// file, one line per outcome is appended to it:
//   2026-12-08 07:31:02 download {8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01} hr=0x00000000 ret=0 ms=1520 Operation completed successfully.
// "ms" is how long the operation took.
// The front-end and the install helper write to the same file; their lines carry the program's
// name after the time (see SetLogProgram), the manager's carry none.
// Without the value nothing is written. The value is read at every outcome, so the log can be
// turned on and off while the manager runs. Logging never fails an operation: a file that cannot
// be opened or written is ignored.
#pragma once
#include <windows.h>

#include "common/ComResult.h"
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

// Names the program whose lines this process writes ("ZULVelorin", "TYInstallHelper"); set once at
// start, before any line. The name stands after the time on each line.
void SetLogProgram(const char* name) noexcept;

// A result its caller goes on without: a line only when it failed, so that the log tells what
// was skipped, e.g.
//   2026-12-08 07:31:02 ZULVelorin flush item {8B1A44C0-...} not done hr=0x00000001 ret=5 Not found.
void LogIfFailed(const char* what, const char* subject, const Outcome& result) noexcept;

// The same for the other result kinds of the helpers: a result code, an HRESULT, a Win32 status
// and a plain success flag.
inline void LogIfCodeFailed(const char* what, const char* subject, uint32_t ret) noexcept {
    LogIfFailed(what, subject, Outcome{ret == 0 ? S_OK : S_FALSE, static_cast<ZULError>(ret)});
}
inline void LogIfHrFailed(const char* what, const char* subject, HRESULT hr) noexcept {
    LogIfFailed(what, subject, Outcome{hr, hr == S_OK ? ZULERR_SUCCESS : ZULERR_FAILED});
}
inline void LogIfWin32Failed(const char* what, const char* subject, LONG status) noexcept {
    LogIfFailed(what, subject, Outcome{HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
                                       status == ERROR_SUCCESS ? ZULERR_SUCCESS : ZULERR_FAILED});
}
inline void LogIfFalse(const char* what, const char* subject, bool done) noexcept {
    LogIfFailed(what, subject, Outcome{done ? S_OK : E_FAIL, done ? ZULERR_SUCCESS : ZULERR_FAILED});
}
