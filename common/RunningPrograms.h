// Ending the running front-end and channel manager before their files are replaced or removed:
// each is asked by its documented thread message, quietly. The install helper's "KillZULM" mode
// and the package's actions share it.
#pragma once
#include <windows.h>

// How ending the processes of one executable name went.
enum class EndOutcome { Success, NoneRunning, WaitFailed, StillRunning };

inline bool EndedOrAbsent(EndOutcome outcome) {
    return outcome == EndOutcome::Success || outcome == EndOutcome::NoneRunning;
}

// Posts message to every thread of every process named exeName and waits up to 2 s for each;
// a process that does not end with exit code 0 gets WM_QUIT and the rest of budgetMs. Success
// when they ended with 0, NoneRunning when none ran (or all are gone by the end).
[[nodiscard]] EndOutcome EndProcessesByName(const char* exeName, UINT message, DWORD budgetMs = 10000);

// Ends the front-end (0x8013, then 0x8012, under both of its executable names) and then the
// channel manager (0x8001). Whether nothing of them is left running.
[[nodiscard]] bool EndRunningPrograms();
