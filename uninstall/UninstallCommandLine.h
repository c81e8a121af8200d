// The command line of Uninstall.exe: without words it asks the user; with the word
// "-RemoveConfirmed" last on the line (any case) it is the copy that removes without asking.
#pragma once

#include <string_view>

inline constexpr char kConfirmedWord[] = "-RemoveConfirmed";

// commandLine: the text after the program's name, as WinMain receives it.
[[nodiscard]] bool IsConfirmedStart(std::string_view commandLine);
