// Client of the maker's separate updater program "rlymgr.exe": finds it and runs it with a
// command line, reading its exit code and, for queries, its standard output.
#pragma once
#include <windows.h>

// The maker directory (260-character buffer): "TYDirectory" of HKLM "Software\Tessary", the
// Windows directory's "ty", then "ProgramFilesDir"'s "ty"; with create, made when none exists.
bool FindMakerDirectory(char* out, bool create);
// The maker directory's "updater" sub-directory; true when it exists (or was created).
bool FindUpdaterDirectory(char* out, bool create);
// The updater program's path; 0 when it exists, -1 otherwise.
int FindUpdaterProgram(char* out);
// Runs "program arguments" and waits for it, up to timeoutMs (INFINITE: without limit). 0 when it
// exits with 0 (and, with an output buffer, its output fits below outputSize - 1 bytes); -1
// otherwise. The output is read while the updater runs, so a long answer cannot block it. When
// the wait runs out, exitCode receives STILL_ACTIVE and the updater is left running.
int RunUpdater(const char* arguments, DWORD* exitCode, char* output = nullptr, DWORD outputSize = 0,
               DWORD timeoutMs = INFINITE);
// The updater's answer to "-getapppath name", waited for up to Settings::ProgramWaitMs.
int GetAppPath(const char* appName, char* out, DWORD outSize);
// Starts the updater with arguments without waiting; 0 or -1.
int StartUpdater(const char* arguments);
// "-enableupdates name" / "-disableupdates name", without waiting.
int SetUpdatesEnabled(const char* appName, bool enabled);
