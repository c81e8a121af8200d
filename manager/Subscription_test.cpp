// Subscribing and unsubscribing recorded channels, and the priorities they get.
#include "common/Handles.h"
#include "manager/ManagerTestSupport.h"
#include "common/ProductKeys.h"

namespace managertest {
namespace {

constexpr auto& kChannels = ProductKeys::kChannels;

class SubscriptionTest : public ManagerTest {
protected:
    void RecordChannel(const char* id) { WriteValue(ChannelKey(id), "Name", "a channel"); }
    Outcome Unsubscribe(const char* id) { return OUTCOME(m_manager->UnSubscribeChannel(Text(id), &ret)); }

    static std::optional<DWORD> Counter() {
        DWORD value = 0, type = 0, size = sizeof value;
        UniqueRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kChannels, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS ||
            RegQueryValueExA(key.get(), "ChannelPriCounter", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }
    static void SetCounter(DWORD type, const std::string& bytes) {
        UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kChannels, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key.get(), "ChannelPriCounter", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    }
};

TEST_F(SubscriptionTest, PrioritiesAreHandedOutOnceFromTheCounter) {
    RecordChannel(kChannelA);
    RecordChannel(kChannelB);
    EXPECT_EQ(Counter(), std::nullopt);

    EXPECT_EQ(Subscribe(kChannelA), kOk);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Subscribed"), "1");
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Priority"), "1");
    EXPECT_EQ(Counter(), 2u);

    EXPECT_EQ(Unsubscribe("6f4e2d10-2222-4a2b-8c3d-4e5f60718202"), kOk);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelB), "Subscribed"), "0");
    EXPECT_EQ(ReadValue(ChannelKey(kChannelB), "Priority"), "2");

    // A channel keeps its priority for good.
    EXPECT_EQ(Unsubscribe(kChannelA), kOk);
    EXPECT_EQ(Subscribe(kChannelA), kOk);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Priority"), "1");
    EXPECT_EQ(Counter(), 3u);
}

TEST_F(SubscriptionTest, TheCounterContinuesFromItsStoredValue) {
    const DWORD seven = 7;
    SetCounter(REG_DWORD, std::string(reinterpret_cast<const char*>(&seven), sizeof seven));
    RecordChannel(kChannelA);
    EXPECT_EQ(Subscribe(kChannelA), kOk);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Priority"), "7");
    EXPECT_EQ(Counter(), 8u);
}

TEST_F(SubscriptionTest, AnUntrustworthyCounterStoresNothing) {
    RecordChannel(kChannelA);
    SetCounter(REG_SZ, std::string("5\0", 2));
    EXPECT_EQ(Subscribe(kChannelA), Failed(ZULERR_REG_GET_VALUE_FAILED));
    const DWORD last = 0x7FFFFFFF;
    SetCounter(REG_DWORD, std::string(reinterpret_cast<const char*>(&last), sizeof last));
    EXPECT_EQ(Subscribe(kChannelA), Failed(ZULERR_REG_GET_VALUE_FAILED));
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Subscribed"), std::nullopt);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Priority"), std::nullopt);
}

TEST_F(SubscriptionTest, OnlyRecordedChannelsCanBeSubscribed) {
    EXPECT_EQ(Subscribe(kChannelA), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(Unsubscribe(kChannelA), Condition(ZULERR_NOT_FOUND));
    EXPECT_FALSE(recordtest::KeyExists(ChannelKey(kChannelA)));
    EXPECT_EQ(Counter(), std::nullopt);

    EXPECT_EQ(Subscribe("{6F4E2D10-1111-4A2B-8C3D}"), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Subscribe(nullptr), Failed(ZULERR_BAD_GUID));
}

TEST_F(SubscriptionTest, IsChannelSubscribedReadsExactlyOne) {
    RecordChannel(kChannelA);
    EXPECT_EQ(IsSubscribed(kChannelA), 0);
    for (const char* value : {"0", "11", "1 ", "yes"}) {
        WriteValue(ChannelKey(kChannelA), "Subscribed", value);
        EXPECT_EQ(IsSubscribed(kChannelA), 0) << value;
    }
    WriteValue(ChannelKey(kChannelA), "Subscribed", "1");
    EXPECT_EQ(IsSubscribed("6F4E2D10-1111-4A2B-8C3D-4E5F60718201"), 1);

    EXPECT_EQ(IsSubscribed(kChannelB), 0);
    EXPECT_EQ(IsSubscribed("{6F4E2D10-1111}"), 0);
    EXPECT_EQ(IsSubscribed(nullptr), 0);
}

}  // namespace
}  // namespace managertest
