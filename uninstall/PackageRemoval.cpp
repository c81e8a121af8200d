#include "uninstall/PackageRemoval.h"

#include "common/ProcessHelpers.h"

DWORD StartPackageRemoval(const std::string& productCode) {
    char systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) return GetLastError();
    const std::string program = std::string(systemDir) + "\\msiexec.exe";
    // Started in the system folder and not waited for.
    DWORD error = ERROR_SUCCESS;
    if (!StartProgram(program.c_str(), ("/x " + productCode + " /qb").c_str(), systemDir, false, &error)) return error;
    return ERROR_SUCCESS;
}
