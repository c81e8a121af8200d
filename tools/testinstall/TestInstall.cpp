// Test install program for items of the default type. A file set carries it; the manager's
// ItemInstaller runs it with the item's "InstallArgs". It appends one record of what it was
// given to a log file and exits with the code its arguments choose.
//
// Arguments (anywhere in the argument text; everything else is only logged):
//   /exit=N      exit code (decimal; default 0)
//   /sleep=MS    wait that long before exiting
//   /log=PATH    log file; /log="PATH WITH BLANKS" too
// Without /log the log file is the environment variable ZUL_TESTINSTALL_LOG, or else
// C:\TestInstall.log (a program started by a COM server does not see a test's environment).
//
// A record, appended in one write so that concurrent runs do not interleave:
//   [TestInstall]
//   CommandLine=<the whole command line>
//   Arguments=<the text after the program name>
//   CurrentDirectory=<current directory>
//   ProgramDirectory=<directory of the program file>
//   ProgramFiles=<names of the files beside the program, "|"-separated>
//   ExitCode=<N>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/Handles.h"

namespace {

constexpr char kDefaultLog[] = "C:\\TestInstall.log";
constexpr char kLogVariable[] = "ZUL_TESTINSTALL_LOG";

// The text after the program name (quoted or not) and the blanks after it.
std::string ArgumentText(const char* line) {
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// The value of "/name=": up to the next blank, or quoted. Empty when the option is absent.
std::string Option(const std::string& args, const char* name) {
    const std::string option = std::string("/") + name + "=";
    const size_t at = args.find(option);
    if (at == std::string::npos) return std::string();
    size_t start = at + option.size();
    if (start < args.size() && args[start] == '"') {
        const size_t end = args.find('"', start + 1);
        return args.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    }
    const size_t end = args.find_first_of(" \t", start);
    return args.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string LogPath(const std::string& args) {
    std::string path = Option(args, "log");
    if (!path.empty()) return path;
    char buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kLogVariable, buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer) return buffer;
    return kDefaultLog;
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length < sizeof path ? length : 0);
    const size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

std::string CurrentDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length < sizeof path ? std::string(path, length) : std::string();
}

std::string FilesIn(const std::string& directory) {
    std::string names;
    WIN32_FIND_DATAA found;
    const UniqueFindHandle find(FindFirstFileA((directory + "\\*").c_str(), &found));
    if (!find) return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!names.empty()) names += '|';
        names += found.cFileName;
    } while (FindNextFileA(find.get(), &found));
    return names;
}

void AppendRecord(const std::string& path, const std::string& record) {
    const UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* line = GetCommandLineA();
    const std::string args = ArgumentText(line);
    const std::string exitText = Option(args, "exit");
    const int exitCode = exitText.empty() ? 0 : std::atoi(exitText.c_str());
    const std::string directory = ProgramDirectory();

    std::string record = "[TestInstall]\r\n";
    record += std::string("CommandLine=") + line + "\r\n";
    record += "Arguments=" + args + "\r\n";
    record += "CurrentDirectory=" + CurrentDirectory() + "\r\n";
    record += "ProgramDirectory=" + directory + "\r\n";
    record += "ProgramFiles=" + FilesIn(directory) + "\r\n";
    record += "ExitCode=" + std::to_string(exitCode) + "\r\n";
    AppendRecord(LogPath(args), record);

    const std::string sleepText = Option(args, "sleep");
    if (!sleepText.empty()) Sleep(static_cast<DWORD>(std::strtoul(sleepText.c_str(), nullptr, 10)));
    return exitCode;
}
