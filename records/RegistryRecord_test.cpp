// The registry records (ChannelInfo, FS_Info, ZULItem) against the real registry, created the
// way the manager hands them out.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/RecordFactory.h"
#include "records/RecordStore.h"
#include "records/RecordTestSupport.h"
#include "records/RegistryRecord.h"

using Microsoft::WRL::ComPtr;
using namespace recordtest;

namespace {

constexpr char kId[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
const std::string kItemKey = std::string(kItemsKey) + "\\" + kId;

ComPtr<I_ZULItem> BlankItem() {
    ComPtr<I_ZULItem> item;
    EXPECT_EQ(OUTCOME(OpenItemInfo(nullptr, item.GetAddressOf(), &ret)), kOk);
    return item;
}

std::string Prop(I_ZULItem* item, const char* name) {
    char* value = nullptr;
    Outcome outcome = OUTCOME(item->GetProp(Text(name), &value, &ret));
    if (outcome == Failed(ZULERR_NOT_FOUND)) return "<absent>";
    EXPECT_EQ(outcome, kOk) << name;
    return Take(value);
}

std::string Guid(I_ZULItem* item) {
    char* value = nullptr;
    EXPECT_EQ(OUTCOME(item->GetGUID(&value, &ret)), kOk);
    return Take(value);
}

class RegistryRecord : public RecordsTest {};

TEST_F(RegistryRecord, LoadAppliesTheValuesInRegistryOrderAndAddsToTheBag) {
    WriteValue(kItemKey, "Name", "Demo");
    WriteValue(kItemKey, "Channel", "{9D406394-BD56-70FD-BC9D-878734DB1AB6}");
    WriteValue(kItemKey, "Empty", "");
    WriteBinary(kItemKey, "Raw", "abc");  // data without a terminator is still text

    ComPtr<I_ZULItem> item = BlankItem();
    ASSERT_EQ(OUTCOME(item->SetProp(Text("Kept"), Text("mine"), &ret)), kOk);
    ASSERT_EQ(OUTCOME(item->SetProp(Text("NAME"), Text("old"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), kOk);

    EXPECT_EQ(Prop(item.Get(), "name"), "Demo");  // replaced, found in any case
    EXPECT_EQ(Prop(item.Get(), "Kept"), "mine");  // the bag is not cleared
    EXPECT_EQ(Prop(item.Get(), "Empty"), "");
    EXPECT_EQ(Prop(item.Get(), "Raw"), "abc");
    EXPECT_EQ(Prop(item.Get(), "Channel"), "{9D406394-BD56-70FD-BC9D-878734DB1AB6}");
    EXPECT_EQ(Prop(item.Get(), "GUID"), kId);

    ASSERT_EQ(OUTCOME(item->Flush(&ret)), kOk);
    EXPECT_EQ(ReadValue(kItemKey, "Kept"), "mine");
    EXPECT_EQ(ValueNames(kItemKey).size(), 5u);
}

TEST_F(RegistryRecord, BagHoldsTheValuesInTheOrderTheRegistryEnumeratesThem) {
    for (const char* name : {"Zeta", "alpha", "Mid", "beta"}) WriteValue(kItemKey, name, name);
    C_RegistryRecord record(RecordKinds::kItem);
    ASSERT_EQ(OUTCOME(record.SetGUID(kId, &ret)), kOk);
    std::vector<std::string> keys;
    for (size_t i = 0; i < record.Bag().EntryCount(); ++i) keys.emplace_back(record.Bag().Key(i));
    EXPECT_EQ(keys, ValueNames(kItemKey));
}

TEST_F(RegistryRecord, LongNameOrTextEndsTheLoadKeepingWhatCameBefore) {
    // Names chosen so that the registry enumerates them in this order however it sorts.
    const std::string longest(1023, 'x');
    WriteValue(kItemKey, "a1", "first");
    WriteValue(kItemKey, "a2", longest);  // 1,023 characters and the terminator fit the buffer
    WriteValue(kItemKey, "b", std::string(1024, 'y'));
    WriteValue(kItemKey, "c", "after");
    ASSERT_EQ(ValueNames(kItemKey), (std::vector<std::string>{"a1", "a2", "b", "c"}));

    ComPtr<I_ZULItem> item = BlankItem();
    EXPECT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), Condition(ZULERR_REG_GET_VALUE_FAILED));
    EXPECT_EQ(Prop(item.Get(), "a1"), "first");
    EXPECT_EQ(Prop(item.Get(), "a2"), longest);
    EXPECT_EQ(Prop(item.Get(), "b"), "<absent>");
    EXPECT_EQ(Prop(item.Get(), "c"), "<absent>");
    EXPECT_EQ(Guid(item.Get()), kId);  // bound all the same

    // The same for a value name of 1,024 characters.
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kItemKey.c_str()), ERROR_SUCCESS);
    WriteValue(kItemKey, "a", "first");
    WriteValue(kItemKey, std::string(1024, 'n').c_str(), "long name");
    WriteValue(kItemKey, "o", "after");
    ComPtr<I_ZULItem> other = BlankItem();
    EXPECT_EQ(OUTCOME(other->SetGUID(Text(kId), &ret)), Condition(ZULERR_REG_GET_VALUE_FAILED));
    EXPECT_EQ(Prop(other.Get(), "a"), "first");
    EXPECT_EQ(Prop(other.Get(), "o"), "<absent>");
}

