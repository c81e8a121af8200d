#include "frontend/FolderPlaces.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/RegistryHelpers.h"
#include "common/TextCompare.h"
#include "frontend/ItemTexts.h"
#include "frontend/ServerPaths.h"

namespace {

constexpr char kShortcutExtension[] = ".lnk";

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? std::string(path)
                                                                                          : std::string();
}

// The text before the last separator of a canonical path; empty when it has none.
std::string ParentOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : ServerPaths::WithoutTrailingSeparators(path.substr(0, separator + 1));
}

std::string LastComponent(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
    if (path.empty()) return std::string();
    DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::string();
    std::vector<char> full(size + 1);
    size = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0 || size >= full.size()) return std::string();
    std::string result(full.data(), size);
    // A short (8.3) component becomes its long name; a path that does not exist keeps its form.
    const DWORD longSize = GetLongPathNameA(result.c_str(), nullptr, 0);
    if (longSize > 0) {
        std::vector<char> longPath(longSize + 1);
        const DWORD written = GetLongPathNameA(result.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
        if (written > 0 && written < longPath.size()) result.assign(longPath.data(), written);
    }
    return ServerPaths::WithoutTrailingSeparators(result);
}

bool SamePlace(const std::string& a, const std::string& b) {
    const std::string first = CanonicalPath(a);
    return !first.empty() && EqualsNoCase(first, CanonicalPath(b));
}

bool IsInsidePlace(const std::string& path, const std::string& folder) {
    const std::string canonicalFolder = CanonicalPath(folder);
    return !canonicalFolder.empty() && ServerPaths::IsInsideFolder(CanonicalPath(path), canonicalFolder);
}

std::string ProgramsDirectory() {
    const std::string common = SpecialFolder(CSIDL_COMMON_PROGRAMS);
    return common.empty() ? SpecialFolder(CSIDL_PROGRAMS) : common;
}

bool IsMarkedMenuFolder(const std::string& folder, const std::string& markerFileName) {
    std::string marker;
    return !folder.empty() && DirectoryExists(folder.c_str()) && IsInsidePlace(folder, ProgramsDirectory()) &&
           JoinedPath(folder, markerFileName.c_str(), marker) && FileExists(marker.c_str());
}

bool GamesFolder(std::string& out) {
    std::string programFiles;
    if (RegReadString(HKEY_LOCAL_MACHINE, ItemTexts::kWindowsVersionKey, "ProgramFilesDir", programFiles) !=
            ERROR_SUCCESS || programFiles.empty())
        return false;
    return JoinedPath(programFiles, ItemTexts::kGamesFolder, out);
}

bool IsGameInstallFolder(const std::string& folder) {
    std::string games;
    if (!GamesFolder(games)) return false;
    const std::string item = CanonicalPath(folder);
    const std::string channel = ParentOf(item);
    return !item.empty() && ServerPaths::IsPlainName(LastComponent(item)) &&
           ServerPaths::IsPlainName(LastComponent(channel)) && SamePlace(ParentOf(channel), games);
}

bool IsDesktopShortcutPath(const std::string& path) {
    const std::string link = CanonicalPath(path);
    const std::string name = LastComponent(link);
    if (name.size() <= sizeof kShortcutExtension - 1 ||
        !EqualsNoCase(name.substr(name.size() - (sizeof kShortcutExtension - 1)), kShortcutExtension))
        return false;
    const std::string folder = ParentOf(link);
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        const std::string desktop = SpecialFolder(csidl);
        if (!desktop.empty() && SamePlace(folder, desktop)) return true;
    }
    return false;
}
