#include "uninstall/DetachedCopy.h"

#include <windows.h>

#include <string>

#include "common/Handles.h"
#include "uninstall/UninstallCommandLine.h"

namespace {

std::string OwnPath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length == 0 || length >= sizeof path ? std::string() : std::string(path);
}

}  // namespace

bool StartDetachedCopy() {
    const std::string self = OwnPath();
    char tempDir[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof tempDir, tempDir);
    if (self.empty() || length == 0 || length >= sizeof tempDir) return false;
    const std::string copy =
        std::string(tempDir) + "TessaryZUL-Uninstall-" + std::to_string(GetCurrentProcessId()) + ".exe";
    if (!CopyFileA(self.c_str(), copy.c_str(), FALSE)) return false;

    std::string commandLine = "\"" + copy + "\" " + kConfirmedWord;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, tempDir, &startup,
                        &info)) {
        DeleteFileA(copy.c_str());
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return true;
}

void DeleteSelfAtRestart() {
    const std::string self = OwnPath();
    if (!self.empty()) MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
