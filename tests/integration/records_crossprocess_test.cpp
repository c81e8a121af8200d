// Record objects used from another process: the manager in ZULMan hands out ResponseData,
// ZULItem, ItemEnum, FS_Info and ChannelInfo objects, and every text they hand out travels back
// through the proxy/stub library.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "ZULMan.h"
#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

constexpr char kItemId[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
constexpr char kFileSetId[] = "{5D8C1F33-0B7A-4E21-9C3D-2F6A8B9E0C11}";
constexpr char kChannelId[] = "{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}";
const std::string kFileSetKey = std::string(ProductKeys::kFileSets) + "\\" + kFileSetId;
const std::string kChannelKey = std::string(ProductKeys::kChannels) + "\\" + kChannelId;
const std::string kItemKey = std::string(ProductKeys::kItems) + "\\" + kItemId;

// Longer than a marshalling buffer's first guess, with characters beyond ASCII.
const std::string kLongValue = std::string(900, 'v') + "\xE9\xFC";

constexpr char kAnswer[] =
    "CheckinResult\n{\n  Status=ok\n  Interval=3600\n}\n"
    "Item\n{\n  GUID={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}\n  Name=Demo Game\n  InstallArgs=/s /q\n}\n";

char* Text(const char* text) { return const_cast<char*>(text); }

// Takes ownership of a text handed out across the process boundary.
std::string Take(char* text) {
    if (!text) return "<null>";
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}

class RecordsCrossProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kTessary);
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    }
    static void TearDownTestSuite() { DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kTessary); }

    void SetUp() override {
        StopAllManagers();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                                   reinterpret_cast<void**>(m_manager.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override {
        m_manager.Reset();
        CoUninitialize();
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kItems);
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kFileSets);
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kChannels);
    }

    ComPtr<I_ZULManager> m_manager;
};

