// Uninstall.exe removes the directory it was started from. So that its own file is not in use
// while Windows Installer deletes it, the confirmed removal runs in a copy of the program in the
// temporary directory, and that copy has itself deleted at the next restart.
#pragma once

// Copies the running program into the temporary directory and starts the copy with the word
// that skips the question (UninstallCommandLine.h); whether the copy runs.
[[nodiscard]] bool StartDetachedCopy();

// Asks the system to delete the running program's file at the next restart (best effort).
void DeleteSelfAtRestart();
