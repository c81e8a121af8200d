#include "package/SystemDataRemoval.h"

#include <windows.h>

#include <vector>

#include "common/Handles.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/RecordProperties.h"
#include "common/RegistryHelpers.h"
#include "common/SelfRegistration.h"
#include "common/TextCompare.h"
#include "common/VelorinIds.h"

namespace {

constexpr char kItemSettingsLibrary[] = "params.dll";
constexpr char kAppInfoFolder[] = "TYUpdates\\ZULManager";
constexpr char kAppInfoFile[] = "appinfo.dat";
constexpr DWORD kValueSize = 1024;

// The names of the subkeys of a key of HKEY_LOCAL_MACHINE.
std::vector<std::string> SubkeyNames(const char* path) {
    std::vector<std::string> names;
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

std::string ReadValue(const std::string& key, const char* name) {
    char value[kValueSize] = {};
    return RegReadValue(HKEY_LOCAL_MACHINE, key.c_str(), name, value, sizeof value) == ERROR_SUCCESS ? value : "";
}

// A full path below a drive's root: a record's empty or bare-root path never deletes a drive.
bool IsFolderBelowRoot(const std::string& path) {
    return path.size() > 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string ParentOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Empty folders only: RemoveDirectory leaves one that holds anything.
void RemoveFolderIfEmpty(const std::string& folder) {
    if (IsFolderBelowRoot(folder)) RemoveDirectoryA(folder.c_str());
}

// The empty folders inside folder, deepest first, then folder itself when it is left empty.
void RemoveEmptyFolders(const std::string& folder) {
    if (!IsFolderBelowRoot(folder)) return;
    WIN32_FIND_DATAA entry;
    UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return;
    std::vector<std::string> children;
    do {
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            children.push_back(folder + "\\" + name);
    } while (FindNextFileA(find.get(), &entry));
    find.reset();
    for (const std::string& child : children) RemoveEmptyFolders(child);
    RemoveFolderIfEmpty(folder);
}

bool DeleteTreeOf(const std::string& folder) {
    if (!IsFolderBelowRoot(folder) || !DirectoryExists(folder.c_str())) return true;
    return DeleteDirectoryTree(folder.c_str()) != 0;
}

bool DeleteFileOf(const std::string& file) {
    if (file.empty() || !FileExists(file.c_str())) return true;
    return DeleteFileA(file.c_str()) != 0;
}

bool Gone(LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

// An application or demo as the front-end's quiet removal removes it; a notification's folder.
bool RemoveItem(const std::string& guid) {
    const std::string key = std::string(ProductKeys::kItems) + "\\" + guid;
    const std::string type = ReadValue(key, RecordProps::kType);
    const std::string path = ReadValue(key, RecordProps::kPath);
    bool removed = true;
    if (EqualsNoCase(type, VelorinIds::kApplicationItemType) || EqualsNoCase(type, VelorinIds::kDemoItemType)) {
        std::string library;
        if (IsFolderBelowRoot(path) && JoinedPath(path, kItemSettingsLibrary, library) && FileExists(library.c_str()))
            (void)UnregisterFile(library.c_str());
        removed = DeleteTreeOf(ReadValue(key, RecordProps::kMenuDir)) && removed;
        removed = DeleteFileOf(ReadValue(key, RecordProps::kDesktopShortcut)) && removed;
        removed = Gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, (std::string(ProductKeys::kUninstallRoot) + guid).c_str())) && removed;
    }
    removed = DeleteTreeOf(path) && removed;
    // The games' folders group items by channel under a common folder: both go when left empty.
    RemoveFolderIfEmpty(ParentOf(path));
    RemoveFolderIfEmpty(ParentOf(ParentOf(path)));
    return removed;
}

bool RemoveChannelFolders(const std::string& guid) {
    const std::string key = std::string(ProductKeys::kChannels) + "\\" + guid;
    const bool menu = DeleteTreeOf(ReadValue(key, RecordProps::kMenuDir));
    return DeleteTreeOf(ReadValue(key, RecordProps::kPath)) && menu;
}

bool RemoveFileSet(const std::string& guid) {
    return DeleteFileOf(ReadValue(std::string(ProductKeys::kFileSets) + "\\" + guid, "LocalPath"));
}

// The manager's diagnostic log, when it was kept in the manager's folder (a log elsewhere was
// put there by whoever named it and stays).
bool RemoveLogInside(const std::string& managerDir) {
    const std::string log = ReadValue(ProductKeys::kZUL, ProductKeys::kLogFile);
    const std::string prefix = managerDir + "\\";
    if (managerDir.empty() || log.size() <= prefix.size() || !EqualsNoCase(std::string_view(log).substr(0, prefix.size()), prefix) ||
        log.find("..") != std::string::npos)
        return true;
    return DeleteFileOf(log);
}

bool RemoveUpdaterInformation() {
    std::string folder, file;
    if (!JoinedPath(GetMakerDirectory(), kAppInfoFolder, folder) || !JoinedPath(folder, kAppInfoFile, file)) return false;
    const bool deleted = DeleteFileOf(file);
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(folder.substr(0, folder.rfind('\\')).c_str());
    return deleted;
}

// "Software\Tessary" goes too when nothing of the maker's other programs is left in it.
bool RemoveRecords() {
    bool removed = Gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, ProductKeys::kZUL));
    removed = Gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, ProductKeys::kDownloadMgr)) && removed;
    removed = Gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, VelorinIds::kSettingsKey)) && removed;
    UniqueRegKey tessary;
    DWORD subkeys = 0, values = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kTessary, 0, KEY_READ, tessary.put()) == ERROR_SUCCESS &&
        RegQueryInfoKeyA(tessary.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0) {
        tessary.reset();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKeys::kTessary);
    }
    return removed;
}

}  // namespace

bool DeleteSystemData(const std::string& managerDir, const std::string& frontEndDir) {
    bool removed = true;
    for (const std::string& item : SubkeyNames(ProductKeys::kItems)) removed = RemoveItem(item) && removed;
    for (const std::string& channel : SubkeyNames(ProductKeys::kChannels))
        removed = RemoveChannelFolders(channel) && removed;
    for (const std::string& fileSet : SubkeyNames(ProductKeys::kFileSets)) removed = RemoveFileSet(fileSet) && removed;
    removed = RemoveUpdaterInformation() && removed;
    removed = RemoveLogInside(managerDir) && removed;
    removed = RemoveRecords() && removed;
    for (const std::string& folder : {managerDir, frontEndDir}) {
        RemoveEmptyFolders(folder);
        RemoveFolderIfEmpty(ParentOf(folder));
    }
    return removed;
}
