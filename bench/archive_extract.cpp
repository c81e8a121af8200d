// Extracts one archive with the project's extractor and prints
// "seconds peak_ws start_ws peak_private start_private result", for the comparison of
// bench/archive_bench.sh: the time of opening and extracting; the peak working set of the process
// and its working set before the archive was opened (what the program and Wine need anyway); the
// same for the private bytes, sampled every few milliseconds while extracting (the working set
// also counts the pages of the mapped archive, which the file backs); 0 on success.
//   archive_extract fileset ARCHIVE DIRECTORY [memory]   a ".FileSet" through FS_Archive (Open, ExtractTo)
//   archive_extract cabinet CABINET DIRECTORY [memory]   a bare cabinet, mapped, through C_CabExtractor
// The private bytes are sampled only with "memory": the sampling thread's wake-ups are server
// calls under Wine, which would slow the extraction it times; without it both private figures
// are those before the extraction.
#include <windows.h>
#include <psapi.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "archive/CabExtractor.h"
#include "archive/FS_Archive.h"
#include "archive/MappedFile.h"

namespace {

bool ExtractFileSet(char* archivePath, char* directory) {
    Microsoft::WRL::ComPtr<I_FS_Archive> archive;
    if (FAILED(FS_Archive::Create(archive.GetAddressOf()))) return false;
    ZULError result = ZULERR_SUCCESS;
    if (archive->Open(archivePath, &result) != S_OK) return false;
    return archive->ExtractTo(directory, &result) == S_OK;
}

bool ExtractCabinet(const char* cabinetPath, const char* directory) {
    C_MappedFile view;
    C_CabExtractor extractor;
    return view.Open(cabinetPath) && extractor.OpenMemory(view.data(), view.size()) &&
           extractor.ExtractToDir(directory);
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

// The largest private byte count seen while it runs.
class PrivatePeakSampler {
public:
    PrivatePeakSampler() : m_thread([this] { Sample(); }) {}
    ~PrivatePeakSampler() { Stop(); }
    SIZE_T Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        return m_peak;
    }

private:
    void Sample() {
        do {
            m_peak = std::max(m_peak, MemoryCounters().PagefileUsage);
            Sleep(kIntervalMs);
        } while (!m_stop);
        m_peak = std::max(m_peak, MemoryCounters().PagefileUsage);
    }
    static constexpr DWORD kIntervalMs = 2;
    std::atomic<bool> m_stop{false};
    SIZE_T m_peak = 0;
    std::thread m_thread;
};

}  // namespace

int main(int argc, char** argv) {
    const bool sampleMemory = argc == 5 && std::strcmp(argv[4], "memory") == 0;
    const bool fileSet = (argc == 4 || sampleMemory) && std::strcmp(argv[1], "fileset") == 0;
    if ((argc != 4 && !sampleMemory) || (!fileSet && std::strcmp(argv[1], "cabinet") != 0)) {
        std::fprintf(stderr, "usage: archive_extract fileset|cabinet ARCHIVE DIRECTORY [memory]\n");
        return 2;
    }
    const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::optional<PrivatePeakSampler> sampler;
    if (sampleMemory) sampler.emplace();
    QueryPerformanceCounter(&start);
    const bool extracted = fileSet ? ExtractFileSet(argv[2], argv[3]) : ExtractCabinet(argv[2], argv[3]);
    QueryPerformanceCounter(&end);
    const SIZE_T peakPrivate = sampler ? sampler->Stop() : before.PagefileUsage;
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    using Count = unsigned long long;
    const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
    std::printf("%.6f %llu %llu %llu %llu %d\n", seconds, static_cast<Count>(after.PeakWorkingSetSize),
                static_cast<Count>(before.WorkingSetSize), static_cast<Count>(peakPrivate),
                static_cast<Count>(before.PagefileUsage), extracted ? 0 : 1);
    return extracted ? 0 : 1;
}
