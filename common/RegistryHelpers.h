// Registry helpers; each answers the system error code (0 = success). Values are REG_SZ.
#pragma once
#include <windows.h>

#include <string>

// A string read is always zero-terminated: one stored without its zero gets one, or
// ERROR_MORE_DATA when none fits. A value that is no string (REG_DWORD, REG_BINARY, ...) reads
// as absent: ERROR_INVALID_DATA. On failure the buffer holds "".
LONG RegReadValue(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize);
// The whole string value, whatever its length, without its terminating zero (the text ends at
// the first zero). ERROR_INVALID_DATA for a value that is no string; on failure out is empty.
LONG RegReadString(HKEY root, const char* subKey, const char* valueName, std::string& out);
LONG RegWriteString(HKEY root, const char* subKey, const char* valueName, const char* text);
// Under HKEY_LOCAL_MACHINE: appends text unless it already occurs anywhere in the value.
LONG RegAppendToString(const char* subKey, const char* valueName, const char* text);
// Under HKEY_LOCAL_MACHINE: removes the first occurrence of text from the value.
LONG RegRemoveFromString(const char* subKey, const char* valueName, const char* text);
LONG RegDeleteValueOf(HKEY root, const char* subKey, const char* valueName);
// Deletes subKey with all its sub-keys; 87 for a missing or empty sub-key (which would be root).
LONG RegDeleteKeyTree(HKEY root, const char* subKey);
