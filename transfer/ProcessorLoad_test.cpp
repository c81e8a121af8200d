#include "transfer/ProcessorLoad.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace perfdata;

// Builds a performance data block for the "Processor" object the way the system lays it out.
class PerfBlock {
public:
    std::vector<uint8_t> bytes;

    template <typename T>
    void Put(size_t offset, T value) {
        if (bytes.size() < offset + sizeof(T)) bytes.resize(offset + sizeof(T));
        std::memcpy(bytes.data() + offset, &value, sizeof(T));
    }

    // Instances named by names, each with the idle counter idle[i] at counter offset 8.
    static PerfBlock Processor(uint64_t time, const std::vector<std::u16string>& names,
                               const std::vector<uint64_t>& idle, uint32_t objectIndex = kProcessorObjectIndex) {
        PerfBlock b;
        b.bytes.resize(kBlockSize);
        std::memcpy(b.bytes.data(), u"PERF", 8);
        b.Put<uint32_t>(kBlockHeaderLength, kBlockSize);
        b.Put<uint32_t>(kBlockNumObjects, 1);
        b.Put<uint64_t>(kBlockPerfTime100nSec, time);

        const size_t object = kBlockSize;
        const size_t counters = object + kObjectSize;
        b.Put<uint32_t>(object + kObjectHeaderLength, kObjectSize);
        b.Put<uint32_t>(object + kObjectNameIndex, objectIndex);
        b.Put<uint32_t>(object + kObjectNumCounters, 2);
        b.Put<int32_t>(object + kObjectNumInstances, static_cast<int32_t>(names.size()));
        // An unrelated counter first, then the processor-time counter.
        b.Put<uint32_t>(counters + kCounterDefLength, kCounterDefSize);
        b.Put<uint32_t>(counters + kCounterDefNameIndex, 148);
        b.Put<uint32_t>(counters + kCounterDefSizeField, 8);
        b.Put<uint32_t>(counters + kCounterDefOffset, 16);
        b.Put<uint32_t>(counters + kCounterDefSize + kCounterDefLength, kCounterDefSize);
        b.Put<uint32_t>(counters + kCounterDefSize + kCounterDefNameIndex, kProcessorTimeCounterIndex);
        b.Put<uint32_t>(counters + kCounterDefSize + kCounterDefSizeField, 8);
        b.Put<uint32_t>(counters + kCounterDefSize + kCounterDefOffset, 8);
        const size_t firstInstance = counters + 2 * kCounterDefSize;
        b.Put<uint32_t>(object + kObjectDefinitionLength, static_cast<uint32_t>(firstInstance - object));

        size_t instance = firstInstance;
        for (size_t i = 0; i < names.size(); ++i) {
            const uint32_t nameBytes = static_cast<uint32_t>((names[i].size() + 1) * 2);
            const uint32_t instanceLength = kInstanceSize + ((nameBytes + 7) & ~7u);
            b.Put<uint32_t>(instance + kInstanceLength, instanceLength);
            b.Put<uint32_t>(instance + kInstanceNameOffset, kInstanceSize);
            b.Put<uint32_t>(instance + kInstanceNameLength, nameBytes);
            for (size_t c = 0; c <= names[i].size(); ++c)
                b.Put<uint16_t>(instance + kInstanceSize + 2 * c, c < names[i].size() ? names[i][c] : 0);
            const size_t block = instance + instanceLength;
            b.Put<uint32_t>(block + kCounterBlockLength, 24);
            b.Put<uint64_t>(block + 8, idle[i]);
            b.Put<uint64_t>(block + 16, 777);
            instance = block + 24;
        }
        b.Put<uint32_t>(object + kObjectTotalLength, static_cast<uint32_t>(instance - object));
        b.Put<uint32_t>(kBlockTotalLength, static_cast<uint32_t>(instance));
        return b;
    }
};

}  // namespace

TEST(ProcessorIdleCounter, TakesInstanceZeroAndTheBlockTime) {
    PerfBlock b = PerfBlock::Processor(123456789, {u"_Total", u"0", u"1"}, {11, 22, 33});
    uint64_t idle = 0, time = 0;
    ASSERT_TRUE(FindProcessorIdleCounter(b.bytes.data(), b.bytes.size(), idle, time));
    EXPECT_EQ(idle, 22u);
    EXPECT_EQ(time, 123456789u);
}

