#include "common/PathHelpers.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "common/Handles.h"
#include "common/RegistryHelpers.h"

namespace {

constexpr size_t kPathBufferSize = MAX_PATH;
constexpr size_t kMakerDirectorySize = 1024;
constexpr char kMakerFolder[] = "Tessary";
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProgramFilesValue[] = "ProgramFilesDir";

enum class Presence { Missing, Directory, NotDirectory };

Presence Probe(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Presence::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Presence::Directory : Presence::NotDirectory;
}

// The separators that end no directory of their own: the root's at position 0 and the one
// after a drive letter and ":".
bool IsRootSeparator(const char* path, size_t index) {
    return index == 0 || (index == 2 && path[1] == ':');
}

// Index of the first separator whose directory is missing, or `length` when every directory
// before the last part exists; -1 when one of them is not a directory.
long FindFirstMissing(char* path, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (!IsPathSeparator(path[i]) || IsRootSeparator(path, i)) continue;
        const char separator = path[i];
        path[i] = '\0';
        const Presence presence = Probe(path);
        path[i] = separator;
        if (presence == Presence::Missing) return static_cast<long>(i);
        if (presence == Presence::NotDirectory) return -1;
    }
    return static_cast<long>(length);
}

// Makes path a directory unless it already is one; whether it is one afterwards.
bool EnsureDirectory(const char* path) {
    if (Probe(path) == Presence::Missing) CreateDirectoryA(path, nullptr);
    return Probe(path) == Presence::Directory;
}

// Removes one directory entry found while emptying a tree; whether it is gone.
bool DeleteEntry(const char* path, const WIN32_FIND_DATAA& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path) != FALSE;
    // A linked directory is unlinked, never emptied: its contents live outside this tree.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryA(path) != FALSE;
    DeleteDirectoryTree(path);
    return Probe(path) == Presence::Missing;
}

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Deletes everything inside directory; whether every entry went.
bool EmptyDirectory(const char* directory) {
    char pattern[kPathBufferSize];
    std::strcpy(pattern, directory);
    if (!JoinPath(pattern, "*", nullptr, sizeof pattern)) return false;

    WIN32_FIND_DATAA entry;
    UniqueFindHandle find(FindFirstFileA(pattern, &entry));
    if (!find) return false;
    bool ok = true;
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        char child[kPathBufferSize];
        std::strcpy(child, directory);
        if (!JoinPath(child, entry.cFileName, nullptr, sizeof child) || !DeleteEntry(child, entry))
            ok = false;
    } while (FindNextFileA(find.get(), &entry));
    return ok;
}

}  // namespace

int CreateDirectoryTree(const char* path, bool pathEndsInFileName) {
    if (!path || !*path) return 0;
    char work[kPathBufferSize];
    size_t length = std::strlen(path);
    if (length >= sizeof work) return 0;
    std::memcpy(work, path, length + 1);

    if (pathEndsInFileName) {
        size_t cut = length;
        while (cut > 1 && !IsPathSeparator(work[cut - 1])) --cut;
        // A file in the current directory or in the root: no directory to make.
        if (cut <= 1) return 1;
        length = cut - 1;
        work[length] = '\0';
    }

    const long firstMissing = FindFirstMissing(work, length);
    if (firstMissing < 0) return 0;
    for (size_t i = static_cast<size_t>(firstMissing); i < length; ++i) {
        if (!IsPathSeparator(work[i]) || IsRootSeparator(work, i)) continue;
        const char separator = work[i];
        work[i] = '\0';
        const bool made = EnsureDirectory(work);
        work[i] = separator;
        if (!made) return 0;
    }
    return EnsureDirectory(work) ? 1 : 0;
}

int DeleteDirectoryTree(const char* directory) {
    // An empty name would stand for the current directory.
    if (!directory || !*directory || std::strlen(directory) >= kPathBufferSize) return 0;
    const bool emptied = EmptyDirectory(directory);
    const bool removed = RemoveDirectoryA(directory) != FALSE;
    return emptied && removed ? 1 : 0;
}

int FileExists(const char* path) {
    return path && Probe(path) == Presence::NotDirectory ? 1 : 0;
}

int DirectoryExists(const char* path) {
    return path && Probe(path) == Presence::Directory ? 1 : 0;
}

int ReadWholeFile(const char* path, std::unique_ptr<char[]>& buffer, unsigned long* sizeOut) {
    buffer.reset();
    if (!path) return 0;
    UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    LARGE_INTEGER size;
    // The size and its zero byte must fit one read count.
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart >= static_cast<LONGLONG>(MAXDWORD))
        return 0;
    const DWORD total = static_cast<DWORD>(size.QuadPart);
    std::unique_ptr<char[]> data(new (std::nothrow) char[static_cast<size_t>(total) + 1]);
    if (!data) return 0;

    DWORD received = 0;
    while (received < total) {
        DWORD chunk = 0;
        if (!ReadFile(file.get(), data.get() + received, total - received, &chunk, nullptr) || chunk == 0)
            return 0;
        received += chunk;
    }
    data[total] = '\0';
    if (sizeOut) *sizeOut = total;
    buffer = std::move(data);
    return 1;
}

namespace {

struct MakerDirectory {
    char text[kMakerDirectorySize] = {};

    MakerDirectory() {
        if (RegReadValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kProgramFilesValue, text,
                         sizeof text) != ERROR_SUCCESS)
            text[0] = '\0';
        if (!JoinPath(text, kMakerFolder, nullptr, sizeof text)) {
            text[0] = '\0';
            JoinPath(text, kMakerFolder, nullptr, sizeof text);
        }
    }
};

}  // namespace

const char* GetMakerDirectory() {
    static const MakerDirectory cache;
    return cache.text;
}
