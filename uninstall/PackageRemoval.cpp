#include "uninstall/PackageRemoval.h"

#include "common/Handles.h"

RemovalResult RemovePackage(const std::string& productCode) {
    char systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) return {false, GetLastError()};
    const std::string program = std::string(systemDir) + "\\msiexec.exe";
    std::string commandLine = "\"" + program + "\" /x " + productCode + " /qb";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return {false, GetLastError()};
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) return {false, GetLastError()};
    return {true, exitCode};
}
