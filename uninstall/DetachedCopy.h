// Uninstall.exe removes the directory it was started from. So that its own file is not in use
// while Windows Installer deletes it, the confirmed removal runs in a copy of the program in the
// temporary directory, and that copy has itself deleted at the next restart.
#pragma once

// The word that tells a copy that the user has already confirmed the removal.
inline constexpr char kConfirmedWord[] = "-RemoveConfirmed";

// Copies the running program into the temporary directory and starts the copy with
// kConfirmedWord; whether the copy runs.
[[nodiscard]] bool StartDetachedCopy();

// Whether this start's command line carries kConfirmedWord as its last word.
[[nodiscard]] bool IsConfirmedStart(const char* commandLine);

// Asks the system to delete the running program's file at the next restart (best effort).
void DeleteSelfAtRestart();
