// Starting, finding, messaging and awaiting processes.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <functional>

#include "common/Handles.h"

// The handles of a started process, owned.
struct StartedProgram {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD processId = 0;
};

// Starts "\"path\" args" (no inherited handles) in workingDir (none or empty: the caller's
// current directory). With wait, waits without limit and stores the
// exit code in outValue; on a start failure (or a failed wait) the answer is false and outValue
// receives the system error. With started the process and thread handles go to the caller.
bool StartProgram(const char* path, const char* args, const char* workingDir, bool wait,
                  DWORD* outValue = nullptr, StartedProgram* started = nullptr);

// Finds the next process whose executable file name (the part after its last separator) is
// wanted, or wanted without its extension, compared without regard to case: "ZULMan.exe" finds
// processes named "ZULMan.exe" and "ZULMan", never "ZUL". *snapshot == nullptr (or
// INVALID_HANDLE_VALUE) starts a new process-and-thread snapshot (the caller closes it).
// 0 with entry filled; 2 when none is left; 87 for missing arguments; else the system error.
DWORD FindProcessByName(const char* wanted, PROCESSENTRY32* entry, HANDLE* snapshot);

// Walks one process-and-thread snapshot (closed afterwards) and calls visit with each process
// FindProcessByName would find for wanted, and the snapshot, until visit answers false. 0 after
// the walk; 87 without a name or visitor; else the system error of taking the snapshot.
using ProcessVisitor = std::function<bool(const PROCESSENTRY32& entry, HANDLE snapshot)>;
DWORD ForEachProcessNamed(const char* wanted, const ProcessVisitor& visit);

// Posts message to every thread of processId in snapshot. 0, or the system error.
DWORD PostToProcessThreads(UINT message, WPARAM wParam, LPARAM lParam, DWORD processId,
                           HANDLE snapshot, HANDLE process = nullptr);

// 0 after storing the exit code; 258 on time-out; else the system error.
DWORD WaitForProcessExit(DWORD processId, DWORD timeoutMs, DWORD* exitCode = nullptr);

// Asks every running copy of exeName to quit: posts message (parameter, 0) to its threads and
// waits up to timeoutMs for it. checkOnly answers parameter at once when a copy runs. Answers 5
// (ZULERR_NOT_FOUND) when none runs or one vanished, 32 (ZULERR_PROCESS_WAIT_FAILED) when a wait
// failed or ran out, 1 when no snapshot could be taken, 3 without a name; else the exit code of
// the last copy that quit.
DWORD AskProcessToQuit(const char* exeName, UINT message, WPARAM parameter, DWORD timeoutMs, bool checkOnly);