TEST(ProcessorIdleCounter, RefusesOtherObjectsAndMissingInstances) {
    uint64_t idle = 0, time = 0;
    PerfBlock other = PerfBlock::Processor(1, {u"0"}, {5}, 230);
    EXPECT_FALSE(FindProcessorIdleCounter(other.bytes.data(), other.bytes.size(), idle, time));
    PerfBlock noZero = PerfBlock::Processor(1, {u"_Total", u"1"}, {5, 6});
    EXPECT_FALSE(FindProcessorIdleCounter(noZero.bytes.data(), noZero.bytes.size(), idle, time));
    PerfBlock bad = PerfBlock::Processor(1, {u"0"}, {5});
    bad.bytes[0] = 'X';
    EXPECT_FALSE(FindProcessorIdleCounter(bad.bytes.data(), bad.bytes.size(), idle, time));
    EXPECT_FALSE(FindProcessorIdleCounter(nullptr, 0, idle, time));
}

TEST(ProcessorIdleCounter, EveryTruncationAndHostileLengthIsRefusedInBounds) {
    const PerfBlock whole = PerfBlock::Processor(9, {u"_Total", u"0"}, {1, 2});
    uint64_t idle = 0, time = 0;
    for (size_t size = 0; size < whole.bytes.size(); ++size) {
        std::vector<uint8_t> cut(whole.bytes.begin(), whole.bytes.begin() + size);
        PerfBlock b;
        b.bytes = cut;
        if (size >= kBlockSize) b.Put<uint32_t>(kBlockTotalLength, static_cast<uint32_t>(size));
        EXPECT_FALSE(FindProcessorIdleCounter(b.bytes.data(), b.bytes.size(), idle, time)) << size;
    }
    PerfBlock hostile = whole;
    const size_t counters = kBlockSize + kObjectSize;
    hostile.Put<uint32_t>(counters + kCounterDefSize + kCounterDefOffset, 0xFFFFFFF0u);
    EXPECT_FALSE(FindProcessorIdleCounter(hostile.bytes.data(), hostile.bytes.size(), idle, time));
    hostile = whole;
    hostile.Put<int32_t>(kBlockSize + kObjectNumInstances, 0x7FFFFFFF);
    hostile.Put<uint32_t>(kBlockSize + kObjectDefinitionLength, 0xFFFFFFFFu);
    EXPECT_FALSE(FindProcessorIdleCounter(hostile.bytes.data(), hostile.bytes.size(), idle, time));
    hostile = whole;
    hostile.Put<uint32_t>(kBlockNumObjects, 1000000);
    hostile.Put<uint32_t>(kBlockSize + kObjectNameIndex, 1);
    EXPECT_FALSE(FindProcessorIdleCounter(hostile.bytes.data(), hostile.bytes.size(), idle, time));
}

TEST(LoadCalculator, LoadFromIdleAndTimeDifferences) {
    C_LoadCalculator calc;
    calc.Add(1000, 10000000);
    EXPECT_EQ(calc.load(), 0.0);  // no predecessor yet
    calc.Add(1000 + 2500000, 20000000);  // idle a quarter of the time
    EXPECT_DOUBLE_EQ(calc.load(), 75.0);
    calc.Add(1000 + 2500000 + 10000000, 30000000);  // idle the whole time
    EXPECT_DOUBLE_EQ(calc.load(), 0.0);
    calc.Add(5, 40000000);  // counter went backwards: the load stays
    EXPECT_DOUBLE_EQ(calc.load(), 0.0);
    calc.Add(10, 40000000);  // no time passed: the load stays
    EXPECT_DOUBLE_EQ(calc.load(), 0.0);
    calc.Add(10, 50000000);  // never idle
    EXPECT_DOUBLE_EQ(calc.load(), 100.0);
}

TEST(LoadCalculator, FirstCounterOfZeroGivesNoLoad) {
    C_LoadCalculator calc;
    calc.Add(0, 100);
    calc.Add(50, 200);
    EXPECT_EQ(calc.load(), 0.0);
}
