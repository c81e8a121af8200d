#include "archive/ArchiveTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "archive/ArchFile.h"
#include "common/Handles.h"
#include "archive/WidePath.h"

namespace archivetest {

namespace {

std::string Narrow(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}

void RemoveTree(const std::string& path) {
    for (const std::string& name : ListDirectory(path)) {
        const std::string child = path + "\\" + name;
        const std::wstring wide = ToWidePath(child.c_str());
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
        else DeleteFileW(wide.c_str());
    }
    RemoveDirectoryW(ToWidePath(path.c_str()).c_str());
}

void CollectTree(const std::string& root, const std::string& prefix, std::vector<std::string>* out) {
    for (const std::string& name : ListDirectory(root + (prefix.empty() ? "" : "\\" + prefix))) {
        const std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        const DWORD attributes = WideFileAttributes((root + "\\" + relative).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            out->push_back(relative + "\\");
            CollectTree(root, relative, out);
        } else {
            out->push_back(relative);
        }
    }
}

}  // namespace

std::string HostPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string CabsDirectory() { return HostPath(ZUL_ARCHIVE_CABS_DIR); }
std::string FixturesDirectory() { return HostPath(ZUL_ARCHIVE_FIXTURES_DIR); }

std::vector<std::string> ListDirectory(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    const std::string pattern = directory + "\\*";
    const UniqueFindHandle find(FindFirstFileW(ToWidePath(pattern.c_str()).c_str(), &entry));
    if (!find) return names;
    do {
        const std::string name = Narrow(entry.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> entries;
    CollectTree(root, "", &entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool ReadBytes(const std::string& path, std::string* bytes) {
    C_ArchFile file;
    if (!file.OpenDisk(path.c_str(), C_ArchFile::kBinary)) return false;
    bytes->clear();
    char buffer[65536];
    for (;;) {
        const UINT done = file.Read(buffer, sizeof buffer);
        if (done == static_cast<UINT>(-1)) return false;
        if (done == 0) return true;
        bytes->append(buffer, done);
    }
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    C_ArchFile file;
    if (file.OpenDisk(path.c_str(), C_ArchFile::kBinary | C_ArchFile::kCreate | C_ArchFile::kTruncate |
                                        C_ArchFile::kWriteOnly))
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

bool Exists(const std::string& path) { return WideFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FILETIME LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(ToWidePath(path.c_str()).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

Sandbox::Sandbox() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[64];
    std::snprintf(name, sizeof name, "zul_archive_%lu_%d", GetCurrentProcessId(), counter++);
    m_path = std::string(temp) + name;
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), nullptr);
}

Sandbox::~Sandbox() { RemoveTree(m_path); }

}  // namespace archivetest
