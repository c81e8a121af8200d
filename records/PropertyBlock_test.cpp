#include "records/PropertyBlock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
constexpr char kId[] = "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}";

std::vector<std::string> Keys(const C_PropertyBlock& block) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < block.EntryCount(); ++i) keys.push_back(std::string(block.Key(i)));
    return keys;
}

std::string Get(const C_PropertyBlock& block, std::string_view name) {
    std::string_view value;
    return block.GetProp(name, value) == ZULERR_SUCCESS ? std::string(value) : "<absent>";
}
}  // namespace

TEST(PropertyBlock, PropNamesAreUniqueIgnoringCaseAndKeepTheirFirstSpelling) {
    C_PropertyBlock block;
    EXPECT_EQ(block.SetProp("Name", "one"), ZULERR_SUCCESS);
    EXPECT_EQ(block.SetProp("NAME", "two"), ZULERR_SUCCESS);
    EXPECT_EQ(block.SetProp("Path", ""), ZULERR_SUCCESS);
    EXPECT_EQ(Keys(block), (std::vector<std::string>{"Name", "Path"}));
    EXPECT_EQ(Get(block, "name"), "two");
    EXPECT_EQ(Get(block, "path"), "");
    EXPECT_EQ(Get(block, "Missing"), "<absent>");
    // "Name " is another name: keys are never trimmed.
    EXPECT_EQ(block.SetProp("Name ", "three"), ZULERR_SUCCESS);
    EXPECT_EQ(block.EntryCount(), 3u);
}

