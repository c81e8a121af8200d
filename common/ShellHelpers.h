// Shell helpers of the front-end and the install helper.
#pragma once
#include <windows.h>

// Asks the shell to "open" file with parameters in directory; whether the shell accepted it.
bool ShellOpen(const char* directory, const char* file, const char* parameters);
// Writes a shell link; 0 without doing anything when a required argument is missing.
[[nodiscard]] HRESULT CreateShortcut(const char* shortcutPath, const char* target, const char* arguments,
                       const char* workingDir, const char* description, const char* iconPath,
                       int iconIndex);
