// Times ProcessResponseData on answers built in memory, for bench/response_bench.sh:
//   channels  answers of 100, 1,000 and 5,000 Channel blocks (new channels, subscribed, no
//             file sets), the channel records removed before each answer;
//   items     one answer of 100 default-type items, each with a file set of its own that holds
//             the test install program, which exits at once.
// Prints the time per block of each answer and the ratio of the per-block times of the largest
// and the smallest channel answer (1.0 means linear growth).
//   response_processing MANAGER_DIR INSTALLER_ARCHIVE
// ZULMan must be registered: the default item installer and the download manager are activated
// through COM. The manager object itself runs in this process.
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "manager/ZULManager.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr auto& kChannelsKey = ProductKeys::kChannels;
constexpr auto& kItemsKey = ProductKeys::kItems;
constexpr auto& kFileSetsKey = ProductKeys::kFileSets;
constexpr int kChannelCounts[] = {100, 1000, 5000};
constexpr int kWarmUpChannels = 20;
constexpr int kItemCount = 100;

struct Timing {
    bool ok = false;
    double seconds = 0;
};

std::string Block(const char* type, const std::vector<std::string>& lines) {
    std::string text = std::string(type) + "\r\n{\r\n";
    for (const std::string& line : lines) text += "   " + line + "\r\n";
    return text + "}\r\n";
}

// Distinct GUIDs: a fixed prefix per kind and the index in the last group.
std::string IndexedGuid(const char* prefix, int index) {
    char text[64];
    std::snprintf(text, sizeof text, "{%s-%012X}", prefix, static_cast<unsigned>(index));
    return text;
}

std::string ChannelAnswer(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += Block("Channel", {"Guid=" + IndexedGuid("6F4E2D10-7A7A-4A2B-8C3D", i),
                                  "Name=Bench channel " + std::to_string(i), "Subscribe=1"});
    }
    return text;
}

// Every item's file sets are purged after it, so each item brings a file set of its own.
std::string ItemAnswer(const std::string& archive, const std::string& log) {
    std::string fileSets;
    std::string items;
    for (int i = 0; i < kItemCount; ++i) {
        const std::string fileSet = IndexedGuid("8B1A44C0-7A7A-4C39-9D57", i);
        fileSets += Block("FileSet", {"GUID=" + fileSet, "SourceURL=" + archive});
        items += Block("Item", {"Guid=" + IndexedGuid("7A3B5C20-7A7A-4D6E-9F70", i),
                                std::string("Type=") + ProductIds::kDefaultItemType, "FileSets=" + fileSet,
                                "InstallFileSet=" + fileSet, "InstallFile=TestInstall.exe",
                                "InstallArgs=/exit=0 /log=\"" + log + "\""});
    }
    return fileSets + items;
}

void DeleteTree(const char* key) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, key); }

void ForgetRecords() {
    DeleteTree(kChannelsKey);
    DeleteTree(kItemsKey);
    DeleteTree(kFileSetsKey);
    UniqueRegKey product;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, 0, KEY_SET_VALUE, product.put()) == ERROR_SUCCESS)
        RegDeleteValueA(product.get(), ProductKeys::kInstalledItems);
}

bool SetManagerDirectory(const std::string& directory) {
    CreateDirectoryA(directory.c_str(), nullptr);
    UniqueRegKey product;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, product.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(product.get(), ProductKeys::kPath, 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                          static_cast<DWORD>(directory.size() + 1)) == ERROR_SUCCESS;
}

DWORD SubKeyCount(const char* path) {
    UniqueRegKey key;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    return count;
}

// Loads the text into a new response object and times ProcessResponseData alone.
Timing Process(I_ZULManager* manager, const std::string& text) {
    Timing timing;
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_SUCCESS;
    if (manager->GetResponseData(&response, &ret) != S_OK) return timing;
    std::string copy = text;
    if (response->LoadMem(copy.data(), &ret) != S_OK) {
        std::fprintf(stderr, "response_processing: LoadMem failed (%d)\n", static_cast<int>(ret));
        return timing;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const HRESULT hr = manager->ProcessResponseData(response.Get(), &ret);
    QueryPerformanceCounter(&end);
    timing.seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    timing.ok = hr == S_OK && ret == ZULERR_SUCCESS;
    if (!timing.ok)
        std::fprintf(stderr, "response_processing: ProcessResponseData 0x%08lX, result %d\n",
                     static_cast<unsigned long>(hr), static_cast<int>(ret));
    return timing;
}

int CountLogRecords(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    int count = 0;
    for (size_t at = text.find("[TestInstall]"); at != std::string::npos; at = text.find("[TestInstall]", at + 1))
        ++count;
    return count;
}

bool BenchChannels(I_ZULManager* manager) {
    ForgetRecords();
    if (!Process(manager, ChannelAnswer(kWarmUpChannels)).ok) return false;
    double first = 0;
    double last = 0;
    for (const int count : kChannelCounts) {
        ForgetRecords();
        const Timing timing = Process(manager, ChannelAnswer(count));
        if (!timing.ok) return false;
        const DWORD recorded = SubKeyCount(kChannelsKey);
        if (recorded != static_cast<DWORD>(count)) {
            std::fprintf(stderr, "response_processing: %lu channel records, expected %d\n",
                         static_cast<unsigned long>(recorded), count);
            return false;
        }
        const double perBlock = timing.seconds / count;
        if (count == kChannelCounts[0]) first = perBlock;
        last = perBlock;
        std::printf("channels %5d blocks: %8.3f s, %8.3f ms per block\n", count, timing.seconds, perBlock * 1000);
    }
    std::printf("channels per-block time %d vs %d blocks: ratio %.2f (1.00 = linear growth)\n",
                kChannelCounts[std::size(kChannelCounts) - 1], kChannelCounts[0], last / first);
    ForgetRecords();
    return true;
}

bool BenchItems(I_ZULManager* manager, const std::string& managerDir, const std::string& archive) {
    ForgetRecords();
    const std::string log = managerDir + "\\install.log";
    DeleteFileA(log.c_str());
    const Timing timing = Process(manager, ItemAnswer(archive, log));
    if (!timing.ok) return false;
    const int installs = CountLogRecords(log);
    if (installs != kItemCount) {
        std::fprintf(stderr, "response_processing: the install program ran %d times, expected %d\n", installs,
                     kItemCount);
        return false;
    }
    std::printf("items    %5d items (and as many file sets): %8.3f s, %8.3f ms per item\n", kItemCount,
                timing.seconds, timing.seconds / kItemCount * 1000);
    ForgetRecords();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: response_processing MANAGER_DIR INSTALLER_ARCHIVE\n");
        return 2;
    }
    const std::string managerDir = argv[1];
    const std::string archive = argv[2];
    ComScope com;
    if (FAILED(com.result())) {
        std::fprintf(stderr, "response_processing: CoInitializeEx failed\n");
        return 1;
    }
    if (!SetManagerDirectory(managerDir)) {
        std::fprintf(stderr, "response_processing: cannot record the manager directory\n");
        return 1;
    }
    ComPtr<I_ZULManager> manager;
    if (ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager, &manager) != S_OK) {
        std::fprintf(stderr, "response_processing: cannot create the manager object\n");
        return 1;
    }
    if (!BenchChannels(manager.Get())) return 1;
    if (!BenchItems(manager.Get(), managerDir, archive)) return 1;
    return 0;
}
