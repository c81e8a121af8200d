// The item enumerator over the registry's items key.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "records/RecordFactory.h"
#include "records/RecordTestSupport.h"

using Microsoft::WRL::ComPtr;
using namespace recordtest;

namespace {

constexpr char kTypeA[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
constexpr char kTypeB[] = "{5D8C1F33-0B7A-4E21-9C3D-2F6A8B9E0C11}";

// The id of the n-th test item.
std::string ItemId(unsigned n) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-00000000ABCD}", n);
    return text;
}

void StoreItem(const std::string& name, const char* type) {
    const std::string key = std::string(kItemsKey) + "\\" + name;
    if (type)
        WriteValue(key, "Type", type);
    else
        CreateKey(key);
}

ComPtr<I_ItemEnum> NewEnum() {
    ComPtr<I_ItemEnum> items;
    EXPECT_EQ(OUTCOME(CreateItemEnum(items.GetAddressOf(), &ret)), kOk);
    return items;
}

std::string CurrentId(I_ItemEnum* items) {
    char* id = nullptr;
    EXPECT_EQ(OUTCOME(items->GetGUID(&id, &ret)), kOk);
    return Take(id);
}

// Every id the enumerator yields for the filter, from Rewind on.
std::set<std::string> Walk(I_ItemEnum* items, const char* filter) {
    std::set<std::string> ids;
    Outcome outcome = OUTCOME(items->Rewind(Text(filter), &ret));
    while (outcome == kOk) {
        ids.insert(CurrentId(items));
        outcome = OUTCOME(items->NextItem(Text(filter), &ret));
    }
    EXPECT_EQ(outcome, Condition(ZULERR_NOT_FOUND));
    return ids;
}

class ItemEnumTest : public RecordsTest {};

TEST_F(ItemEnumTest, FreshEnumeratorStandsOnNoItem) {
    StoreItem(ItemId(1), kTypeA);
    ComPtr<I_ItemEnum> items = NewEnum();
    I_ZULItem* item = reinterpret_cast<I_ZULItem*>(1);
    EXPECT_EQ(OUTCOME(items->GetItem(&item, &ret)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(item, nullptr);
    char* id = reinterpret_cast<char*>(1);
    EXPECT_EQ(OUTCOME(items->GetGUID(&id, &ret)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(id, nullptr);
    EXPECT_EQ(OUTCOME(items->NextItem(nullptr, &ret)), Condition(ZULERR_NOT_FOUND));
}

TEST_F(ItemEnumTest, MissingItemsKeyFailsTheRewind) {
    ComPtr<I_ItemEnum> items = NewEnum();
    EXPECT_EQ(OUTCOME(items->Rewind(nullptr, &ret)), Failed(ZULERR_OPEN_REG_KEY_FAILED));
    CreateKey(kItemsKey);
    EXPECT_EQ(OUTCOME(items->Rewind(nullptr, &ret)), Condition(ZULERR_NOT_FOUND));
}

TEST_F(ItemEnumTest, RewindStandsOnTheFirstItemAndGetItemLoadsIt) {
    StoreItem(ItemId(1), kTypeA);
    WriteValue(std::string(kItemsKey) + "\\" + ItemId(1), "Name", "Demo");
    ComPtr<I_ItemEnum> items = NewEnum();
    ASSERT_EQ(OUTCOME(items->Rewind(nullptr, &ret)), kOk);
    EXPECT_EQ(CurrentId(items.Get()), ItemId(1));

    ComPtr<I_ZULItem> item;
    ASSERT_EQ(OUTCOME(items->GetItem(item.GetAddressOf(), &ret)), kOk);
    char* name = nullptr;
    EXPECT_EQ(OUTCOME(item->GetProp(Text("Name"), &name, &ret)), kOk);
    EXPECT_EQ(Take(name), "Demo");

    // Past the end the cursor stays there.
    EXPECT_EQ(OUTCOME(items->NextItem(nullptr, &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(items->NextItem(nullptr, &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(items->GetItem(item.ReleaseAndGetAddressOf(), &ret)), Failed(ZULERR_NOT_FOUND));
}

TEST_F(ItemEnumTest, TypeFilterAndItemsWithoutType) {
    StoreItem(ItemId(1), kTypeA);
    StoreItem(ItemId(2), kTypeB);
    StoreItem(ItemId(3), kTypeA);
    StoreItem(ItemId(4), nullptr);        // no "Type"
    StoreItem(ItemId(5), "not a guid");   // unreadable type
    StoreItem("Not a GUID", kTypeA);      // skipped
    StoreItem(std::string(ItemId(6)).substr(1, 36), kTypeB);  // a bare GUID name counts

    ComPtr<I_ItemEnum> items = NewEnum();
    EXPECT_EQ(Walk(items.Get(), nullptr),
              (std::set<std::string>{ItemId(1), ItemId(2), ItemId(3), ItemId(4), ItemId(5), ItemId(6)}));
    EXPECT_EQ(Walk(items.Get(), kTypeA), (std::set<std::string>{ItemId(1), ItemId(3)}));
    EXPECT_EQ(Walk(items.Get(), "a1e29d92-f94c-3d9c-cf8d-e58406789b1f"),
              (std::set<std::string>{ItemId(1), ItemId(3)}));
    EXPECT_EQ(Walk(items.Get(), kTypeB), (std::set<std::string>{ItemId(2), ItemId(6)}));
    // Only a filter that is no GUID text matches the items without a type.
    EXPECT_EQ(Walk(items.Get(), "garbage"), (std::set<std::string>{ItemId(4), ItemId(5)}));
    EXPECT_EQ(Walk(items.Get(), "{00000000-0000-0000-0000-000000000000}"),
              (std::set<std::string>{ItemId(4), ItemId(5)}));
}

TEST_F(ItemEnumTest, OverlongSubKeyNameIsSkippedLikeAnyOtherNonGuidName) {
    // Enumerated before the items, since sub-keys come sorted and "z" sorts before "{".
    StoreItem(std::string(45, 'z'), kTypeA);
    StoreItem(ItemId(1), kTypeA);
    ComPtr<I_ItemEnum> items = NewEnum();
    EXPECT_EQ(Walk(items.Get(), nullptr), (std::set<std::string>{ItemId(1)}));
}

TEST_F(ItemEnumTest, OnlyTheFirst256SubKeysAreLookedAt) {
    for (unsigned n = 0; n < 300; ++n) StoreItem(ItemId(n), kTypeA);
    ComPtr<I_ItemEnum> items = NewEnum();
    std::set<std::string> ids = Walk(items.Get(), nullptr);
    EXPECT_EQ(ids.size(), 256u);
    // Sub-keys come sorted, so the first 256 ids are the ones listed.
    EXPECT_EQ(*ids.begin(), ItemId(0));
    EXPECT_EQ(*ids.rbegin(), ItemId(255));

    // Non-GUID names use up indices too.
    StoreItem("!first", kTypeA);
    EXPECT_EQ(Walk(items.Get(), nullptr).size(), 255u);
}

}  // namespace
