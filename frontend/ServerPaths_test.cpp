#include "frontend/ServerPaths.h"

#include <gtest/gtest.h>

using namespace ServerPaths;

TEST(ServerPaths, PlainNamesAreWhatWindowsKeepsAsOneName) {
    for (const char* name : {"Ludora", "Star Raiders", "a.b", ".hidden", "{7D1E2F30-4152-4A6B-8C7D-9E0F1A2B3C41}"})
        EXPECT_TRUE(IsPlainName(name)) << name;
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "a*", "a?", "a\"b", "<a>", "a|b", "Games.", "Games ",
                             "tab\there"})
        EXPECT_FALSE(IsPlainName(name)) << name;
    EXPECT_TRUE(IsPlainRelativePath("Programs\\Ludora"));
    EXPECT_TRUE(IsPlainRelativePath("Programs/Ludora"));
    for (const char* path : {"", "..", "Programs\\..\\..\\Evil", "\\Programs", "Programs\\", "C:\\x", "a\\\\b"})
        EXPECT_FALSE(IsPlainRelativePath(path)) << path;
}

TEST(ServerPaths, InsideMeansStrictlyBelowTheFolder) {
    EXPECT_TRUE(IsInsideFolder("C:\\Channel\\About.html", "C:\\Channel"));
    EXPECT_TRUE(IsInsideFolder("c:\\channel\\sub\\x", "C:\\Channel"));
    EXPECT_TRUE(IsInsideFolder("C:\\x", "C:\\"));
    EXPECT_FALSE(IsInsideFolder("C:\\Channel", "C:\\Channel"));
    EXPECT_FALSE(IsInsideFolder("C:\\Channel2\\x", "C:\\Channel"));
    EXPECT_FALSE(IsInsideFolder("C:\\x", ""));
    EXPECT_TRUE(IsRootedPath("C:\\x"));
    EXPECT_TRUE(IsRootedPath("\\\\host\\share"));
    EXPECT_FALSE(IsRootedPath("About.html"));
    EXPECT_EQ(WithoutTrailingSeparators("C:\\a\\b\\\\"), "C:\\a\\b");
    EXPECT_EQ(WithoutTrailingSeparators("C:\\"), "C:\\");
    EXPECT_EQ(WithoutQuotes("Bad \"Name\""), "Bad Name");
}
