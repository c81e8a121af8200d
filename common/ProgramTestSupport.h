// Helpers of the multi-process tests under Wine: running the programs of the build, reading
// the registry back, resetting the state a test touches.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Directory of the running test program (the build's bin directory, beside the programs).
std::string BinDirectory();
std::string BinPath(const char* program);

// Starts "\"program\" args" (in workingDir when given) and waits up to timeoutMs; the exit code,
// or nullopt on time-out (the process is then killed).
std::optional<DWORD> RunProgram(const std::string& program, const std::string& args, DWORD timeoutMs = 60000,
                                const std::string& workingDir = {});

// Starts a program without waiting (in workingDir when given); the caller owns the handles.
PROCESS_INFORMATION StartProgramAsync(const std::string& program, const std::string& args,
                                      const std::string& workingDir = {});

std::optional<std::string> ReadString(HKEY root, const std::string& subKey, const char* value);
bool KeyExists(HKEY root, const std::string& subKey);
void WriteString(HKEY root, const std::string& subKey, const char* value, const std::string& text);
void DeleteTree(HKEY root, const std::string& subKey);
void DeleteValue(HKEY root, const std::string& subKey, const char* value);

// Process ids of running programs whose executable name is exeName (case-insensitive).
std::vector<DWORD> FindProcesses(const char* exeName);
// Posts message to every thread of every process named exeName.
void PostToAll(const char* exeName, UINT message);
// Asks every running ZULMan to shut down, waits for them and kills the stubborn ones.
void StopAllManagers();

// Writes a file with the given bytes.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
// Deletes a folder and everything in it (nothing when it is not there).
void RemoveFolderTree(const std::string& path);
// A fresh empty directory under the temporary directory.
std::string MakeScratchDirectory(const char* name);

// The prefix's "Program Files" folder.
std::string ProgramFilesDir();
// No window manager runs on the test display: Wine then draws the windows' frames and captions.
void LetWineDrawWindowFrames();

}  // namespace testsupport

namespace testsupport {
// A host path as the Windows programs see it (drive Z:).
std::string WindowsPathOf(const std::string& unixPath);
std::string ReadFileText(const std::string& path);
// The environment variable's value, or "".
std::string Environment(const char* name);
}  // namespace testsupport
