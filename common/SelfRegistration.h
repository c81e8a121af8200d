// Registration of COM servers given as files: libraries through DllRegisterServer /
// DllUnregisterServer, programs (".exe", any case) through "/RegServer" / "/UnRegServer", with
// the file's directory current meanwhile. A library answers its entry's result (E_FAIL when it
// cannot be loaded or lacks the entry); a program answers its exit code, or
// HRESULT_FROM_WIN32 of the system error when it cannot be started.
#pragma once
#include <windows.h>

[[nodiscard]] HRESULT RegisterFile(const char* path);
[[nodiscard]] HRESULT UnregisterFile(const char* path);
