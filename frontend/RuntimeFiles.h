// System runtime files some items bring along: moved into the Windows system folder and
// registered, unless the system already has the same or a newer version.
#pragma once
#include <string>

#include "ZULMan.h"

// Handles "comctl32.ocx", "comdlg32.ocx", "msvbvm60.dll", "mswinsck.ocx" of installDir in that
// order, stopping at the first failure: 0; 1 a version unreadable or a registration failed; 17 a
// copy failed. Each handled source file is deleted; absent ones are skipped.
[[nodiscard]] ZULError InstallRuntimeFiles(const std::string& installDir);
