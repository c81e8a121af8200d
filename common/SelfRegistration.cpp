#include "common/SelfRegistration.h"

#include <cstring>

#include "common/Handles.h"
#include "common/PathText.h"
#include "common/ProcessHelpers.h"
#include "common/TextCompare.h"

namespace {

constexpr char kProgramExtension[] = ".exe";
constexpr DWORD kDirectorySize = MAX_PATH;

struct Registration {
    const char* libraryEntry;
    const char* programArgument;
};
constexpr Registration kRegister = {"DllRegisterServer", "/RegServer"};
constexpr Registration kUnregister = {"DllUnregisterServer", "/UnRegServer"};

// Makes the file's own directory current for the scope, so that a server finds the files that
// lie beside it; restores the previous one only when the switch was made.
class FileDirectoryScope {
public:
    explicit FileDirectoryScope(const char* path) {
        char directory[kDirectorySize];
        const DWORD length = GetCurrentDirectoryA(kDirectorySize, m_previous);
        if (length == 0 || length >= kDirectorySize) return;
        if (!GetDirectoryPart(path, directory, sizeof directory)) return;
        m_switched = SetCurrentDirectoryA(directory) != FALSE;
    }
    FileDirectoryScope(const FileDirectoryScope&) = delete;
    FileDirectoryScope& operator=(const FileDirectoryScope&) = delete;
    ~FileDirectoryScope() {
        if (m_switched) SetCurrentDirectoryA(m_previous);
    }

private:
    char m_previous[kDirectorySize] = {};
    bool m_switched = false;
};

bool IsProgram(const char* path) {
    const char* extension = FindExtension(path);
    return extension && EqualsNoCase(extension, kProgramExtension);
}

HRESULT CallLibraryEntry(const char* path, const char* entryName) {
    UniqueLibrary library(LoadLibraryA(path));
    if (!library) return E_FAIL;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(library.get(), entryName)));
    if (!entry) return E_FAIL;
    ComScope com;
    return entry();
}

HRESULT RunServerProgram(const char* path, const char* argument) {
    DWORD value = 0;
    // A program that cannot be started reports a failing result, never a success code.
    if (!StartProgram(path, argument, nullptr, true, &value)) return HRESULT_FROM_WIN32(value);
    return static_cast<HRESULT>(value);
}

HRESULT RegisterWith(const char* path, const Registration& how) {
    if (!path || !*path) return E_FAIL;
    FileDirectoryScope directory(path);
    return IsProgram(path) ? RunServerProgram(path, how.programArgument)
                           : CallLibraryEntry(path, how.libraryEntry);
}

}  // namespace

HRESULT RegisterFile(const char* path) { return RegisterWith(path, kRegister); }

HRESULT UnregisterFile(const char* path) { return RegisterWith(path, kUnregister); }
