// Named mutexes used for single-instance rules.
#pragma once
#include <windows.h>

// 0 with the mutex taken (also when abandoned) and its handle in *handle; 87 for missing
// arguments or an empty name; 258 on time-out; -1 when the wait failed; else the system error
// of the creation.
LONG WaitNamedMutex(const char* name, HANDLE* handle, DWORD timeoutMs);
// Releases and closes a held mutex and sets the variable to INVALID_HANDLE_VALUE.
void ReleaseNamedMutex(HANDLE* handle);
