// DownloadFile of the channel manager's DownloadMgr, called through its COM interface in this
// process as the manager's file-set download calls it (caching and resume on, polite mode), for
// bench/transfer_bench.sh.
//   download_fetch fetch URL OUTPUT
//       no stored history first; prints "bytes seconds result"
//   download_fetch throttle URL OUTPUT MEAN VARIATION
//       stores the history "MEAN VARIATION" (which chooses the throttle factor) and downloads a
//       paced URL while watching the file grow. Prints "measured_mean throttled_rate": the mean
//       the download measured (taken back out of the history it blended it into) and the rate
//       from 14 s after the first byte (safely inside the throttled period) to the end.
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/BenchClock.h"
#include "transfer/DownloadMgr.h"

namespace {

unsigned long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void SetHistory(const char* text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, DownloadKeys::kDownloadMgr, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (text)
        RegSetValueExA(key, DownloadKeys::kHistoricalBandwidth, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
    else
        RegDeleteValueA(key, DownloadKeys::kHistoricalBandwidth);
    RegCloseKey(key);
}

bool ReadHistoryMean(double* mean) {
    char text[1024] = {};
    DWORD size = sizeof(text) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, DownloadKeys::kDownloadMgr, DownloadKeys::kHistoricalBandwidth, RRF_RT_REG_SZ,
                     nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    return std::sscanf(text, "%lf", mean) == 1;
}

DLMgrError Download(const char* url, const char* output) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Microsoft::WRL::ComPtr<I_DownloadMgr> downloader;
    downloader.Attach(new DownloadMgr);  // born with one reference
    DLMgrError result = DLMGR_ERROR_FILE_DOWNLOAD_FAILED;
    downloader->DownloadFile(const_cast<char*>(url), const_cast<char*>(output), TRUE, TRUE, &result);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "fetch") {
        SetHistory(nullptr);
        DeleteFileA(argv[3]);
        const double start = Seconds();
        const DLMgrError result = Download(argv[2], argv[3]);
        const double seconds = Seconds() - start;
        std::printf("%llu %.6f %d\n", FileSize(argv[3]), seconds, static_cast<int>(result));
        return result == DLMGR_ERROR_SUCCESS ? 0 : 1;
    }
    if (argc == 6 && std::string(argv[1]) == "throttle") {
        const double presetMean = std::atof(argv[4]);
        const std::string history = std::string(argv[4]) + " " + argv[5];
        SetHistory(history.c_str());
        DeleteFileA(argv[3]);
        std::atomic<bool> done{false};
        std::thread download([&] {
            Download(argv[2], argv[3]);
            done = true;
        });
        std::vector<std::pair<double, double>> growth;  // (seconds, bytes)
        while (!done) {
            growth.emplace_back(Seconds(), static_cast<double>(FileSize(argv[3])));
            Sleep(20);
        }
        download.join();
        growth.emplace_back(Seconds(), static_cast<double>(FileSize(argv[3])));
        double firstByte = 0.0;
        for (const auto& [at, bytes] : growth)
            if (bytes > 0) {
                firstByte = at;
                break;
            }
        const auto from = std::find_if(growth.begin(), growth.end(),
                                       [&](const auto& sample) { return sample.first >= firstByte + 14.0; });
        if (firstByte == 0.0 || from == growth.end()) return 1;
        const double rate = (growth.back().second - from->second) / (growth.back().first - from->first);
        // The download blended its measured mean m into the history: (19 x preset + m) / 20.
        double blended = 0.0;
        if (!ReadHistoryMean(&blended)) return 1;
        std::printf("%.1f %.1f\n", 20.0 * blended - 19.0 * presetMean, rate);
        return 0;
    }
    std::fprintf(stderr, "usage: download_fetch fetch URL OUTPUT | throttle URL OUTPUT MEAN VARIATION SECONDS\n");
    return 2;
}
