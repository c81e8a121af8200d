#include "records/GuidText.h"

#include <gtest/gtest.h>

#include <string>

namespace {
constexpr char kBare[] = "a1e29d92-f94c-3d9c-cf8d-e58406789b1f";
constexpr char kCanonical[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";

int32_t Parse(const std::string& text) {
    GuidValue guid;
    return ParseGuidText(text, guid);
}
}  // namespace

TEST(GuidText, BracesAreOptionalAndTheTextIsCanonical) {
    const std::string bare = kBare;
    for (const std::string& text : {bare, "{" + bare, bare + "}", "{" + bare + "}"}) {
        GuidValue guid;
        ASSERT_EQ(ParseGuidText(text, guid), kGuidParsed) << text;
        EXPECT_EQ(GuidToText(guid), kCanonical) << text;
    }
    GuidValue guid;
    ASSERT_EQ(ParseGuidText(kCanonical, guid), kGuidParsed);
    EXPECT_EQ(guid.data1, 0xA1E29D92u);
    EXPECT_EQ(guid.data2, 0xF94Cu);
    EXPECT_EQ(guid.data3, 0x3D9Cu);
    EXPECT_EQ(guid.data4[0], 0xCF);
    EXPECT_EQ(guid.data4[7], 0x1F);
    EXPECT_FALSE(guid.IsNull());
    EXPECT_EQ(GuidToText(GuidValue{}), std::string(kNullGuidText.data()));
    EXPECT_TRUE(GuidValue{}.IsNull());
}

TEST(GuidText, RefusesWithTheSystemParsersCodes) {
    const std::string bare = kBare;
    // Outside 36..38 characters, or not 38 once the missing braces are added.
    EXPECT_EQ(Parse(""), kGuidWrongLength);
    EXPECT_EQ(Parse(bare.substr(1)), kGuidWrongLength);                 // 35
    EXPECT_EQ(Parse("{" + bare + "}x"), kGuidWrongLength);              // 39
    EXPECT_EQ(Parse("{" + bare.substr(1) + "}"), kGuidWrongLength);    // 37 with both braces
    EXPECT_EQ(Parse(bare + "00"), kGuidWrongLength);                   // 38 without braces
    EXPECT_EQ(Parse("{" + bare.substr(2) + "}"), kGuidWrongLength);    // 36 with both braces
    // Right length, wrong content.
    std::string text = kCanonical;
    for (size_t pos : {1u, 9u, 14u, 20u, 24u, 36u}) {
        for (char bad : {'g', 'G', ' ', '\0', '\xC3', '-', 'x'}) {
            std::string broken = text;
            if (broken[pos] == bad) continue;
            broken[pos] = bad;
            EXPECT_EQ(Parse(broken), kGuidMalformed) << pos << " " << int(bad);
        }
    }
    EXPECT_EQ(Parse("(" + bare + ")"), kGuidWrongLength);  // both braces added: 40
    EXPECT_EQ(Parse("{" + bare + ")"), kGuidWrongLength);
    EXPECT_EQ(Parse("{" + bare.substr(0, 35) + "}}"), kGuidMalformed);
    EXPECT_FALSE(IsGuidText("{" + bare.substr(0, 35) + "}}"));
    // A refused text leaves the target alone.
    GuidValue guid;
    guid.data1 = 7;
    EXPECT_NE(ParseGuidText("nonsense", guid), kGuidParsed);
    EXPECT_EQ(guid.data1, 7u);
}
