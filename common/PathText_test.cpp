#include "common/PathText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Join(const char* base, const char* name) {
    char out[64] = {};
    std::strcpy(out, base);
    EXPECT_EQ(JoinPath(out, name), 1) << base << " + " << name;
    return out;
}

std::string DirectoryPart(const char* path, size_t size = 64) {
    char out[64] = "untouched";
    if (!GetDirectoryPart(path, out, size)) return "<0>";
    return out;
}

}  // namespace

TEST(JoinPath, PutsExactlyOneSeparatorBetweenTheParts) {
    EXPECT_EQ(Join("D:\\a\\", "b"), "D:\\a\\b");
    EXPECT_EQ(Join("D:\\a", "\\b"), "D:\\a\\b");
    EXPECT_EQ(Join("D:\\a", "b"), "D:\\a\\b");
    EXPECT_EQ(Join("D:/a/", "/b"), "D:/a/b");
    // Only one separator is dropped from the name and none is added after a trailing one.
    EXPECT_EQ(Join("D:\\a\\", "\\\\b"), "D:\\a\\\\b");
    EXPECT_EQ(Join("D:\\a\\\\", "b"), "D:\\a\\\\b");
}

TEST(JoinPath, EmptyPartsStripOrPassThrough) {
    EXPECT_EQ(Join("D:\\a\\", ""), "D:\\a");
    EXPECT_EQ(Join("D:\\a", ""), "D:\\a");
    EXPECT_EQ(Join("D:\\a\\\\", ""), "D:\\a\\");
    EXPECT_EQ(Join("\\", ""), "");
    EXPECT_EQ(Join("", "b"), "b");
    // An empty base keeps the name whole, so an absolute name stays absolute.
    EXPECT_EQ(Join("", "\\b"), "\\b");
    EXPECT_EQ(Join("", ""), "");
    // A maker directory without its root is the bare folder name.
    EXPECT_EQ(Join("", "Tessary"), "Tessary");
}

TEST(JoinPath, SeparateOutputMissingArgumentsAndSmallBuffers) {
    char out[8] = "keep";
    char base[8] = "C:\\ab";
    EXPECT_EQ(JoinPath(nullptr, "b", out), 0);
    EXPECT_EQ(JoinPath(base, nullptr, out), 0);
    // "C:\ab\c" needs 8 bytes with its zero.
    EXPECT_EQ(JoinPath(base, "cd", out, sizeof out), 0);
    EXPECT_STREQ(out, "keep");
    EXPECT_EQ(JoinPath(base, "c", out, sizeof out), 1);
    EXPECT_STREQ(out, "C:\\ab\\c");
    EXPECT_STREQ(base, "C:\\ab");
    // In place, into base's own buffer.
    EXPECT_EQ(JoinPath(base, "\\cd", nullptr, sizeof base), 0);
    EXPECT_STREQ(base, "C:\\ab");
    EXPECT_EQ(JoinPath(base, "\\c", nullptr, sizeof base), 1);
    EXPECT_STREQ(base, "C:\\ab\\c");
    char empty[3] = "";
    EXPECT_EQ(JoinPath(empty, "abc", nullptr, sizeof empty), 0);
    EXPECT_EQ(JoinPath(base, "", out, 0), 0);
}

TEST(GetDirectoryPart, CutsAtTheLastSeparator) {
    EXPECT_EQ(DirectoryPart("D:\\file"), "D:");
    EXPECT_EQ(DirectoryPart("D:\\a/b\\file.txt"), "D:\\a/b");
    EXPECT_EQ(DirectoryPart("file.txt"), ".");
    EXPECT_EQ(DirectoryPart(""), ".");
    EXPECT_EQ(DirectoryPart("\\file"), "\\");
    EXPECT_EQ(DirectoryPart("/"), "/");
    EXPECT_EQ(DirectoryPart("D:\\a\\"), "D:\\a");
}

TEST(GetDirectoryPart, RefusesSmallBuffers) {
    EXPECT_EQ(DirectoryPart("file", 2), ".");
    EXPECT_EQ(DirectoryPart("file", 1), "<0>");
    EXPECT_EQ(DirectoryPart("\\file", 1), "<0>");
    EXPECT_EQ(DirectoryPart("ab\\file", 3), "ab");
    EXPECT_EQ(DirectoryPart("abc\\file", 3), "<0>");
}

TEST(PathParts, ExtensionAndFileName) {
    const char* path = "C:\\dir.x\\name.tar.gz";
    EXPECT_STREQ(FindExtension(path), ".gz");
    // The search for "." does not stop at a separator.
    EXPECT_STREQ(FindExtension("C:\\dir.x\\name"), ".x\\name");
    EXPECT_EQ(FindExtension("C:\\dir\\name"), nullptr);

    EXPECT_STREQ(GetFileNamePart(path), "name.tar.gz");
    EXPECT_STREQ(GetFileNamePart("a/b\\c"), "c");
    EXPECT_STREQ(GetFileNamePart("name"), "name");
    EXPECT_STREQ(GetFileNamePart("dir\\"), "");
}
