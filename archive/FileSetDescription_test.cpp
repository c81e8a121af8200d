#include "archive/FileSetDescription.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ZULError Parse(const std::string& text, FileSetDescription* d) {
    return ParseFileSetDescription(text.data(), text.size(), d);
}

}  // namespace

TEST(FileSetDescription, ReadsEveryFieldWithAnyLineEnding) {
    FileSetDescription d;
    ASSERT_EQ(Parse("GUID={11111111-2222-3333-4444-555555555555}\r\nname=Demo Set\n\n"
                    "FLAGS=3\rNumFiles=12\r\n\r\nTotalBytes=  4096 bytes\r\n", &d),
              ZULERR_SUCCESS);
    EXPECT_EQ(d.sGuid, "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(d.sName, "Demo Set");
    EXPECT_EQ(d.nFlags, 3);
    EXPECT_EQ(d.nNumFiles, 12);
    EXPECT_EQ(d.nTotalBytes, 4096);
}

TEST(FileSetDescription, KeysAndValuesAreTakenVerbatim) {
    FileSetDescription d;
    // The value is everything after the first "="; a blank before a key makes another key.
    ASSERT_EQ(Parse("Name= a=b \n GUID=ignored\nOther=1\nName=second\nFlags=-7", &d), ZULERR_SUCCESS);
    EXPECT_EQ(d.sName, "second");
    EXPECT_EQ(d.sGuid, "");
    EXPECT_EQ(d.nFlags, -7);
    ASSERT_EQ(Parse("Name= a=b ", &d), ZULERR_SUCCESS);
    EXPECT_EQ(d.sName, " a=b ");
    ASSERT_EQ(Parse("Name=", &d), ZULERR_SUCCESS);
    EXPECT_EQ(d.sName, "");
}

TEST(FileSetDescription, FaultyLinesStopTheParseButKeepEarlierFields) {
    FileSetDescription d;
    EXPECT_EQ(Parse("Name=Kept\nNumFiles=many\nGUID=late", &d), ZULERR_PARSE_ERROR);
    EXPECT_EQ(d.sName, "Kept");
    EXPECT_EQ(d.sGuid, "");
    EXPECT_EQ(Parse("Name=x\nno separator here\n", &d), ZULERR_PARSE_ERROR);
    EXPECT_EQ(Parse("TotalBytes=", &d), ZULERR_PARSE_ERROR);
    EXPECT_EQ(Parse("Flags= -", &d), ZULERR_PARSE_ERROR);
    // Unknown keys are not checked at all.
    EXPECT_EQ(Parse("Whatever=not a number", &d), ZULERR_SUCCESS);
}

TEST(FileSetDescription, TheTextEndsAtItsFirstZeroByte) {
    FileSetDescription d;
    const std::string text("Name=a\0garbage without equals\n", 30);
    EXPECT_EQ(Parse(text, &d), ZULERR_SUCCESS);
    EXPECT_EQ(d.sName, "a");
    EXPECT_EQ(ParseFileSetDescription(nullptr, 0, &d), ZULERR_SUCCESS);
    EXPECT_EQ(ParseFileSetDescription(nullptr, 5, &d), ZULERR_INVALID_ARGUMENT);
}

TEST(FileSetDescription, NumbersFollowPercentDAndSaturate) {
    int32_t n = 0;
    EXPECT_TRUE(ParseDescriptionNumber(" \t+42abc", &n));
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(ParseDescriptionNumber("2147483647", &n));
    EXPECT_EQ(n, INT32_MAX);
    EXPECT_TRUE(ParseDescriptionNumber("99999999999999999999999", &n));
    EXPECT_EQ(n, INT32_MAX);
    EXPECT_TRUE(ParseDescriptionNumber("-2147483648", &n));
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_TRUE(ParseDescriptionNumber("-99999999999999", &n));
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_FALSE(ParseDescriptionNumber("+ 1", &n));
    EXPECT_FALSE(ParseDescriptionNumber("x1", &n));
    EXPECT_FALSE(ParseDescriptionNumber("", &n));
}
