#include "transfer/ProcessorLoad.h"

#include <cstring>

namespace {

using namespace perfdata;

// Reads a little-endian value at offset within [0, size); false when it does not fit.
template <typename T>
bool ReadAt(const uint8_t* data, size_t size, size_t offset, T& value) {
    if (offset > size || size - offset < sizeof(T)) return false;
    std::memcpy(&value, data + offset, sizeof(T));
    return true;
}

// A sub-range [offset, offset + length) that lies within size.
bool Fits(size_t size, size_t offset, size_t length) {
    return offset <= size && length <= size - offset;
}

// Offset of the counter with the wanted title index inside each instance's counter block.
bool FindCounterOffset(const uint8_t* data, size_t size, size_t object, uint32_t& counterOffset,
                       uint32_t& counterSize) {
    uint32_t headerLength = 0, numCounters = 0;
    if (!ReadAt(data, size, object + kObjectHeaderLength, headerLength) ||
        !ReadAt(data, size, object + kObjectNumCounters, numCounters))
        return false;
    size_t def = object + headerLength;
    for (uint32_t i = 0; i < numCounters; ++i) {
        uint32_t length = 0, nameIndex = 0;
        if (!ReadAt(data, size, def + kCounterDefLength, length) || length < kCounterDefSize ||
            !ReadAt(data, size, def + kCounterDefNameIndex, nameIndex))
            return false;
        if (nameIndex == kProcessorTimeCounterIndex) {
            return ReadAt(data, size, def + kCounterDefOffset, counterOffset) &&
                   ReadAt(data, size, def + kCounterDefSizeField, counterSize);
        }
        def += length;
    }
    return false;
}

bool InstanceNameStartsWithZero(const uint8_t* data, size_t size, size_t instance) {
    uint32_t nameOffset = 0, nameLength = 0;
    uint16_t first = 0;
    return ReadAt(data, size, instance + kInstanceNameOffset, nameOffset) &&
           ReadAt(data, size, instance + kInstanceNameLength, nameLength) && nameLength >= 2 &&
           ReadAt(data, size, instance + nameOffset, first) && first == u'0';
}

bool FindInObject(const uint8_t* data, size_t size, size_t object, size_t objectEnd,
                  uint64_t& idleCounter) {
    uint32_t counterOffset = 0, counterSize = 0;
    if (!FindCounterOffset(data, size, object, counterOffset, counterSize)) return false;
    if (counterSize != sizeof(uint64_t)) return false;

    uint32_t definitionLength = 0;
    int32_t numInstances = 0;
    if (!ReadAt(data, size, object + kObjectDefinitionLength, definitionLength) ||
        !ReadAt(data, size, object + kObjectNumInstances, numInstances))
        return false;
    size_t instance = object + definitionLength;
    for (int32_t i = 0; i < numInstances; ++i) {
        uint32_t instanceLength = 0, blockLength = 0;
        if (!ReadAt(data, objectEnd, instance + kInstanceLength, instanceLength) ||
            instanceLength < kInstanceSize)
            return false;
        const size_t block = instance + instanceLength;
        if (!ReadAt(data, objectEnd, block + kCounterBlockLength, blockLength) ||
            blockLength < kCounterBlockSize)
            return false;
        if (InstanceNameStartsWithZero(data, objectEnd, instance)) {
            return Fits(blockLength, counterOffset, sizeof(uint64_t)) &&
                   ReadAt(data, objectEnd, block + counterOffset, idleCounter);
        }
        instance = block + blockLength;
    }
    return false;
}

}  // namespace

bool FindProcessorIdleCounter(const uint8_t* data, size_t size, uint64_t& idleCounter,
                              uint64_t& time100ns) {
    if (!data || size < kBlockSize || std::memcmp(data, u"PERF", 8) != 0) return false;
    uint32_t totalLength = 0, headerLength = 0, numObjects = 0;
    uint64_t time = 0;
    if (!ReadAt(data, size, kBlockTotalLength, totalLength) ||
        !ReadAt(data, size, kBlockHeaderLength, headerLength) ||
        !ReadAt(data, size, kBlockNumObjects, numObjects) ||
        !ReadAt(data, size, kBlockPerfTime100nSec, time))
        return false;
    if (totalLength < size) size = totalLength;

    size_t object = headerLength;
    for (uint32_t i = 0; i < numObjects; ++i) {
        uint32_t objectLength = 0, nameIndex = 0;
        if (!ReadAt(data, size, object + kObjectTotalLength, objectLength) ||
            objectLength < kObjectSize || !Fits(size, object, objectLength) ||
            !ReadAt(data, size, object + kObjectNameIndex, nameIndex))
            return false;
        if (nameIndex == kProcessorObjectIndex) {
            if (!FindInObject(data, size, object, object + objectLength, idleCounter)) return false;
            time100ns = time;
            return true;
        }
        object += objectLength;
    }
    return false;
}

void C_LoadCalculator::Add(uint64_t idleCounter, uint64_t time100ns) {
    m_nPrevIdle = m_nIdle;
    m_nPrevTime = m_nTime;
    m_nIdle = idleCounter;
    m_nTime = time100ns;
    m_nTimeDiff = m_nTime - m_nPrevTime;
    if (m_nPrevIdle == 0 || m_nTime <= m_nPrevTime || m_nIdle < m_nPrevIdle) return;
    double load = (1.0 - static_cast<double>(m_nIdle - m_nPrevIdle) / static_cast<double>(m_nTimeDiff)) * 100.0;
    if (load < 0.0) load = 0.0;
    if (load > 100.0) load = 100.0;
    m_dLoad = load;
}
