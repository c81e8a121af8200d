#include "transfer/ProcessorLoadSampler.h"

#include <winperf.h>

#include <cstddef>
#include <memory>
#include <new>

#include "common/Handles.h"

// The portable walker reads the structures by these offsets.
static_assert(sizeof(PERF_DATA_BLOCK) == perfdata::kBlockSize);
static_assert(offsetof(PERF_DATA_BLOCK, TotalByteLength) == perfdata::kBlockTotalLength);
static_assert(offsetof(PERF_DATA_BLOCK, HeaderLength) == perfdata::kBlockHeaderLength);
static_assert(offsetof(PERF_DATA_BLOCK, NumObjectTypes) == perfdata::kBlockNumObjects);
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime100nSec) == perfdata::kBlockPerfTime100nSec);
static_assert(sizeof(PERF_OBJECT_TYPE) == perfdata::kObjectSize);
static_assert(offsetof(PERF_OBJECT_TYPE, DefinitionLength) == perfdata::kObjectDefinitionLength);
static_assert(offsetof(PERF_OBJECT_TYPE, HeaderLength) == perfdata::kObjectHeaderLength);
static_assert(offsetof(PERF_OBJECT_TYPE, ObjectNameTitleIndex) == perfdata::kObjectNameIndex);
static_assert(offsetof(PERF_OBJECT_TYPE, NumCounters) == perfdata::kObjectNumCounters);
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == perfdata::kObjectNumInstances);
static_assert(sizeof(PERF_COUNTER_DEFINITION) == perfdata::kCounterDefSize);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex) == perfdata::kCounterDefNameIndex);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterSize) == perfdata::kCounterDefSizeField);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == perfdata::kCounterDefOffset);
static_assert(sizeof(PERF_INSTANCE_DEFINITION) == perfdata::kInstanceSize);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameOffset) == perfdata::kInstanceNameOffset);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameLength) == perfdata::kInstanceNameLength);

namespace {

constexpr DWORD kInitialPerfBuffer = 4096;
constexpr DWORD kMaxPerfBuffer = 16 * 1024 * 1024;
constexpr char kDynStatKey[] = "PerfStats\\StatData";
constexpr char kDynCpuUsage[] = "KERNEL\\CPUUsage";

uint64_t Ticks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

DWORD PlatformId() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(&info) ? info.dwPlatformId : VER_PLATFORM_WIN32s;
}

}  // namespace

C_ProcessorLoadSampler::C_ProcessorLoadSampler() : m_dwPlatform(PlatformId()) {}

double C_ProcessorLoadSampler::Sample() {
    if (m_dwPlatform == VER_PLATFORM_WIN32_NT)
        SampleNt();
    else if (m_dwPlatform == VER_PLATFORM_WIN32_WINDOWS)
        SampleWin95();
    return m_calc.load();
}

void C_ProcessorLoadSampler::SampleNt() {
    if (!m_bUseSystemTimes) {
        uint64_t idle = 0, time = 0;
        if (ReadPerformanceData(idle, time)) {
            m_calc.Add(idle, time);
            return;
        }
        // No processor object in the performance data (its counters disabled, or a system that
        // publishes none, as Wine): the processor times give the same load. One source is kept
        // from then on, so that no two samples mix them.
        m_bUseSystemTimes = true;
    }
    FILETIME idle, kernel, user;
    // Kernel time includes idle time; both are summed over the processors.
    if (GetSystemTimes(&idle, &kernel, &user)) m_calc.Add(Ticks(idle), Ticks(kernel) + Ticks(user));
}

bool C_ProcessorLoadSampler::ReadPerformanceData(uint64_t& idle, uint64_t& time) {
    DWORD capacity = kInitialPerfBuffer;
    std::unique_ptr<BYTE[]> buffer;
    DWORD size = 0;
    for (;;) {
        buffer.reset(new (std::nothrow) BYTE[capacity]);
        if (!buffer) return false;
        size = capacity;
        DWORD type = 0;
        const LONG status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, kProcessorObjectQuery, nullptr,
                                             &type, buffer.get(), &size);
        if (status == ERROR_SUCCESS) break;
        if (status != ERROR_MORE_DATA || capacity >= kMaxPerfBuffer) {
            RegCloseKey(HKEY_PERFORMANCE_DATA);
            return false;
        }
        capacity *= 2;
    }
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    return FindProcessorIdleCounter(buffer.get(), size, idle, time);
}

void C_ProcessorLoadSampler::SampleWin95() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_DYN_DATA, kDynStatKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    DWORD usage = 0, size = sizeof(usage), type = 0;
    if (RegQueryValueExA(key.get(), kDynCpuUsage, nullptr, &type, reinterpret_cast<BYTE*>(&usage),
                         &size) == ERROR_SUCCESS &&
        size == sizeof(usage))
        m_calc.SetLoad(static_cast<double>(usage));
}
