#include "common/TestSupport.h"

#include <cstdio>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/ProcessHelpers.h"

namespace testsupport {

namespace {

constexpr DWORD kReadyWaitMs = 20000;

}  // namespace

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.find_last_of("\\/"));
}

std::string ChildProgram() { return ProgramDirectory() + "\\common_test_child.exe"; }

std::string ServerLibrary() { return ProgramDirectory() + "\\common_test_server.dll"; }

ScratchDirectory::ScratchDirectory(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    m_path = std::string(temp) + "zulcommon-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    if (DirectoryExists(m_path.c_str())) DeleteDirectoryTree(m_path.c_str());
    CreateDirectoryA(m_path.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() { DeleteDirectoryTree(m_path.c_str()); }

void WriteText(const std::string& path, const std::string& content) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);
}

std::string ReadText(const std::string& path) {
    std::string content;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return content;
    char chunk[512];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) content.append(chunk, got);
    std::fclose(in);
    return content;
}

std::string CopyChild(const ScratchDirectory& directory, const char* fileName) {
    const std::string copy = directory / fileName;
    CopyFileA(ChildProgram().c_str(), copy.c_str(), FALSE);
    return copy;
}

ChildProcess::~ChildProcess() {
    if (!m_started.process) return;
    if (WaitForSingleObject(m_started.process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_started.process.get(), 1);
        WaitForSingleObject(m_started.process.get(), 5000);
    }
}

bool ChildProcess::Start(const std::string& path, const std::string& args) {
    return StartProgram(path.c_str(), args.c_str(), nullptr, false, nullptr, &m_started);
}

bool ChildProcess::StartQuitOn(const std::string& path, UINT message) {
    static int counter = 0;
    const std::string eventName = "ZULTestChildReady-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++counter);
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!ready || !Start(path, "quit-on " + std::to_string(message) + " " + eventName)) return false;
    const HANDLE waits[] = {ready.get(), m_started.process.get()};
    return WaitForMultipleObjects(2, waits, FALSE, kReadyWaitMs) == WAIT_OBJECT_0;
}

}  // namespace testsupport
