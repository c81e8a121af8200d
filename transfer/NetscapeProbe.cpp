#include "transfer/NetscapeProbe.h"

#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/RegistryHelpers.h"
#include "transfer/NetscapePrefsText.h"

namespace {

constexpr char kNetscapeExe[] = "netscape.exe";
constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
constexpr char kAppPathValue[] = "Path";
constexpr char kLocalServerKey[] =
    "Software\\CLASSES\\CLSID\\{E67D6A10-4438-11CE-8CE4-0020AF18F905}\\LocalServer32";
constexpr DWORD kRegTextMax = 1024;
constexpr char kPrefsFile[] = "prefs.js";
constexpr char kDefaultProfile[] = "Default";
constexpr char kDefaultUserSettings[] =
    ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr char kAutoConfigValue[] = "AutoConfigURL";

// A probe file of our own in the temporary directory, so that no file of the user is touched
// and concurrent probes do not share a name.
bool MakeProbePath(char (&path)[MAX_PATH]) {
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH) return false;
    const int written = std::snprintf(path, MAX_PATH, "%szul-probe-%lu-%lu.html", directory,
                                      GetCurrentProcessId(), GetCurrentThreadId());
    return written > 0 && written < MAX_PATH;
}

// The registry value lower-cased when it names the browser's executable.
bool ReadNetscapeExePath(const char* key, const char* value, char (&path)[kRegTextMax]) {
    path[0] = '\0';
    if (RegReadValue(HKEY_LOCAL_MACHINE, key, value, path, kRegTextMax) != ERROR_SUCCESS) return false;
    path[kRegTextMax - 1] = '\0';
    for (char* p = path; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return std::strstr(path, kNetscapeExe) != nullptr;
}

bool FormatCandidate(char* buffer, const char* usersDir, const char* profile) {
    const int written = std::snprintf(buffer, kNetscapePathMax, "%s\\%s\\%s", usersDir, profile, kPrefsFile);
    return written > 0 && static_cast<size_t>(written) < kNetscapePathMax;
}

bool CandidateExists(char* buffer, const char* usersDir, const char* profile) {
    return FormatCandidate(buffer, usersDir, profile) && FileExists(buffer);
}

// The first profile directory, in the system's order, that holds a preference file.
bool FindAnyProfile(char* buffer, const char* usersDir) {
    char pattern[kNetscapePathMax];
    const int written = std::snprintf(pattern, sizeof(pattern), "%s\\*", usersDir);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof(pattern)) return false;
    WIN32_FIND_DATAA entry;
    UniqueFindHandle find(FindFirstFileA(pattern, &entry));
    if (!find) return false;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
        if (CandidateExists(buffer, usersDir, entry.cFileName)) return true;
    } while (FindNextFileA(find.get(), &entry));
    return false;
}

// Stores the automatic-configuration URL for the default user profile unless it is there already.
void StoreAutoConfigUrl(const char* url) {
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_USERS, kDefaultUserSettings, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    char current[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(key.get(), kAutoConfigValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(current), &size) == ERROR_SUCCESS &&
        lstrcmpiA(current, url) == 0)
        return;
    RegSetValueExA(key.get(), kAutoConfigValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(url),
                   static_cast<DWORD>(std::strlen(url) + 1));
}

}  // namespace

bool IsNetscapeDefault() {
    char probe[MAX_PATH];
    if (!MakeProbePath(probe)) return false;
    UniqueHandle file(CreateFileA(probe, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    file.reset();

    char program[MAX_PATH] = {};
    if (reinterpret_cast<INT_PTR>(FindExecutableA(probe, nullptr, program)) <= 32) program[0] = '\0';
    DeleteFileA(probe);
    return std::strstr(program, kNetscapeExe) != nullptr;
}

bool FindNetscapeUsersDir(char* buffer, size_t size) {
    char exePath[kRegTextMax];
    if (!ReadNetscapeExePath(kAppPathKey, kAppPathValue, exePath) &&
        !ReadNetscapeExePath(kLocalServerKey, nullptr, exePath))
        return false;
    return NetscapeUsersDirFromExe(exePath, buffer, size);
}

void FindNetscapePrefs(char* buffer) {
    char usersDir[kNetscapePathMax] = {};
    if (!FindNetscapeUsersDir(usersDir, sizeof(usersDir))) usersDir[0] = '\0';
    char userName[kNetscapePathMax + 1] = {};
    DWORD nameLength = sizeof(userName);
    if (!GetUserNameA(userName, &nameLength)) userName[0] = '\0';

    if (CandidateExists(buffer, usersDir, userName)) return;
    if (CandidateExists(buffer, usersDir, kDefaultProfile)) return;
    if (FindAnyProfile(buffer, usersDir)) return;
    if (!FormatCandidate(buffer, usersDir, kDefaultProfile)) buffer[0] = '\0';
}

int ReadNetscapeProxy(unsigned* type, char* host, unsigned short* port) {
    if (!type || !host || !port) return 1;
    char prefsPath[kNetscapePathMax];
    FindNetscapePrefs(prefsPath);
    if (!prefsPath[0] || !FileExists(prefsPath)) return 1;

    std::unique_ptr<char[]> text;
    unsigned long size = 0;
    if (!ReadWholeFile(prefsPath, text, &size)) return 0;

    NetscapeProxyPrefs prefs;
    prefs.type = *type;
    std::strncpy(prefs.host, host, kNetscapeTextMax);
    prefs.port = *port;
    ScanNetscapePrefs(std::string_view(text.get(), size), prefs);

    if (prefs.type == kNetscapeProxyAutoConfig) {
        prefs.host[0] = '\0';
        prefs.port = 0;
        StoreAutoConfigUrl(prefs.autoConfigUrl);
    }
    *type = prefs.type;
    std::memcpy(host, prefs.host, sizeof(prefs.host));
    *port = prefs.port;
    return 1;
}
