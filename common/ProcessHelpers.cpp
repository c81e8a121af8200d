#include "common/ProcessHelpers.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <new>
#include <string_view>

#include "common/Handles.h"
#include "common/PathText.h"
#include "common/TextCompare.h"
#include "common/ZULErrorCodes.h"

namespace {

// Room for the quotes, the blank and the zero around path and arguments.
constexpr size_t kCommandLineSlack = 64;
constexpr DWORD kSnapshotKinds = TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD;

bool IsNoHandle(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }

// Whether a process's executable is the wanted program: the same file name, or the wanted name
// without its extension (compared without regard to case).
bool IsWantedProgram(const char* exeFile, const char* wanted) {
    const std::string_view name = GetFileNamePart(exeFile);
    const std::string_view want = wanted;
    if (name.empty() || !StartsWithNoCase(want, name)) return false;
    const char* rest = wanted + name.size();
    return *rest == '\0' || rest == FindExtension(wanted);
}

// Moves on to the next process of the snapshot that is the wanted program: 0, 2 when none is
// left, or the system error of the walk.
DWORD NextWantedProcess(HANDLE snapshot, const char* wanted, PROCESSENTRY32* entry, bool first) {
    BOOL more = first ? Process32First(snapshot, entry) : Process32Next(snapshot, entry);
    for (; more; more = Process32Next(snapshot, entry))
        if (IsWantedProgram(entry->szExeFile, wanted)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES || error == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : error;
}

}  // namespace

bool StartProgram(const char* path, const char* args, const char* workingDir, bool wait,
                  DWORD* outValue, StartedProgram* started) {
    if (!path) {
        if (outValue) *outValue = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!args) args = "";
    const size_t size = std::strlen(path) + std::strlen(args) + kCommandLineSlack;
    std::unique_ptr<char[]> commandLine(new (std::nothrow) char[size]);
    if (!commandLine) {
        if (outValue) *outValue = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    std::snprintf(commandLine.get(), size, "\"%s\" %s", path, args);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // A given working directory becomes the program's current directory (an install program run
    // from its temporary directory finds its files there); none means the caller's.
    const char* currentDirectory = (workingDir && *workingDir) ? workingDir : nullptr;
    if (!CreateProcessA(path, commandLine.get(), nullptr, nullptr, FALSE, 0, nullptr, currentDirectory, &startup, &info)) {
        if (outValue) *outValue = GetLastError();
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);

    if (wait) {
        DWORD exitCode = 0;
        if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process.get(), &exitCode)) {
            // No exit code to report: the failure is reported instead of a made-up code.
            if (outValue) *outValue = GetLastError();
            return false;
        }
        if (outValue) *outValue = exitCode;
    }
    if (started) {
        started->process = std::move(process);
        started->thread = std::move(thread);
        started->processId = info.dwProcessId;
    }
    return true;
}

DWORD FindProcessByName(const char* wanted, PROCESSENTRY32* entry, HANDLE* snapshot) {
    if (!wanted || !entry || !snapshot) return ERROR_INVALID_PARAMETER;
    const bool first = IsNoHandle(*snapshot);
    if (first) {
        const HANDLE taken = CreateToolhelp32Snapshot(kSnapshotKinds, 0);
        if (IsNoHandle(taken)) return GetLastError();
        *snapshot = taken;
    }
    return NextWantedProcess(*snapshot, wanted, entry, first);
}

DWORD ForEachProcessNamed(const char* wanted, const ProcessVisitor& visit) {
    if (!wanted || !visit) return ERROR_INVALID_PARAMETER;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(kSnapshotKinds, 0));
    if (!snapshot) return GetLastError();
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (bool first = true; NextWantedProcess(snapshot.get(), wanted, &entry, first) == ERROR_SUCCESS; first = false)
        if (!visit(entry, snapshot.get())) break;
    return ERROR_SUCCESS;
}

DWORD PostToProcessThreads(UINT message, WPARAM wParam, LPARAM lParam, DWORD processId,
                           HANDLE snapshot, HANDLE process) {
    if (IsNoHandle(snapshot)) return ERROR_INVALID_PARAMETER;
    // Holding the process keeps its identifier from being reused while its threads are told.
    UniqueHandle opened;
    if (!process) {
        opened.reset(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId));
        if (!opened) return GetLastError();
    }
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        if (thread.th32OwnerProcessID == processId)
            PostThreadMessageA(thread.th32ThreadID, message, wParam, lParam);
    return ERROR_SUCCESS;
}

DWORD WaitForProcessExit(DWORD processId, DWORD timeoutMs, DWORD* exitCode) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) return GetLastError();
    const DWORD waited = WaitForSingleObject(process.get(), timeoutMs);
    if (waited == WAIT_TIMEOUT) return WAIT_TIMEOUT;
    if (waited != WAIT_OBJECT_0) return GetLastError();
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return GetLastError();
    if (exitCode) *exitCode = code;
    return ERROR_SUCCESS;
}

DWORD AskProcessToQuit(const char* exeName, UINT message, WPARAM parameter, DWORD timeoutMs, bool checkOnly) {
    if (!exeName) return ZULERR_INVALID_ARGUMENT;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(kSnapshotKinds, 0));
    if (!snapshot) return ZULERR_FAILED;

    DWORD result = ZULERR_NOT_FOUND;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (bool first = true; NextWantedProcess(snapshot.get(), exeName, &entry, first) == ERROR_SUCCESS;
         first = false) {
        if (checkOnly) return static_cast<DWORD>(parameter);
        PostToProcessThreads(message, parameter, 0, entry.th32ProcessID, snapshot.get());
        DWORD exitCode = 0;
        const DWORD waited = WaitForProcessExit(entry.th32ProcessID, timeoutMs, &exitCode);
        // The process ended before it could be opened.
        if (waited == ERROR_INVALID_PARAMETER) return ZULERR_NOT_FOUND;
        if (waited != ERROR_SUCCESS) return ZULERR_PROCESS_WAIT_FAILED;
        result = exitCode;
    }
    return result;
}
