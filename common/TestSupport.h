// Helpers of the common tests: scratch directories, the helper program and its copies.
#pragma once
#include <windows.h>

#include <string>

#include "common/ProcessHelpers.h"

namespace testsupport {

// HKEY_LOCAL_MACHINE key that the tests may create and must delete.
inline constexpr char kScratchKey[] = "Software\\Tessary\\ZULTest\\common";

// The directory of the running test program, without a trailing separator.
std::string ProgramDirectory();
// The helper program common_test_child.exe and the test library common_test_server.dll.
std::string ChildProgram();
std::string ServerLibrary();

// A fresh empty directory under the temporary folder, removed again with its contents.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* name);
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory();
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void WriteText(const std::string& path, const std::string& content);
std::string ReadText(const std::string& path);

// A copy of the helper program under the given file name inside directory.
std::string CopyChild(const ScratchDirectory& directory, const char* fileName);

// A started helper program, ended and closed when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();
    // Starts path with args without waiting; false when the start failed.
    bool Start(const std::string& path, const std::string& args);
    // Starts path in "quit-on" mode and waits until its message queue exists.
    bool StartQuitOn(const std::string& path, UINT message);
    DWORD id() const { return m_started.processId; }
    HANDLE process() const { return m_started.process.get(); }

private:
    StartedProgram m_started;
};

}  // namespace testsupport
