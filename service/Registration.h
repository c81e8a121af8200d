// "RegServer" and "UnregServer": the channel manager's installation entries.
#pragma once
#include <windows.h>

// Registers the proxy/stub library, the COM entries, the default item installer, the preset
// channels, the Run value, the uninstall entry and the distribution identifier. Answers the
// process exit code.
[[nodiscard]] HRESULT RegisterServer();
[[nodiscard]] HRESULT UnregisterServer();
