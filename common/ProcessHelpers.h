// Starting, finding, messaging and awaiting processes.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

// Starts "\"path\" args" (no inherited handles). With wait, waits without limit and stores the
// exit code in outValue; on a start failure outValue receives the system error. With outInfo the
// process and thread handles go to the caller, who closes them.
bool StartProgram(const char* path, const char* args, const char* workingDir, bool wait,
                  DWORD* outValue = nullptr, PROCESS_INFORMATION* outInfo = nullptr);

// Finds the next process whose executable file name is a case-insensitive prefix of wanted.
// *snapshot == nullptr starts a new process-and-thread snapshot (the caller closes it).
// 0 with entry filled; 2 when none is left; 87 for missing arguments; else the system error.
DWORD FindProcessByName(const char* wanted, PROCESSENTRY32* entry, HANDLE* snapshot);

// Posts message to every thread of processId in snapshot. 0, or the system error.
DWORD PostToProcessThreads(UINT message, WPARAM wParam, LPARAM lParam, DWORD processId,
                           HANDLE snapshot, HANDLE process = nullptr);

// 0 after storing the exit code; 258 on time-out; else the system error.
DWORD WaitForProcessExit(DWORD processId, DWORD timeoutMs, DWORD* exitCode = nullptr);

// Asks every running copy of exeName to quit (see the install helper); a ZULError value or an
// exit code.
DWORD AskProcessToQuit(const char* exeName, UINT message, WPARAM parameter, DWORD timeoutMs, bool checkOnly);
