// Processor load from the system's performance data (portable core): the walk through an NT
// performance data block to the idle-time counter of processor "0", and the load arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kProcessorObjectIndex = 238;   // performance object "Processor"
constexpr uint32_t kProcessorTimeCounterIndex = 6;  // "% Processor Time", counts idle time
constexpr char kProcessorObjectQuery[] = "238";

// Layout of the performance data structures (identical for 32-bit and 64-bit programs).
namespace perfdata {
constexpr size_t kBlockSize = 88;              // PERF_DATA_BLOCK
constexpr size_t kBlockTotalLength = 20;
constexpr size_t kBlockHeaderLength = 24;
constexpr size_t kBlockNumObjects = 28;
constexpr size_t kBlockPerfTime100nSec = 72;
constexpr size_t kObjectSize = 64;             // PERF_OBJECT_TYPE
constexpr size_t kObjectTotalLength = 0;
constexpr size_t kObjectDefinitionLength = 4;
constexpr size_t kObjectHeaderLength = 8;
constexpr size_t kObjectNameIndex = 12;
constexpr size_t kObjectNumCounters = 32;
constexpr size_t kObjectNumInstances = 40;
constexpr size_t kCounterDefSize = 40;         // PERF_COUNTER_DEFINITION
constexpr size_t kCounterDefLength = 0;
constexpr size_t kCounterDefNameIndex = 4;
constexpr size_t kCounterDefSizeField = 32;
constexpr size_t kCounterDefOffset = 36;
constexpr size_t kInstanceSize = 24;           // PERF_INSTANCE_DEFINITION
constexpr size_t kInstanceLength = 0;
constexpr size_t kInstanceNameOffset = 16;
constexpr size_t kInstanceNameLength = 20;
constexpr size_t kCounterBlockSize = 4;        // PERF_COUNTER_BLOCK
constexpr size_t kCounterBlockLength = 0;
}  // namespace perfdata

// Finds, in a performance data block answered for the "Processor" object, the idle-time counter
// of the instance whose name begins with "0" and the block's 100-ns timestamp. Every offset is
// checked against size; false when the block is malformed or holds no such counter.
bool FindProcessorIdleCounter(const uint8_t* data, size_t size, uint64_t& idleCounter,
                              uint64_t& time100ns);

// Turns successive (idle counter, timestamp) pairs into a load in percent.
class C_LoadCalculator {
public:
    // Shifts the previous pair, stores the new one and, when a previous counter exists and time
    // moved on, sets the load to (1 - idle difference / time difference) x 100, within 0..100.
    void Add(uint64_t idleCounter, uint64_t time100ns);
    void SetLoad(double load) { m_dLoad = load; }
    double load() const { return m_dLoad; }

private:
    uint64_t m_nPrevIdle = 0;
    uint64_t m_nIdle = 0;
    uint64_t m_nPrevTime = 0;
    uint64_t m_nTime = 0;
    uint64_t m_nTimeDiff = 0;
    double m_dLoad = 0.0;  // 0 until the first pair with a predecessor
};
