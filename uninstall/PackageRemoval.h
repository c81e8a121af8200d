// Removal of the installed package through the system's Windows Installer program.
#pragma once

#include <windows.h>

#include <string>

// Starts "msiexec.exe /x {ProductCode} /qb" from the system directory (the installer's progress
// and its own messages shown, no further questions) and lets it run: this program's file is then
// free for the removal to delete. ERROR_SUCCESS, or the system error of the start.
[[nodiscard]] DWORD StartPackageRemoval(const std::string& productCode);