TEST_F(RegistryRecord, StoredGuidValueDoesNotRebindTheRecord) {
    WriteValue(kItemKey, "Guid", "{9D406394-BD56-70FD-BC9D-878734DB1AB6}");
    WriteValue(kItemKey, "Name", "Demo");
    ComPtr<I_ZULItem> item = BlankItem();
    EXPECT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), kOk);
    EXPECT_EQ(Guid(item.Get()), kId);
    EXPECT_EQ(Prop(item.Get(), "Name"), "Demo");
}

TEST_F(RegistryRecord, NewIdIsBoundEmptyAndFlushCreatesTheKey) {
    ComPtr<I_ZULItem> item = BlankItem();
    EXPECT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_FALSE(KeyExists(kItemKey));
    ASSERT_EQ(OUTCOME(item->SetProp(Text("Type"), Text(kId), &ret)), kOk);
    EXPECT_FALSE(KeyExists(kItemKey));  // nothing written before the flush
    EXPECT_EQ(OUTCOME(item->Flush(&ret)), kOk);
    EXPECT_EQ(ReadValue(kItemKey, "Type"), kId);
    EXPECT_FALSE(ReadValue(kItemKey, "GUID").has_value());
}

TEST_F(RegistryRecord, EveryBraceFormBindsToTheCanonicalKey) {
    WriteValue(kItemKey, "Name", "Demo");
    const std::string bare = std::string(kId).substr(1, 36);
    for (const std::string& form : {bare, "{" + bare, bare + "}", std::string(kId),
                                    std::string("{a1e29d92-f94c-3d9c-cf8d-e58406789b1f}")}) {
        ComPtr<I_ZULItem> item = BlankItem();
        EXPECT_EQ(OUTCOME(item->SetGUID(Text(form.c_str()), &ret)), kOk) << form;
        EXPECT_EQ(Prop(item.Get(), "Name"), "Demo") << form;
        EXPECT_EQ(Guid(item.Get()), kId) << form;
    }
}