TEST(PropertyBlock, GuidAddressesTheIdentifierInAnyCase) {
    C_PropertyBlock block;
    EXPECT_FALSE(block.HasId());
    EXPECT_EQ(Get(block, "GUID"), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(block.SetProp("guid", "491daf3f-7c1e-2006-73a7-ae0ed8b87d68"), ZULERR_SUCCESS);
    EXPECT_TRUE(block.HasId());
    EXPECT_EQ(Get(block, "Guid"), kId);
    EXPECT_STREQ(block.IdText().data(), kId);
    EXPECT_EQ(block.EntryCount(), 0u);
    int32_t parse = 0;
    EXPECT_EQ(block.SetIdText("{491DAF3F}", &parse), ZULERR_BAD_GUID);
    EXPECT_EQ(parse, kGuidWrongLength);
    EXPECT_EQ(block.SetProp("GUID", "not a guid at all, but 37 characters"), ZULERR_BAD_GUID);
    EXPECT_EQ(block.IdText(), kId);  // unchanged
    EXPECT_EQ(block.RemoveProp("gUiD"), ZULERR_INVALID_OPERATION);
    EXPECT_TRUE(block.HasId());
}

TEST(PropertyBlock, RemovalMovesTheLastEntryIntoTheGap) {
    C_PropertyBlock block;
    for (const char* key : {"first", "second", "third"}) block.AppendEntry(key, key);
    EXPECT_EQ(block.RemoveProp("FIRST"), ZULERR_SUCCESS);
    EXPECT_EQ(Keys(block), (std::vector<std::string>{"third", "second"}));
    EXPECT_EQ(block.RemoveProp("first"), ZULERR_NOT_FOUND);
    EXPECT_EQ(block.RemoveProp("second"), ZULERR_SUCCESS);
    EXPECT_EQ(Keys(block), (std::vector<std::string>{"third"}));

    // Duplicates (as parsing makes them): lookups and removal take the first.
    C_PropertyBlock dup;
    dup.AppendEntry("Key", "1");
    dup.AppendEntry("key", "2");
    EXPECT_EQ(Get(dup, "KEY"), "1");
    EXPECT_EQ(dup.SetProp("kEY", "3"), ZULERR_SUCCESS);
    EXPECT_EQ(dup.RemoveProp("key"), ZULERR_SUCCESS);
    EXPECT_EQ(Get(dup, "Key"), "2");
    EXPECT_EQ(dup.Key(0), "key");
}

TEST(PropertyBlock, ValueWalkStopsAtTheEndAndRewinds) {
    C_PropertyBlock block;
    std::string_view key, value;
    EXPECT_EQ(block.RewindValue(), ZULERR_NOT_FOUND);  // never held an entry
    EXPECT_EQ(block.NextValue(), ZULERR_NOT_FOUND);
    EXPECT_EQ(block.GetCurrentValue(key, value), ZULERR_NOT_FOUND);

    block.AppendEntry("a", "1");
    block.AppendEntry("b", "2");
    ASSERT_EQ(block.GetCurrentValue(key, value), ZULERR_SUCCESS);
    EXPECT_EQ(key, "a");
    EXPECT_EQ(block.NextValue(), ZULERR_SUCCESS);
    ASSERT_EQ(block.GetCurrentValue(key, value), ZULERR_SUCCESS);
    EXPECT_EQ(value, "2");
    EXPECT_EQ(block.NextValue(), ZULERR_NOT_FOUND);  // this step went past the last entry
    EXPECT_EQ(block.CurrentEntry(), 2u);
    EXPECT_EQ(block.NextValue(), ZULERR_NOT_FOUND);  // already past: nothing moves
    EXPECT_EQ(block.CurrentEntry(), 2u);
    EXPECT_EQ(block.GetCurrentValue(key, value), ZULERR_NOT_FOUND);
    EXPECT_EQ(block.RewindValue(), ZULERR_SUCCESS);
    EXPECT_EQ(block.CurrentEntry(), 0u);

    // A block that held entries can still be rewound once they are all gone.
    block.RemoveProp("a");
    block.RemoveProp("b");
    EXPECT_EQ(block.RewindValue(), ZULERR_SUCCESS);
    EXPECT_EQ(block.GetCurrentValue(key, value), ZULERR_NOT_FOUND);
    block.Clear();
    EXPECT_EQ(block.RewindValue(), ZULERR_NOT_FOUND);
}

TEST(PropertyBlock, TypeMatchingIgnoresCaseAndNullMatchesOnlyUntyped) {
    C_PropertyBlock block;
    EXPECT_TRUE(block.IsOfType(nullptr));
    EXPECT_FALSE(block.IsOfType(""));
    block.SetType("");
    EXPECT_FALSE(block.IsOfType(nullptr));
    EXPECT_TRUE(block.IsOfType(""));
    block.SetType("FileSet");
    EXPECT_TRUE(block.IsOfType("fileset"));
    EXPECT_FALSE(block.IsOfType("FileSets"));
}

TEST(PropertyBlock, TextsStayIntactThroughGrowthReuseAndCompaction) {
    C_PropertyBlock block;
    block.SetType("Item");
    // Values handed back in as new values (views into the block itself), many replacements
    // (garbage that forces rebuilds) and removals.
    std::string big(300, 'b');
    for (int round = 0; round < 200; ++round) {
        const std::string key = "k" + std::to_string(round % 7);
        ASSERT_EQ(block.SetProp(key, big + std::to_string(round)), ZULERR_SUCCESS);
        std::string_view value;
        ASSERT_EQ(block.GetProp(key, value), ZULERR_SUCCESS);
        ASSERT_EQ(block.SetProp("copy" + std::to_string(round % 3), value), ZULERR_SUCCESS);
        ASSERT_EQ(block.GetProp("copy" + std::to_string(round % 3), value), ZULERR_SUCCESS);
        ASSERT_EQ(value, big + std::to_string(round));
        if (round % 5 == 0) block.RemoveProp("k" + std::to_string((round + 3) % 7));
    }
    EXPECT_EQ(block.Type(), "Item");
    for (size_t i = 0; i < block.EntryCount(); ++i) {
        // Every view is followed by its NUL, so registry calls can take data() directly.
        EXPECT_EQ(block.Key(i).data()[block.Key(i).size()], '\0');
        EXPECT_EQ(block.Value(i).data()[block.Value(i).size()], '\0');
        EXPECT_EQ(block.Value(i).substr(0, 300), big);
    }
    // A copy is independent of its source.
    C_PropertyBlock copy;
    ASSERT_EQ(copy.CopyFrom(block), ZULERR_SUCCESS);
    block.Clear();
    EXPECT_EQ(copy.Type(), "Item");
    EXPECT_EQ(Get(copy, "copy0").substr(0, 300), big);
    // Empty keys and values are kept as such.
    block.SetProp("", "");
    std::string_view value = "x";
    EXPECT_EQ(block.GetProp("", value), ZULERR_SUCCESS);
    EXPECT_EQ(value, "");
    EXPECT_EQ(value.data()[0], '\0');
}
