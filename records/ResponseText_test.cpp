#include "records/ResponseText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "type: key=value; key=value" per block, for compact comparison.
std::vector<std::string> Dump(const C_ResponseText& text) {
    std::vector<std::string> blocks;
    for (size_t i = 0; i < text.BlockCount(); ++i) {
        const C_PropertyBlock& block = text.BlockAt(i);
        std::string line = std::string(block.Type()) + ":";
        if (block.HasId()) line += " id=" + std::string(block.IdText()) + ";";
        for (size_t e = 0; e < block.EntryCount(); ++e)
            line += " [" + std::string(block.Key(e)) + "]=[" + std::string(block.Value(e)) + "]";
        blocks.push_back(line);
    }
    return blocks;
}

using Blocks = std::vector<std::string>;

std::string Value(const C_ResponseText& text, std::string_view key) {
    std::string_view value;
    return text.GetKeyValue(key, value) == ZULERR_SUCCESS ? std::string(value) : "<absent>";
}

}  // namespace

TEST(BlockText, ParsesTheExamplePreset) {
    C_ResponseText text;
    ASSERT_EQ(text.LoadMem("DP\n{\n   GUID={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}\n   Name=KV Laptop\n}\n"),
              ZULERR_SUCCESS);
    EXPECT_EQ(Dump(text), (Blocks{"DP: id={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}; [Name]=[KV Laptop]"}));
}

TEST(BlockText, LineAndKeyRules) {
    C_ResponseText text;
    // Types trimmed but inner blanks kept; no trimming around "="; values keep later "=";
    // CR, LF and CRLF all end lines; trailing blanks stay; empty key and value allowed.
    ASSERT_EQ(text.LoadMem(" \t\r\nCheckin Result \t{ \r\n\tURL=http://h/p?a=1&b=2\r\n"
                           "key = value \r\rx=\n=y\n\n}tail{\n}"),
              ZULERR_SUCCESS);
    EXPECT_EQ(Dump(text), (Blocks{"Checkin Result: [URL]=[http://h/p?a=1&b=2] [key ]=[ value ] [x]=[] []=[y]",
                                  "tail:"}));
    // A lower-case identifier line sets the identifier; a later one replaces it; "Guid " with a
    // trailing blank is an ordinary key.
    ASSERT_EQ(text.LoadMem("X{\nguid=a1e29d92-f94c-3d9c-cf8d-e58406789b1f\n"
                           "gUID={491daf3f-7c1e-2006-73a7-ae0ed8b87d68\nGuid =v\n}"),
              ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "GUID"), "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}");
    EXPECT_EQ(Dump(text), (Blocks{"X: id={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}; [Guid ]=[v]"}));
}

TEST(BlockText, ClosingBraceOnlyAtTheStartOfALine) {
    C_ResponseText text;
    // "}" after a blank, mid-line or right after "{" belongs to the body.
    ASSERT_EQ(text.LoadMem("A{\na=}b\nb=c\n }\n}B{}\n}"), ZULERR_PARSE_ERROR);
    // ... the body line " }" has no "=", so that load fails; without it:
    ASSERT_EQ(text.LoadMem("A{\na=}b\n}B{}=x\n}\n"), ZULERR_SUCCESS);
    EXPECT_EQ(Dump(text), (Blocks{"A: [a]=[}b]", "B: [}]=[x]"}));
    // An indented "}" never closes: the block fails, the earlier one stays loaded.
    ASSERT_EQ(text.LoadMem("First{\na=1\n}\nSecond{\nb=2\n  }\n"), ZULERR_PARSE_ERROR);
    EXPECT_EQ(Dump(text), (Blocks{"First: [a]=[1]"}));
}

TEST(BlockText, TheFirstErrorEndsTheLoadAndKeepsEarlierBlocks) {
    struct Case {
        const char* text;
        ZULError result;
        size_t blocks;
    } cases[] = {
        {"", ZULERR_SUCCESS, 0},
        {"no braces at all\n}", ZULERR_SUCCESS, 0},
        {"A{\n}\ntrailing text without a brace", ZULERR_SUCCESS, 1},
        {"A{\n \t\na=1\n\t \n}", ZULERR_SUCCESS, 1},               // blanks by the braces
        {"A{\n}B{\na=1\n \t\nb=2\n}", ZULERR_PARSE_ERROR, 1},    // a blank line inside
        {"A{\n}B{\nno equals sign\n}", ZULERR_PARSE_ERROR, 1},
        {"A{\n}B{\nGuid=1234\n}C{\n}", ZULERR_BAD_GUID, 1},
        {"A{\n}B{\nGuid={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68} \nx=1\n}", ZULERR_BAD_GUID, 1},
        {"A{\n}B{\nGuid={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68} \n}", ZULERR_SUCCESS, 2},
        {"A{\n}B{\na=1\n", ZULERR_PARSE_ERROR, 1},
        {"A{}", ZULERR_PARSE_ERROR, 0},
    };
    for (const Case& c : cases) {
        C_ResponseText text;
        EXPECT_EQ(text.LoadMem(c.text), c.result) << c.text;
        EXPECT_EQ(text.BlockCount(), c.blocks) << c.text;
        EXPECT_EQ(text.CurrentIndex(), 0u);
        EXPECT_EQ(text.RewindBlock("A"), c.blocks ? ZULERR_SUCCESS : ZULERR_NOT_FOUND) << c.text;
    }
}

