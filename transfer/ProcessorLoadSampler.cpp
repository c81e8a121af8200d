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
    DWORD capacity = kInitialPerfBuffer;
    std::unique_ptr<BYTE[]> buffer;
    DWORD size = 0;
    for (;;) {
        buffer.reset(new (std::nothrow) BYTE[capacity]);
        if (!buffer) return;
        size = capacity;
        DWORD type = 0;
        const LONG status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, kProcessorObjectQuery, nullptr,
                                             &type, buffer.get(), &size);
        if (status == ERROR_SUCCESS) break;
        if (status != ERROR_MORE_DATA || capacity >= kMaxPerfBuffer) {
            RegCloseKey(HKEY_PERFORMANCE_DATA);
            return;
        }
        capacity *= 2;
    }
    RegCloseKey(HKEY_PERFORMANCE_DATA);

    uint64_t idle = 0, time = 0;
    if (FindProcessorIdleCounter(buffer.get(), size, idle, time)) m_calc.Add(idle, time);
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