TEST_F(RecordsCrossProcess, ResponseDataIsWalkedFromTheClient) {
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(m_manager->GetResponseData(response.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);

    ASSERT_EQ(response->LoadMem(Text(kAnswer), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);

    char* text = nullptr;
    ASSERT_EQ(response->GetBlockType(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), "CheckinResult");
    ASSERT_EQ(response->GetKeyValue(Text("Interval"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), "3600");

    ASSERT_EQ(response->RewindBlock(Text("Item"), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
    ASSERT_EQ(response->GetKeyValue(Text("guid"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), kItemId);
    ASSERT_EQ(response->SetKeyValue(Text("Long"), Text(kLongValue.c_str()), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);

    // Both texts of every entry come back, in order.
    ASSERT_EQ(response->RewindValue(&ret), S_OK);
    std::string walked;
    while (ret == ZULERR_SUCCESS) {
        char* key = nullptr;
        char* value = nullptr;
        ASSERT_EQ(response->GetCurrentValue(&key, &value, &ret), S_OK);
        ASSERT_EQ(ret, ZULERR_SUCCESS);
        walked += Take(key) + "=" + Take(value) + ";";
        ASSERT_EQ(response->NextValue(&ret), S_OK);
    }
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);
    EXPECT_EQ(walked, "Name=Demo Game;InstallArgs=/s /q;Long=" + kLongValue + ";");

    // A text that is absent comes back as a null pointer.
    text = Text("untouched");
    ASSERT_EQ(response->GetKeyValue(Text("Missing"), &text, &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);
    EXPECT_EQ(text, nullptr);

    // The block stored from the client's side lands in the registry of the machine.
    ASSERT_EQ(response->WriteCurrentBlockToRegistry(&ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kItemKey, "InstallArgs"), "/s /q");
}

TEST_F(RecordsCrossProcess, ItemRecordIsEditedAndEnumeratedFromTheClient) {
    ComPtr<I_ZULItem> item;
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(m_manager->GetItemInfo(Text(kItemId), item.GetAddressOf(), &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);  // not stored yet, handed out bound to its id
    ASSERT_TRUE(item);

    ASSERT_EQ(item->SetProp(Text("Type"), Text(kItemId), &ret), S_OK);
    ASSERT_EQ(item->SetProp(Text("Description"), Text(kLongValue.c_str()), &ret), S_OK);
    ASSERT_EQ(item->Flush(&ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kItemKey, "Description"), kLongValue);

    char* text = nullptr;
    ASSERT_EQ(item->GetProp(Text("description"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), kLongValue);
    ASSERT_EQ(item->GetGUID(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), kItemId);
    text = Text("untouched");
    EXPECT_EQ(item->GetProp(Text("Missing"), &text, &ret), S_FALSE);
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);
    EXPECT_EQ(text, nullptr);

    // A bad id reaches the client as S_FALSE with ZULERR_BAD_GUID, without an object.
    ComPtr<I_ZULItem> none;
    EXPECT_EQ(m_manager->GetItemInfo(Text("{A1E29D92}"), none.GetAddressOf(), &ret), S_FALSE);
    EXPECT_EQ(ret, ZULERR_BAD_GUID);
    EXPECT_FALSE(none);
    ComPtr<I_ChannelInfo> noChannel;
    EXPECT_EQ(m_manager->GetChannelInfo(Text("{A1E29D92-F94C-3D9C-CF8D-E58406789B1G}"), noChannel.GetAddressOf(), &ret), S_FALSE);
    EXPECT_EQ(ret, ZULERR_BAD_GUID);

    ComPtr<I_ItemEnum> items;
    ASSERT_EQ(m_manager->EnumItems(items.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(items->Rewind(Text(kItemId), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
    ASSERT_EQ(items->GetGUID(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), kItemId);
    ComPtr<I_ZULItem> listed;
    ASSERT_EQ(items->GetItem(listed.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(listed->GetProp(Text("Type"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), kItemId);
}

TEST_F(RecordsCrossProcess, FileSetAndChannelRecordsAreReadFromTheClient) {
    WriteString(HKEY_LOCAL_MACHINE, kFileSetKey, "Name", "Maps");
    WriteString(HKEY_LOCAL_MACHINE, kFileSetKey, "SourceURL", "http://host/maps.FileSet");
    WriteString(HKEY_LOCAL_MACHINE, kFileSetKey, "LocalPath", "C:\\ZUL\\maps.FileSet");
    WriteString(HKEY_LOCAL_MACHINE, kFileSetKey, "Flags", "12abc");
    WriteString(HKEY_LOCAL_MACHINE, kFileSetKey, "Size", kLongValue);
    WriteString(HKEY_LOCAL_MACHINE, kChannelKey, "Name", "News");

    ComPtr<I_FS_Info> fileSet;
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(m_manager->GetFileSetInfo(Text(kFileSetId), fileSet.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
    char* text = nullptr;
    ASSERT_EQ(fileSet->GetName(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), "Maps");
    ASSERT_EQ(fileSet->GetSourceURL(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), "http://host/maps.FileSet");
    ASSERT_EQ(fileSet->GetLocalPath(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), "C:\\ZUL\\maps.FileSet");
    ASSERT_EQ(fileSet->GetProperty(Text("size"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), kLongValue);
    ULONG flags = 0;
    ASSERT_EQ(fileSet->GetFlags(&flags, &ret), S_OK);
    EXPECT_EQ(flags, 12u);

    ComPtr<I_ChannelInfo> channel;
    ASSERT_EQ(m_manager->GetChannelInfo(Text(kChannelId), channel.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
    ASSERT_EQ(channel->GetProp(Text("Name"), &text, &ret), S_OK);
    EXPECT_EQ(Take(text), "News");
    ASSERT_EQ(channel->GetGUID(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), kChannelId);

    // A blank record has no id: its text is the all-zero GUID's.
    ComPtr<I_ChannelInfo> blank;
    ASSERT_EQ(m_manager->GetChannelInfo(nullptr, blank.GetAddressOf(), &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    ASSERT_EQ(blank->GetGUID(&text, &ret), S_OK);
    EXPECT_EQ(Take(text), "{00000000-0000-0000-0000-000000000000}");
}

}  // namespace
