#include "common/ProgramTestSupport.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

#include "common/Handles.h"
#include "common/ProductKeys.h"

namespace testsupport {

std::string BinDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/"));
}

std::string BinPath(const char* program) { return BinDirectory() + "\\" + program; }

PROCESS_INFORMATION StartProgramAsync(const std::string& program, const std::string& args,
                                      const std::string& workingDir) {
    std::string commandLine = "\"" + program + "\"";
    if (!args.empty()) commandLine += " " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Under a loaded Wine a process start now and then fails at once; a test wants the program
    // run, so a failed start is retried a few times and reported.
    for (int attempt = 1; attempt <= 4; ++attempt) {
        std::string writable = commandLine;
        if (CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info))
            return info;
        std::fprintf(stderr, "StartProgramAsync: %s did not start (error %lu, attempt %d)\n", program.c_str(),
                     GetLastError(), attempt);
        info = {};
        Sleep(250 * attempt);
    }
    return info;
}

std::optional<DWORD> RunProgram(const std::string& program, const std::string& args, DWORD timeoutMs,
                                const std::string& workingDir) {
    PROCESS_INFORMATION info = StartProgramAsync(program, args, workingDir);
    if (!info.hProcess) return std::nullopt;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    std::optional<DWORD> result;
    const DWORD waited = WaitForSingleObject(process.get(), timeoutMs);
    if (waited == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        result = code;
    } else {
        std::fprintf(stderr, "RunProgram: %s %s: wait gave %lu (error %lu)\n", program.c_str(), args.c_str(),
                     waited, GetLastError());
        TerminateProcess(process.get(), 999);
    }
    return result;
}

std::optional<std::string> ReadString(HKEY root, const std::string& subKey, const char* value) {
    DWORD size = 0;
    if (RegGetValueA(root, subKey.c_str(), value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string buffer(size + 1, '\0');
    if (RegGetValueA(root, subKey.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer.c_str());
}

bool KeyExists(HKEY root, const std::string& subKey) {
    UniqueRegKey key;
    return RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void WriteString(HKEY root, const std::string& subKey, const char* value, const std::string& text) {
    UniqueRegKey key;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), text.size() + 1);
}

void DeleteTree(HKEY root, const std::string& subKey) { RegDeleteTreeA(root, subKey.c_str()), RegDeleteKeyA(root, subKey.c_str()); }

void DeleteValue(HKEY root, const std::string& subKey, const char* value) {
    UniqueRegKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), value);
}

std::vector<DWORD> FindProcesses(const char* exeName) {
    std::vector<DWORD> ids;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        const char* name = strrchr(entry.szExeFile, '\\');
        name = name ? name + 1 : entry.szExeFile;
        if (lstrcmpiA(name, exeName) == 0) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

void PostToAll(const char* exeName, UINT message) {
    std::vector<DWORD> ids = FindProcesses(exeName);
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return;
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot.get(), &thread); more; more = Thread32Next(snapshot.get(), &thread))
        for (DWORD id : ids)
            if (thread.th32OwnerProcessID == id) PostThreadMessageA(thread.th32ThreadID, message, 0, 0);
}

void StopAllManagers() {
    PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
    for (int i = 0; i < 50 && !FindProcesses("ZULMan.exe").empty(); ++i) Sleep(100);
    for (DWORD id : FindProcesses("ZULMan.exe")) {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) continue;
        TerminateProcess(process.get(), 998);
        WaitForSingleObject(process.get(), 5000);
    }
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file.get(), bytes.data(), bytes.size(), &written, nullptr);
    return ok && written == bytes.size();
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFolderTree(const std::string& path) {
    const std::string from = path + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

std::string MakeScratchDirectory(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string directory = std::string(temp) + "zultest-" + name;
    RemoveFolderTree(directory);
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

std::string ProgramFilesDir() {
    return ReadString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir").value_or("?");
}

void LetWineDrawWindowFrames() { WriteString(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Decorated", "N"); }

}  // namespace testsupport

namespace testsupport {

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ReadFileText(const std::string& path) {
    const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::string();
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
}

std::string Environment(const char* name) {
    char value[4096];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return (length > 0 && length < sizeof value) ? std::string(value, length) : std::string();
}

}  // namespace testsupport
