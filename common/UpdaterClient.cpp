#include "common/UpdaterClient.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/ProcessHelpers.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/Settings.h"

namespace {

constexpr DWORD kPathSize = MAX_PATH;
constexpr DWORD kPipeBufferSize = 1024;
constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// dir joined with name into out (kPathSize); false when it does not fit.
bool JoinInto(const char* dir, const char* name, char* out) {
    if (std::strlen(dir) + std::strlen(name) + 2 > kPathSize) return false;
    char base[kPathSize];
    std::strcpy(base, dir);
    return JoinPath(base, name, out) != 0;
}

// Reads what the child has written so far; everything beyond `keep` bytes is discarded.
void DrainPipe(HANDLE pipe, std::string& received, size_t keep) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &read, nullptr) || read == 0)
            return;
        if (received.size() < keep) received.append(chunk, read < keep - received.size() ? read : keep - received.size());
    }
}

}  // namespace

bool FindMakerDirectory(char* out, bool create) {
    if (!out) return false;
    char value[kPathSize] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kTessary, "TYDirectory", value, sizeof value) == ERROR_SUCCESS &&
        value[0] && DirectoryExists(value)) {
        std::strcpy(out, value);
        return true;
    }

    char windowsCandidate[kPathSize] = {};
    char windowsDir[kPathSize] = {};
    UINT length = GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
    if (length > 0 && length <= 252 && JoinInto(windowsDir, "ty", windowsCandidate) && DirectoryExists(windowsCandidate)) {
        std::strcpy(out, windowsCandidate);
        return true;
    }

    char programFilesCandidate[kPathSize] = {};
    char programFiles[kPathSize] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", programFiles, sizeof programFiles) == ERROR_SUCCESS &&
        JoinInto(programFiles, "ty", programFilesCandidate) && DirectoryExists(programFilesCandidate)) {
        std::strcpy(out, programFilesCandidate);
        return true;
    }

    if (!create) return false;
    for (const char* candidate : {windowsCandidate, programFilesCandidate}) {
        if (candidate[0] && CreateDirectoryTree(candidate, false)) {
            std::strcpy(out, candidate);
            return true;
        }
    }
    return false;
}

bool FindUpdaterDirectory(char* out, bool create) {
    char maker[kPathSize];
    if (!out || !FindMakerDirectory(maker, create) || !JoinInto(maker, "updater", out)) return false;
    if (DirectoryExists(out)) return true;
    return create && CreateDirectoryTree(out, false);
}

int FindUpdaterProgram(char* out) {
    char directory[kPathSize];
    if (!out || !FindUpdaterDirectory(directory, false) || !JoinInto(directory, "rlymgr.exe", out)) return -1;
    return FileExists(out) ? 0 : -1;
}

int RunUpdater(const char* arguments, DWORD* exitCode, char* output, DWORD outputSize, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeBufferSize)) return -1;
    UniqueHandle pipeRead(readEnd), pipeWrite(writeEnd);
    SetHandleInformation(pipeRead.get(), HANDLE_FLAG_INHERIT, 0);

    char program[kPathSize];
    if (FindUpdaterProgram(program) != 0) return -1;
    std::string commandLine = program;
    commandLine += ' ';
    commandLine += arguments ? arguments : "";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = pipeWrite.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    // Only the child holds the write end now.
    pipeWrite.reset();

    // Keep one byte more than fits, to tell a full buffer from one that was just filled.
    const size_t keep = output && outputSize > 0 ? outputSize : 0;
    std::string received;
    constexpr DWORD kDrainPeriodMs = 20;
    const ULONGLONG started = GetTickCount64();
    while (WaitForSingleObject(process.get(), kDrainPeriodMs) == WAIT_TIMEOUT) {
        DrainPipe(pipeRead.get(), received, keep);
        if (timeoutMs != INFINITE && GetTickCount64() - started >= timeoutMs) {
            if (exitCode) *exitCode = STILL_ACTIVE;
            return -1;
        }
    }
    DrainPipe(pipeRead.get(), received, keep);

    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return -1;
    if (exitCode) *exitCode = code;
    if (code != 0) return -1;
    if (output && outputSize > 0) {
        if (received.size() >= outputSize - 1) return -1;
        std::memcpy(output, received.data(), received.size());
        output[received.size()] = '\0';
    }
    return 0;
}

int GetAppPath(const char* appName, char* out, DWORD outSize) {
    if (!appName) return -1;
    std::string arguments = "-getapppath ";
    arguments += appName;
    DWORD exitCode = 0;
    return RunUpdater(arguments.c_str(), &exitCode, out, outSize, Settings::ProgramWaitMs());
}

int StartUpdater(const char* arguments) {
    char program[kPathSize];
    if (FindUpdaterProgram(program) != 0) return -1;
    return StartProgram(program, arguments, nullptr, false) ? 0 : -1;
}

int SetUpdatesEnabled(const char* appName, bool enabled) {
    if (!appName) return -1;
    std::string arguments = enabled ? "-enableupdates " : "-disableupdates ";
    arguments += appName;
    return StartUpdater(arguments.c_str());
}
