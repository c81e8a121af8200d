#include "transfer/ReadSizeGovernor.h"

#include <gtest/gtest.h>

TEST(ReadSizeGovernor, ReadsAimAtFiftyMillisecondsOfTheLinksRate) {
    C_ReadSizeGovernor reads(4096, 1 << 20);
    EXPECT_EQ(reads.size(), 4096u);
    reads.Record(100, 0.0);  // the end of the body asks for nothing more
    EXPECT_EQ(reads.size(), 4096u);
    // Buffered data (instant reads) doubles the size per read, up to the maximum.
    for (int i = 0; i < 20; ++i) reads.Record(reads.size(), 0.0);
    EXPECT_EQ(reads.size(), 1u << 20);
    // A slow link (256 KiB/s) brings it down at once to about 50 ms of data, and keeps it there.
    reads.Record(reads.size(), 4.0);
    EXPECT_EQ(reads.size(), 12288u);
    reads.Record(reads.size(), 12288.0 / 262144);
    EXPECT_EQ(reads.size(), 12288u);
    // Throttled to a quarter of that: the smallest reads; a fast link throttled keeps large ones.
    reads.AimAt(65536);
    EXPECT_EQ(reads.size(), 4096u);
    reads.AimAt(200e6);
    EXPECT_EQ(reads.size(), 1u << 20);
}
