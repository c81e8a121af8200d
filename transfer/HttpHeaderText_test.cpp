#include "transfer/HttpHeaderText.h"

#include <gtest/gtest.h>

TEST(IsErrorStatus, ExactlyTheListedCodes) {
    for (uint32_t s : {300u, 400u, 404u, 415u, 500u, 503u, 505u}) EXPECT_TRUE(IsErrorStatus(s)) << s;
    for (uint32_t s : {0u, 100u, 200u, 206u, 301u, 302u, 304u, 399u, 416u, 499u, 506u, 599u, 999u})
        EXPECT_FALSE(IsErrorStatus(s)) << s;
}

TEST(ParseContentRange, ThreeNumbers) {
    ContentRange r;
    ASSERT_TRUE(ParseContentRange("bytes 1000-4999/5000", r));
    EXPECT_EQ(r.first, 1000u);
    EXPECT_EQ(r.last, 4999u);
    EXPECT_EQ(r.total, 5000u);
    ASSERT_TRUE(ParseContentRange("bytes0-0/1", r));
    EXPECT_EQ(r.total, 1u);
    ASSERT_TRUE(ParseContentRange("bytes 0-4294967294/4294967295", r));
    EXPECT_EQ(r.last, 4294967294u);
}

TEST(ParseContentRange, RefusesMalformedAndImpossibleRanges) {
    ContentRange r;
    for (const char* text : {"", "bytes", "bytes */5000", "bytes 0-99/*", "items 0-1/2", "bytes 5-2/1",
                             "bytes 0-10/10", "bytes -1-2/3", "bytes 0-4294967296/4294967297",
                             "bytes 1 2/3", "bytes 1-/3"})
        EXPECT_FALSE(ParseContentRange(text, r)) << text;
}

TEST(ParseContentLength, DecimalOnly) {
    uint64_t n = 0;
    ASSERT_TRUE(ParseContentLength("32768", n));
    EXPECT_EQ(n, 32768u);
    ASSERT_TRUE(ParseContentLength(" 4294967296 ", n));
    EXPECT_EQ(n, 4294967296u);
    for (const char* text : {"", " ", "-1", "+5", "12abc", "0x10", "1 2", "99999999999999999999"})
        EXPECT_FALSE(ParseContentLength(text, n)) << text;
}