TEST(BlockText, HostileTextsEndWithACode) {
    C_ResponseText text;
    EXPECT_EQ(text.Load(std::string(1000000, '{')), ZULERR_PARSE_ERROR);
    EXPECT_EQ(text.BlockCount(), 0u);
    std::string longLine = "A{\nk=" + std::string(10 << 20, 'v') + "\n}";
    ASSERT_EQ(text.Load(longLine), ZULERR_SUCCESS);
    EXPECT_EQ(text.BlockAt(0).Value(0).size(), size_t(10 << 20));
    EXPECT_EQ(text.Load(std::string(1 << 20, 'x') + "{" + std::string(1 << 20, 'y')), ZULERR_PARSE_ERROR);
    // The text ends at a NUL, also when its length is given.
    std::string withNul("A{\na=1\n}\0B{\nb=2\n}", 18);
    ASSERT_EQ(text.Load(withNul), ZULERR_SUCCESS);
    EXPECT_EQ(Dump(text), (Blocks{"A: [a]=[1]"}));
    EXPECT_EQ(text.LoadMem(nullptr), ZULERR_INVALID_ARGUMENT);
    EXPECT_EQ(text.BlockCount(), 1u);  // unchanged
}

TEST(BlockText, ManyBlocksLoadInOrder) {
    std::string source;
    for (int i = 0; i < 40; ++i) source += "T" + std::to_string(i) + "{\nn=" + std::to_string(i) + "\n}\n";
    C_ResponseText text;
    ASSERT_EQ(text.LoadMem(source.c_str()), ZULERR_SUCCESS);
    ASSERT_EQ(text.BlockCount(), 40u);
    for (size_t i = 0; i < 40; ++i) EXPECT_EQ(text.BlockAt(i).Value(0), std::to_string(i));
}

TEST(ResponseText, NothingLoadedAnswersNotFound) {
    C_ResponseText text;
    std::string_view a, b;
    EXPECT_FALSE(text.IsLoaded());
    EXPECT_EQ(text.RewindBlock("A"), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.NextBlock("A"), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.GetBlockType(a), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.GetKeyValue("GUID", a), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.NextValue(), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.RewindValue(), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.GetCurrentValue(a, b), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.SetKeyValue("k", "v"), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.RemoveKeyValue("k"), ZULERR_NOT_FOUND);
    C_PropertyBlock* block = nullptr;
    EXPECT_EQ(text.CurrentBlock(block), ZULERR_NOT_FOUND);
}

TEST(ResponseText, BlockWalkByTypeAndPastTheEnd) {
    C_ResponseText text;
    ASSERT_EQ(text.LoadMem("Item{\nn=1\n}\nChannel{\nn=2\n}\nITEM{\nn=3\n}\n"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "n"), "1");  // the first block is current after a load
    EXPECT_EQ(text.RewindBlock("item"), ZULERR_SUCCESS);
    EXPECT_EQ(text.NextBlock("Item"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "N"), "3");
    EXPECT_EQ(text.RewindBlock(nullptr), ZULERR_NOT_FOUND);  // parsed blocks always have a type
    EXPECT_EQ(text.RewindBlock("Channel"), ZULERR_SUCCESS);
    EXPECT_EQ(text.NextBlock("Channel"), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.CurrentIndex(), 3u);
    EXPECT_EQ(text.NextBlock("Item"), ZULERR_NOT_FOUND);  // already past the end
    EXPECT_EQ(text.CurrentIndex(), 3u);

    // Past the end the block-level methods act on an empty block.
    std::string_view type = "x";
    EXPECT_EQ(text.GetBlockType(type), ZULERR_SUCCESS);
    EXPECT_EQ(type, "");
    EXPECT_EQ(Value(text, "n"), "<absent>");
    EXPECT_EQ(Value(text, "GUID"), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(text.RewindValue(), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.SetKeyValue("k", "v"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "k"), "v");
    EXPECT_EQ(text.RewindBlock("Item"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "k"), "<absent>");
}

TEST(ResponseText, EditingTheCurrentBlockAndPerBlockValueWalks) {
    C_ResponseText text;
    ASSERT_EQ(text.LoadMem("A{\nk=1\nK=2\nz=3\n}\nB{\nb=1\n}\n"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "k"), "1");
    EXPECT_EQ(text.SetKeyValue("GUID", "bad"), ZULERR_BAD_GUID);
    EXPECT_EQ(text.SetKeyValue("Guid", "a1e29d92-f94c-3d9c-cf8d-e58406789b1f"), ZULERR_SUCCESS);
    EXPECT_EQ(Value(text, "guid"), "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}");
    EXPECT_EQ(text.RemoveKeyValue("GUID"), ZULERR_INVALID_OPERATION);
    EXPECT_EQ(text.RemoveKeyValue("K"), ZULERR_SUCCESS);  // the first "k"; "z" moves in
    EXPECT_EQ(Dump(text)[0], "A: id={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}; [z]=[3] [K]=[2]");
    EXPECT_EQ(text.RemoveKeyValue("missing"), ZULERR_NOT_FOUND);

    // Each block keeps its own value position.
    EXPECT_EQ(text.NextValue(), ZULERR_SUCCESS);
    EXPECT_EQ(text.NextBlock("B"), ZULERR_SUCCESS);
    std::string_view key, value;
    ASSERT_EQ(text.GetCurrentValue(key, value), ZULERR_SUCCESS);
    EXPECT_EQ(key, "b");
    EXPECT_EQ(text.NextValue(), ZULERR_NOT_FOUND);
    EXPECT_EQ(text.RewindBlock("A"), ZULERR_SUCCESS);
    ASSERT_EQ(text.GetCurrentValue(key, value), ZULERR_SUCCESS);
    EXPECT_EQ(key, "K");
}
