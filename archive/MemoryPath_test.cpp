#include "archive/MemoryPath.h"

#include <gtest/gtest.h>

TEST(MemoryPath, ThirtyTwoBitBlocksKeepTheClassicForm) {
    char name[kMemoryPathBufferSize];
    ASSERT_EQ(FormatMemoryPath(0x00A1B2C3, 0x1F, name), kMemoryPathLength);
    EXPECT_STREQ(name, "mem:/00A1B2C3:0000001F");
    ASSERT_EQ(FormatMemoryPath(0xFFFFFFFF, 0xFFFFFFFF, name), kMemoryPathLength);
    EXPECT_STREQ(name, "mem:/FFFFFFFF:FFFFFFFF");

    uint64_t address = 0;
    uint32_t size = 0;
    ASSERT_TRUE(ParseMemoryPath("MEM:/00a1b2c3:0000001f", &address, &size));
    EXPECT_EQ(address, 0x00A1B2C3u);
    EXPECT_EQ(size, 0x1Fu);
}

TEST(MemoryPath, WideAddressesRoundTrip) {
    char name[kMemoryPathBufferSize];
    const uint64_t high = 0x00007FF6A1B2C3D4ull;
    ASSERT_EQ(FormatMemoryPath(high, 0x10000, name), kWideMemoryPathLength);
    EXPECT_STREQ(name, "mem:/00007FF6A1B2C3D4:00010000");
    uint64_t address = 0;
    uint32_t size = 0;
    ASSERT_TRUE(ParseMemoryPath(name, &address, &size));
    EXPECT_EQ(address, high);
    EXPECT_EQ(size, 0x10000u);
    // A 16-digit address that would fit into 8 is not a name any block has.
    EXPECT_FALSE(ParseMemoryPath("mem:/00000000A1B2C3D4:00010000", &address, &size));
}

TEST(MemoryPath, EverythingElseIsADiskName) {
    uint64_t address = 0;
    uint32_t size = 0;
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2C3:000001F", &address, &size));    // 21 characters
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2C3:0000001F0", &address, &size));  // 23 characters
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2C3-0000001F", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("mem:\\00A1B2C3:0000001F", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2G3:0000001F", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2C3:0000001 ", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("mem:/00A1B2C3:+000001F", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("mex:/00A1B2C3:0000001F", &address, &size));
    EXPECT_FALSE(ParseMemoryPath("C:\\dir\\file.cab", &address, &size));
    EXPECT_FALSE(ParseMemoryPath(nullptr, &address, &size));
}