TEST_F(RegistryRecord, BadIdsAreRefusedWithSFalseAlsoThroughTheManager) {
    const std::string tooShort = "1E29D92-F94C-3D9C-CF8D-E58406789B1F";       // 35 characters
    const std::string tooLong = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}0";    // 39 characters
    const std::string malformed = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1G}";

    ComPtr<I_ZULItem> item = BlankItem();
    ASSERT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), Condition(ZULERR_NOT_FOUND));
    for (const std::string& text : {tooShort, tooLong, malformed}) {
        EXPECT_EQ(OUTCOME(item->SetGUID(Text(text.c_str()), &ret)), Failed(ZULERR_BAD_GUID)) << text;
        EXPECT_EQ(Guid(item.Get()), kId);  // the id stays
    }
    EXPECT_EQ(OUTCOME(item->SetGUID(nullptr, &ret)), Failed(ZULERR_BAD_GUID));

    I_ZULItem* opened = reinterpret_cast<I_ZULItem*>(1);
    EXPECT_EQ(OUTCOME(OpenItemInfo(tooShort.c_str(), &opened, &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(opened, nullptr);
    I_ChannelInfo* channel = nullptr;
    EXPECT_EQ(OUTCOME(OpenChannelInfo(malformed.c_str(), &channel, &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(channel, nullptr);
    EXPECT_EQ(OUTCOME(OpenFileSetInfo(kId, nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
}

TEST_F(RegistryRecord, GuidNameAddressesTheId) {
    ComPtr<I_ZULItem> item = BlankItem();
    EXPECT_EQ(Guid(item.Get()), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(OUTCOME(item->SetProp(Text("guid"), Text("a1e29d92-f94c-3d9c-cf8d-e58406789b1f"), &ret)), kOk);
    EXPECT_EQ(Prop(item.Get(), "Guid"), kId);
    EXPECT_FALSE(KeyExists(kItemKey));  // setting the id loads nothing and writes nothing
    EXPECT_EQ(OUTCOME(item->SetProp(Text("GUID"), Text("nonsense"), &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(OUTCOME(item->RemoveProp(Text("GUID"), &ret)), Failed(ZULERR_INVALID_OPERATION));
    EXPECT_EQ(Guid(item.Get()), kId);
}

TEST_F(RegistryRecord, FlushAddsAndOverwritesButNeverDeletes) {
    WriteValue(kItemKey, "Stored", "only in the registry");
    WriteValue(kItemKey, "Name", "old");
    ComPtr<I_ZULItem> item = BlankItem();
    ASSERT_EQ(OUTCOME(item->SetProp(Text("GUID"), Text(kId), &ret)), kOk);  // bound, not loaded
    ASSERT_EQ(OUTCOME(item->SetProp(Text("Name"), Text("new"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(item->Flush(&ret)), kOk);
    EXPECT_EQ(ReadValue(kItemKey, "Name"), "new");
    EXPECT_EQ(ReadValue(kItemKey, "Stored"), "only in the registry");

    ComPtr<I_ZULItem> blank = BlankItem();
    ASSERT_EQ(OUTCOME(blank->SetProp(Text("Name"), Text("x"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(blank->Flush(&ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_FALSE(KeyExists(std::string(kItemsKey) + "\\{00000000-0000-0000-0000-000000000000}"));
}

TEST_F(RegistryRecord, RemovePropDeletesTheStoredValueAtOnce) {
    WriteValue(kItemKey, "A", "1");
    WriteValue(kItemKey, "B", "2");
    WriteValue(kItemKey, "C", "3");
    ComPtr<I_ZULItem> item = BlankItem();
    ASSERT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), kOk);
    EXPECT_EQ(OUTCOME(item->RemoveProp(Text("b"), &ret)), kOk);
    EXPECT_FALSE(ReadValue(kItemKey, "B").has_value());  // before any flush
    EXPECT_EQ(Prop(item.Get(), "B"), "<absent>");
    EXPECT_EQ(OUTCOME(item->RemoveProp(Text("B"), &ret)), Failed(ZULERR_NOT_FOUND));

    // Without an id only the bag changes.
    ComPtr<I_ZULItem> blank = BlankItem();
    ASSERT_EQ(OUTCOME(blank->SetProp(Text("A"), Text("x"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(blank->RemoveProp(Text("A"), &ret)), kOk);
    EXPECT_EQ(ReadValue(kItemKey, "A"), "1");
}

TEST_F(RegistryRecord, DeleteInfoRemovesTheKeyTreeAndKeepsTheBag) {
    WriteValue(kItemKey, "Name", "Demo");
    WriteValue(kItemKey + "\\Sub", "Inner", "x");
    ComPtr<I_ZULItem> item = BlankItem();
    EXPECT_EQ(OUTCOME(item->DeleteInfo(&ret)), Failed(ZULERR_BAD_GUID));
    ASSERT_EQ(OUTCOME(item->SetGUID(Text(kId), &ret)), kOk);
    EXPECT_EQ(OUTCOME(item->DeleteInfo(&ret)), kOk);
    EXPECT_FALSE(KeyExists(kItemKey));
    EXPECT_EQ(Prop(item.Get(), "Name"), "Demo");
    EXPECT_EQ(OUTCOME(item->DeleteInfo(&ret)), Failed(ZULERR_FAILED));
}

TEST_F(RegistryRecord, MissingArgumentsAreRefused) {
    ComPtr<I_ZULItem> item = BlankItem();
    char* value = reinterpret_cast<char*>(1);
    EXPECT_EQ(OUTCOME(item->GetProp(nullptr, &value, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(OUTCOME(item->GetProp(Text("Name"), nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(OUTCOME(item->SetProp(Text("Name"), nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(OUTCOME(item->SetProp(nullptr, Text("x"), &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(OUTCOME(item->RemoveProp(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(OUTCOME(item->GetGUID(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
}

TEST_F(RegistryRecord, ChannelInfoIsStoredUnderItsKind) {
    ComPtr<I_ChannelInfo> channel;
    ASSERT_EQ(OUTCOME(OpenChannelInfo(kId, channel.GetAddressOf(), &ret)), Condition(ZULERR_NOT_FOUND));
    ASSERT_TRUE(channel);
    ASSERT_EQ(OUTCOME(channel->SetProp(Text("Name"), Text("News"), &ret)), kOk);
    ASSERT_EQ(OUTCOME(channel->Flush(&ret)), kOk);
    EXPECT_EQ(ReadValue(std::string(kChannelsKey) + "\\" + kId, "Name"), "News");
    EXPECT_FALSE(KeyExists(kItemKey));

    ComPtr<I_ChannelInfo> again;
    ASSERT_EQ(OUTCOME(OpenChannelInfo(kId, again.GetAddressOf(), &ret)), kOk);
    char* name = nullptr;
    EXPECT_EQ(OUTCOME(again->GetProp(Text("NAME"), &name, &ret)), kOk);
    EXPECT_EQ(Take(name), "News");
}

TEST_F(RegistryRecord, FileSetAccessorsAndFlags) {
    const std::string key = std::string(kFileSetsKey) + "\\" + kId;
    WriteValue(key, "Flags", "12abc");
    WriteValue(key, "Name", "Maps");
    ComPtr<I_FS_Info> fileSet;
    ASSERT_EQ(OUTCOME(OpenFileSetInfo(kId, fileSet.GetAddressOf(), &ret)), kOk);

    ULONG flags = 0;
    EXPECT_EQ(OUTCOME(fileSet->GetFlags(&flags, &ret)), kOk);
    EXPECT_EQ(flags, 12u);
    ASSERT_EQ(OUTCOME(fileSet->SetProperty(Text("Flags"), Text("abc"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(fileSet->GetFlags(&flags, &ret)), Failed(ZULERR_PARSE_ERROR));
    ASSERT_EQ(OUTCOME(fileSet->RemoveProp(Text("Flags"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(fileSet->GetFlags(&flags, &ret)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(fileSet->GetFlags(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));

    char* text = nullptr;
    EXPECT_EQ(OUTCOME(fileSet->GetName(&text, &ret)), kOk);
    EXPECT_EQ(Take(text), "Maps");
    EXPECT_EQ(OUTCOME(fileSet->GetLocalPath(&text, &ret)), Failed(ZULERR_NOT_FOUND));
    EXPECT_EQ(text, nullptr);
    ASSERT_EQ(OUTCOME(fileSet->SetSourceURL(Text("http://host/a.FileSet"), &ret)), kOk);
    ASSERT_EQ(OUTCOME(fileSet->SetLocalPath(Text("C:\\a.FileSet"), &ret)), kOk);
    ASSERT_EQ(OUTCOME(fileSet->SetName(Text("Maps 2"), &ret)), kOk);
    ASSERT_EQ(OUTCOME(fileSet->Flush(&ret)), kOk);
    EXPECT_EQ(ReadValue(key, "SourceURL"), "http://host/a.FileSet");
    EXPECT_EQ(ReadValue(key, "LocalPath"), "C:\\a.FileSet");
    EXPECT_EQ(ReadValue(key, "Name"), "Maps 2");
    EXPECT_FALSE(ReadValue(key, "Flags").has_value());
    EXPECT_EQ(OUTCOME(fileSet->GetProperty(Text("sourceurl"), &text, &ret)), kOk);
    EXPECT_EQ(Take(text), "http://host/a.FileSet");
}

}  // namespace
