// zulctl: drives a running or COM-started channel manager from the command line, for the demo
// and for tests.
//   zulctl load FILE        loads a block text into a response object and has the manager
//                           process it (as the front-end does with its presets)
//   zulctl subscribe GUID   subscribes a channel
//   zulctl shutdown         asks every running ZULMan to shut down and waits for it
//   zulctl running          exit code 0 when a ZULMan runs, 1 when none does
//   zulctl shortcuts DIR    prints the folder tree under DIR with every shortcut's target,
//                           arguments, working folder and icon, and every Internet shortcut's URL
// Exit code: the ZULError of the operation, or 100 + a COM failure.
#include <windows.h>
#include <wrl/client.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/Handles.h"
#include "common/ProcessHelpers.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;

namespace {

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "zulctl: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 100;
}

// ret by reference: it is read after the call in the same expression has filled it.
int Report(const char* what, HRESULT hr, const ZULError& ret) {
    std::printf("%s: HRESULT 0x%08lX, result %d\n", what, static_cast<unsigned long>(hr), static_cast<int>(ret));
    return static_cast<int>(ret);
}

int Load(I_ZULManager* manager, char* file) {
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_FAILED;
    HRESULT hr = manager->GetResponseData(&response, &ret);
    if (hr != S_OK) return Report("GetResponseData", hr, ret);
    hr = response->LoadFile(file, &ret);
    if (hr != S_OK) return Report("LoadFile", hr, ret);
    hr = manager->ProcessResponseData(response.Get(), &ret);
    return Report("ProcessResponseData", hr, ret);
}

// Posts the shutdown message to every running channel manager and waits up to 20 s for each.
int Shutdown() {
    int stopped = 0;
    ForEachProcessNamed("ZULMan.exe", [&stopped](const PROCESSENTRY32& entry, HANDLE snapshot) {
        PostToProcessThreads(ZULM_MSG_SHUTDOWN, 0, 0, entry.th32ProcessID, snapshot);
        WaitForProcessExit(entry.th32ProcessID, 20000);
        ++stopped;
        return true;
    });
    std::printf("shutdown: %d channel manager(s) asked to end\n", stopped);
    return 0;
}

bool EndsWithNoCase(const std::string& text, const char* ending) {
    const size_t length = std::strlen(ending);
    return text.size() >= length && _stricmp(text.c_str() + text.size() - length, ending) == 0;
}

// One shell link's target, arguments, working folder and icon, read through IShellLinkA.
std::string DescribeLink(const std::string& path) {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    wchar_t wide[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(file->Load(wide, STGM_READ)))
        return "(not readable as a shortcut)";
    char target[1024] = {}, arguments[1024] = {}, folder[1024] = {}, icon[1024] = {};
    int iconIndex = 0;
    link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, sizeof arguments);
    link->GetWorkingDirectory(folder, sizeof folder);
    link->GetIconLocation(icon, sizeof icon, &iconIndex);
    std::string text = std::string("-> \"") + target + "\"";
    if (*arguments) text += std::string(" ") + arguments;
    if (*folder) text += std::string("   (in ") + folder + ")";
    if (*icon) text += std::string("   [icon ") + icon + "," + std::to_string(iconIndex) + "]";
    return text;
}

// The address an Internet shortcut holds.
std::string DescribeInternetShortcut(const std::string& path) {
    char url[1024] = {};
    GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, path.c_str());
    return std::string("-> ") + url;
}

// The folder's entries (without "." and ".."), sorted by name for a stable listing.
std::vector<WIN32_FIND_DATAA> Entries(const std::string& folder) {
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA entry;
    const UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return entries;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) entries.push_back(entry);
    } while (FindNextFileA(find.get(), &entry));
    std::sort(entries.begin(), entries.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        return _stricmp(a.cFileName, b.cFileName) < 0;
    });
    return entries;
}

void PrintTree(const std::string& folder, const std::string& indent) {
    for (const WIN32_FIND_DATAA& entry : Entries(folder)) {
        const std::string name = entry.cFileName;
        const std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::printf("%s%s\\\n", indent.c_str(), name.c_str());
            PrintTree(path, indent + "    ");
            continue;
        }
        std::string line = indent + name + ((entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ? "  (hidden)" : "");
        if (EndsWithNoCase(name, ".lnk")) line += "\n" + indent + "    " + DescribeLink(path);
        if (EndsWithNoCase(name, ".url")) line += "\n" + indent + "    " + DescribeInternetShortcut(path);
        std::printf("%s\n", line.c_str());
    }
}

int Shortcuts(const char* folder) {
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "zulctl: no folder %s\n", folder);
        return 1;
    }
    const ComScope com;
    if (FAILED(com.result())) return Fail("CoInitializeEx", com.result());
    std::printf("%s\\\n", folder);
    PrintTree(folder, "    ");
    return 0;
}

int Running() {
    int found = 0;
    ForEachProcessNamed("ZULMan.exe", [&found](const PROCESSENTRY32&, HANDLE) {
        ++found;
        return false;
    });
    return found > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "shutdown") == 0) return Shutdown();
    if (argc == 2 && std::strcmp(argv[1], "running") == 0) return Running();
    if (argc == 3 && std::strcmp(argv[1], "shortcuts") == 0) return Shortcuts(argv[2]);
    if (argc != 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "subscribe") != 0)) {
        std::fprintf(stderr, "usage: zulctl load FILE | zulctl subscribe GUID | zulctl shutdown | zulctl running | zulctl shortcuts DIR\n");
        return 2;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return Fail("CoInitializeEx", hr);
    int code = 0;
    {
        ComPtr<I_ZULManager> manager;
        hr = CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                              reinterpret_cast<void**>(manager.GetAddressOf()));
        if (FAILED(hr)) {
            code = Fail("creating the channel manager", hr);
        } else if (std::strcmp(argv[1], "load") == 0) {
            code = Load(manager.Get(), argv[2]);
        } else {
            ZULError ret = ZULERR_FAILED;
            code = Report("SubscribeChannel", manager->SubscribeChannel(argv[2], &ret), ret);
        }
    }
    CoUninitialize();
    return code;
}
