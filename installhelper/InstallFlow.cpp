#include "installhelper/InstallFlow.h"

#include <string_view>

#include "ZULMan.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/ManagerConnection.h"
#include "common/TextCompare.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kItemInfoFile[] = "ItemInfo.dat";
constexpr char kFileSetBlock[] = "FileSet";
constexpr char kItemBlock[] = "Item";
constexpr char kSourceUrlKey[] = "SourceURL";
// The longest current directory the helper works in.
constexpr DWORD kMaxDirectory = 1024;

Outcome Result(HRESULT hr, ZULError code) { return Outcome{hr, code}; }

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A source that already names a whole place (a drive path, a UNC path or a URL) stays as it is;
// joining it to the directory would only make it unreachable.
bool IsAbsoluteSource(std::string_view source) {
    if (source.size() >= 3 && source[1] == ':' && (source[2] == '\\' || source[2] == '/')) return true;
    if (source.size() >= 2 && (source[0] == '\\' || source[0] == '/') && source[0] == source[1]) return true;
    return source.find("://") != std::string_view::npos;
}

// The current FileSet block's "SourceURL" made a full path. A block without one is left as it is.
Outcome AbsoluteSource(I_ResponseData* description, const std::string& directory) {
    ZULError code = ZULERR_FAILED;
    CoTaskMemString source;
    HRESULT hr = description->GetKeyValue(InText(kSourceUrlKey), source.put(), &code);
    if (hr != S_OK || code != ZULERR_SUCCESS || !source.get()) return Result(S_OK, ZULERR_SUCCESS);
    if (IsAbsoluteSource(source.get())) return Result(S_OK, ZULERR_SUCCESS);
    std::string full;
    if (!JoinedPath(directory, source.get(), full)) return Result(E_OUTOFMEMORY, ZULERR_OUT_OF_MEMORY);
    hr = description->SetKeyValue(InText(kSourceUrlKey), full.data(), &code);
    return Result(hr, code);
}

std::string CurrentDirectory() {
    char directory[kMaxDirectory + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    return length > 0 && length <= kMaxDirectory ? std::string(directory, length) : std::string();
}

}  // namespace

int ExitCodeOf(const Outcome& result) {
    // A failed call never reads as success, even when it left no code of its own.
    if (result.ret == ZULERR_SUCCESS && result.hr != S_OK) return ZULERR_FAILED;
    return static_cast<int>(result.ret);
}

InstallSteps DefaultInstallSteps() {
    InstallSteps steps;
    steps.createManager = [](ComPtr<I_ZULManager>& manager) {
        return CreateManager(manager);
    };
    steps.packageDirectory = CurrentDirectory;
    return steps;
}

Outcome PrepareItemDescription(I_ZULManager* manager, const std::string& directory,
                                     ComPtr<I_ResponseData>& description) {
    std::string itemInfo;
    if (!JoinedPath(directory, kItemInfoFile, itemInfo)) return Result(E_OUTOFMEMORY, ZULERR_OUT_OF_MEMORY);
    if (!IsFile(itemInfo)) return Result(S_FALSE, ZULERR_FILE_NOT_FOUND);

    ZULError code = ZULERR_FAILED;
    HRESULT hr = manager->GetResponseData(description.ReleaseAndGetAddressOf(), &code);
    if (hr != S_OK || code != ZULERR_SUCCESS || !description) return Result(hr, code);
    hr = description->LoadFile(itemInfo.data(), &code);
    if (hr != S_OK || code != ZULERR_SUCCESS) return Result(hr, code);

    // A description without an item is no item package: refuse it before anything is applied.
    hr = description->RewindBlock(InText(kItemBlock), &code);
    if (hr != S_OK) return Result(hr, code);
    if (code != ZULERR_SUCCESS) return Result(S_FALSE, code);

    hr = description->RewindBlock(InText(kFileSetBlock), &code);
    while (hr == S_OK && code == ZULERR_SUCCESS) {
        const Outcome made = AbsoluteSource(description.Get(), directory);
        if (!made.Succeeded()) return made;
        hr = description->NextBlock(InText(kFileSetBlock), &code);
    }
    if (hr != S_OK) return Result(hr, code);
    // Running out of FileSet blocks is the normal end.
    return Result(S_OK, ZULERR_SUCCESS);
}

int RunSilentInstall(const InstallSteps& steps) {
    const std::string directory = steps.packageDirectory();
    ComPtr<I_ZULManager> manager;
    const Outcome created = LoggedStep("create manager", directory, [&] {
        const HRESULT hr = steps.createManager(manager);
        return FAILED(hr) || !manager ? Outcome{FAILED(hr) ? hr : E_NOINTERFACE, ZULERR_CREATE_INSTANCE_FAILED} : Outcome{};
    });
    if (!created.Succeeded()) return kNoManagerExitCode;
    ComPtr<I_ResponseData> description;
    const Outcome prepared =
        LoggedStep("prepare", directory, [&] { return PrepareItemDescription(manager.Get(), directory, description); });
    if (!prepared.Succeeded()) return ExitCodeOf(prepared);
    return ExitCodeOf(LoggedStep("install", directory, [&] {
        ZULError code = ZULERR_FAILED;
        const HRESULT hr = manager->ProcessResponseData(description.Get(), &code);
        return Result(hr, code);
    }));
}
