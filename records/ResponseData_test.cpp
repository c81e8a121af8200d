// ResponseData through its interface: loads, the walks with their result pairing, the texts it
// hands out, and storing a block as a registry record.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "records/RecordFactory.h"
#include "records/RecordTestSupport.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;
using namespace recordtest;

namespace {

constexpr char kChannelId[] = "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}";
const std::string kChannelKey = std::string(kChannelsKey) + "\\" + kChannelId;

constexpr char kAnswer[] =
    "CheckinResult\n{\n  Status=ok\n  Interval=3600\n}\n"
    "Channel\r\n{\r\n  guid=491daf3f-7c1e-2006-73a7-ae0ed8b87d68\r\n  Name=KV Laptop\r\n"
    "  URL=http://host/a?b=c\r\n  Name=Second\r\n}\r\n"
    "Channel {\n  Name=Other\n}\n";

ComPtr<I_ResponseData> NewResponse() {
    ComPtr<I_ResponseData> response;
    EXPECT_EQ(OUTCOME(CreateResponseData(response.GetAddressOf(), &ret)), kOk);
    return response;
}

std::string BlockType(I_ResponseData* response) {
    char* type = nullptr;
    EXPECT_EQ(OUTCOME(response->GetBlockType(&type, &ret)), kOk);
    return Take(type);
}

std::string KeyValue(I_ResponseData* response, const char* key) {
    char* value = nullptr;
    Outcome outcome = OUTCOME(response->GetKeyValue(Text(key), &value, &ret));
    if (outcome == Condition(ZULERR_NOT_FOUND)) return "<absent>";
    EXPECT_EQ(outcome, kOk) << key;
    return Take(value);
}

std::pair<std::string, std::string> CurrentValue(I_ResponseData* response) {
    char* key = nullptr;
    char* value = nullptr;
    EXPECT_EQ(OUTCOME(response->GetCurrentValue(&key, &value, &ret)), kOk);
    return {Take(key), Take(value)};
}

class ResponseDataTest : public RecordsTest {};

TEST_F(ResponseDataTest, LoadAndWalkTheBlocksAndValues) {
    ComPtr<I_ResponseData> response = NewResponse();
    ASSERT_EQ(OUTCOME(response->LoadMem(Text(kAnswer), &ret)), kOk);
    EXPECT_EQ(BlockType(response.Get()), "CheckinResult");
    EXPECT_EQ(KeyValue(response.Get(), "status"), "ok");

    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("channel"), &ret)), kOk);
    EXPECT_EQ(KeyValue(response.Get(), "GUID"), kChannelId);
    EXPECT_EQ(KeyValue(response.Get(), "Name"), "KV Laptop");  // the first of two
    EXPECT_EQ(KeyValue(response.Get(), "URL"), "http://host/a?b=c");
    EXPECT_EQ(KeyValue(response.Get(), "Missing"), "<absent>");

    EXPECT_EQ(OUTCOME(response->RewindValue(&ret)), kOk);
    EXPECT_EQ(CurrentValue(response.Get()), std::make_pair(std::string("Name"), std::string("KV Laptop")));
    EXPECT_EQ(OUTCOME(response->NextValue(&ret)), kOk);
    EXPECT_EQ(CurrentValue(response.Get()), std::make_pair(std::string("URL"), std::string("http://host/a?b=c")));
    EXPECT_EQ(OUTCOME(response->NextValue(&ret)), kOk);
    EXPECT_EQ(OUTCOME(response->NextValue(&ret)), Condition(ZULERR_NOT_FOUND));
    char* key = reinterpret_cast<char*>(1);
    char* value = reinterpret_cast<char*>(1);
    EXPECT_EQ(OUTCOME(response->GetCurrentValue(&key, &value, &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(value, nullptr);

    // The walks report with S_OK; only ret tells the outcome.
    EXPECT_EQ(OUTCOME(response->NextBlock(Text("Channel"), &ret)), kOk);
    EXPECT_EQ(KeyValue(response.Get(), "Name"), "Other");
    EXPECT_EQ(OUTCOME(response->NextBlock(Text("Channel"), &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(response->NextBlock(Text("Channel"), &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("FileSet"), &ret)), Condition(ZULERR_NOT_FOUND));
    // Past the end the block-level methods see an empty block.
    EXPECT_EQ(BlockType(response.Get()), "");
    EXPECT_EQ(KeyValue(response.Get(), "GUID"), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(OUTCOME(response->WriteCurrentBlockToRegistry(&ret)), Condition(ZULERR_BAD_GUID));
}

TEST_F(ResponseDataTest, NothingLoadedAnswersNotFound) {
    ComPtr<I_ResponseData> response = NewResponse();
    char* text = reinterpret_cast<char*>(1);
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("Channel"), &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(response->GetBlockType(&text, &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(OUTCOME(response->RewindValue(&ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(response->SetKeyValue(Text("A"), Text("1"), &ret)), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(OUTCOME(response->WriteCurrentBlockToRegistry(&ret)), Condition(ZULERR_NOT_FOUND));
}

TEST_F(ResponseDataTest, FailedLoadKeepsTheBlocksBeforeTheFault) {
    ComPtr<I_ResponseData> response = NewResponse();
    EXPECT_EQ(OUTCOME(response->LoadMem(Text("A\n{\nk=v\n}\nB\n{\nno equals sign\n}\n"), &ret)),
              Failed(ZULERR_PARSE_ERROR));
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("A"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("B"), &ret)), Condition(ZULERR_NOT_FOUND));

    EXPECT_EQ(OUTCOME(response->LoadMem(Text("X\n{\nGuid=not-a-guid\n}\n"), &ret)), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(OUTCOME(response->LoadMem(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(OUTCOME(response->LoadMem(Text(""), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("A"), &ret)), Condition(ZULERR_NOT_FOUND));
}

TEST_F(ResponseDataTest, LoadFileReadsTheWholeFile) {
    char directory[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof directory, directory), 0u);
    const std::string path = std::string(directory) + "records_test_ItemInfo.dat";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fputs(kAnswer, file);
    std::fclose(file);

    ComPtr<I_ResponseData> response = NewResponse();
    EXPECT_EQ(OUTCOME(response->LoadFile(Text(path.c_str()), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->RewindBlock(Text("Channel"), &ret)), kOk);
    EXPECT_EQ(KeyValue(response.Get(), "Name"), "KV Laptop");
    DeleteFileA(path.c_str());

    EXPECT_EQ(OUTCOME(response->LoadFile(Text(path.c_str()), &ret)), Failed(ZULERR_FILE_READ_FAILED));
    EXPECT_EQ(OUTCOME(response->LoadFile(nullptr, &ret)), Failed(ZULERR_INVALID_ARGUMENT));
}

TEST_F(ResponseDataTest, WriteCurrentBlockStoresItAsARecordOfItsType) {
    WriteValue(kChannelKey, "Subscribed", "1");
    WriteValue(kChannelKey, "Name", "Old");
    ComPtr<I_ResponseData> response = NewResponse();
    ASSERT_EQ(OUTCOME(response->LoadMem(Text(kAnswer), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->WriteCurrentBlockToRegistry(&ret)), Condition(ZULERR_BAD_GUID));  // no id
    EXPECT_FALSE(KeyExists(std::string(ProductKeys::kZUL) + "\\CheckinResult"));

    ASSERT_EQ(OUTCOME(response->RewindBlock(Text("Channel"), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->WriteCurrentBlockToRegistry(&ret)), kOk);
    EXPECT_EQ(ReadValue(kChannelKey, "Name"), "Second");  // duplicates written in order: the last wins
    EXPECT_EQ(ReadValue(kChannelKey, "URL"), "http://host/a?b=c");
    EXPECT_EQ(ReadValue(kChannelKey, "Subscribed"), "1");  // left alone
    EXPECT_FALSE(ReadValue(kChannelKey, "Guid").has_value());

    // The stored block reads back as a channel record.
    ComPtr<I_ChannelInfo> channel;
    ASSERT_EQ(OUTCOME(OpenChannelInfo(kChannelId, channel.GetAddressOf(), &ret)), kOk);
    char* name = nullptr;
    EXPECT_EQ(OUTCOME(channel->GetProp(Text("name"), &name, &ret)), kOk);
    EXPECT_EQ(Take(name), "Second");
}

TEST_F(ResponseDataTest, FirstFailingWriteEndsTheStore) {
    // A value name beyond the registry's limit cannot be written; the values before it stay.
    const std::string text = std::string("Item\n{\nGuid=") + kChannelId + "\nA=1\n" + std::string(20000, 'n') +
                             "=2\nC=3\n}\n";
    ComPtr<I_ResponseData> response = NewResponse();
    ASSERT_EQ(OUTCOME(response->LoadMem(Text(text.c_str()), &ret)), kOk);
    EXPECT_EQ(OUTCOME(response->WriteCurrentBlockToRegistry(&ret)), Condition(ZULERR_REG_SET_VALUE_FAILED));
    const std::string key = std::string(kItemsKey) + "\\" + kChannelId;
    EXPECT_EQ(ReadValue(key, "A"), "1");
    EXPECT_FALSE(ReadValue(key, "C").has_value());
}

}  // namespace
