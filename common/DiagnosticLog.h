// The opt-in diagnostic log. When the HKEY_LOCAL_MACHINE product key's value "LogFile" names a
// file, one line per outcome is appended to it:
//   2026-12-08 07:31:02 download {8B1A44C0-2F6E-4C39-9D57-0A1B2C3D4E01} hr=0x00000000 ret=0 Operation completed successfully.
// Without the value nothing is written. The value is read at every outcome, so the log can be
// turned on and off while the manager runs. Logging never fails an operation: a file that cannot
// be opened or written is ignored.
#pragma once
#include <windows.h>

#include "common/ZULErrorCodes.h"

// One outcome of an interface method: what was done, to what (an id; null for none), its HRESULT
// and result code.
void LogOutcome(const char* what, const char* subject, HRESULT hr, uint32_t ret) noexcept;

