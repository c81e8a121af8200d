// Removal of the installed package through the system's Windows Installer program.
#pragma once

#include <windows.h>

#include <string>

struct RemovalResult {
    bool started;     // msiexec could be started and awaited
    DWORD exitCode;   // its exit code (a Windows Installer result), or the system error when not
};

// Runs "msiexec /x {ProductCode} /qb" (the installer's progress shown, no further questions)
// and waits for it to end.
[[nodiscard]] RemovalResult RemovePackage(const std::string& productCode);
