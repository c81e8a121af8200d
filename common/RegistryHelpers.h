// Registry helpers; each answers the system error code (0 = success). Values are REG_SZ.
#pragma once
#include <windows.h>

LONG RegReadValue(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize);
LONG RegWriteString(HKEY root, const char* subKey, const char* valueName, const char* text);
// Under HKEY_LOCAL_MACHINE: appends text unless it already occurs anywhere in the value.
LONG RegAppendToString(const char* subKey, const char* valueName, const char* text);
// Under HKEY_LOCAL_MACHINE: removes the first occurrence of text from the value.
LONG RegRemoveFromString(const char* subKey, const char* valueName, const char* text);
LONG RegDeleteValueOf(HKEY root, const char* subKey, const char* valueName);
LONG RegDeleteKeyTree(HKEY root, const char* subKey);
