#include "uninstall/PackageRemoval.h"

#include "common/Handles.h"

DWORD StartPackageRemoval(const std::string& productCode) {
    char systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) return GetLastError();
    const std::string program = std::string(systemDir) + "\\msiexec.exe";
    std::string commandLine = "\"" + program + "\" /x " + productCode + " /qb";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, systemDir, &startup,
                        &info))
        return GetLastError();
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return ERROR_SUCCESS;
}
