// Narrow (system code page) paths handed to the wide file API, so that extraction targets
// longer than the classic 260 characters still work where the system allows them.
#pragma once
#include <windows.h>

#include <string>

// The path in UTF-16. A path that reaches the classic limit is made absolute and normalised and
// gets the "\\?\" (or "\\?\UNC\") prefix, which lifts that limit; shorter paths are converted
// unchanged. Empty on a conversion failure.
std::wstring ToWidePath(const char* path);

// GetFileAttributes over ToWidePath; INVALID_FILE_ATTRIBUTES when missing.
DWORD WideFileAttributes(const char* path);
bool WideFileExists(const char* path);
bool WideDeleteFile(const char* path);
// Moves from to to, replacing a file there (never a read-only one or a directory); one system
// call when to does not exist yet.
bool WideReplaceFile(const char* from, const char* to);
