// Registering, finding and unregistering item installers; uninstalling through them.
#include <wrl/client.h>

#include "manager/ManagerTestSupport.h"

using Microsoft::WRL::ComPtr;

namespace managertest {
namespace {

constexpr char kOtherType[] = "{3D5E7F90-1234-4A5B-8C6D-7E8F90A1B2C3}";
constexpr char kVeloClsid[] = "{11111111-2222-3333-4444-555555555555}";

class ItemInstallerRegistryTest : public ManagerTest {
protected:
    Outcome Register(const char* type, const char* clsid) {
        return OUTCOME(m_manager->RegisterItemInstaller(Text(type), Text(clsid), &ret));
    }
    Outcome Unregister(const char* type) {
        return OUTCOME(m_manager->UnregisterItemInstaller(Text(type), Text(kVeloClsid), &ret));
    }
    Outcome GetInstaller(const char* type, ComPtr<I_ItemInstaller>& installer) {
        return OUTCOME(m_manager->GetItemInstaller(Text(type), &installer, &ret));
    }
    Outcome Uninstall(const char* item) { return OUTCOME(m_manager->UninstallItem(Text(item), &ret)); }
    void RecordItem(const char* id, const char* type) {
        WriteValue(ItemKey(id), "Name", "an item");
        if (type) WriteValue(ItemKey(id), "Type", type);
    }
};

TEST_F(ItemInstallerRegistryTest, RegistrationIsKeyedByTheCanonicalTypeAndReplacesTheClass) {
    EXPECT_EQ(Register("3d5e7f90-1234-4a5b-8c6d-7e8f90a1b2c3", "first"), kOk);
    EXPECT_EQ(ReadValue(InstallerKey(kOtherType), "CLSID"), "first");
    EXPECT_EQ(Register(kOtherType, kVeloClsid), kOk);
    EXPECT_EQ(ReadValue(InstallerKey(kOtherType), "CLSID"), kVeloClsid);

    EXPECT_EQ(Register("{3D5E7F90-1234-4A5B-8C6D}", kVeloClsid), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Register(nullptr, kVeloClsid), Failed(ZULERR_BAD_GUID));
}

TEST_F(ItemInstallerRegistryTest, UnregistrationNeedsTheBracedTypeAndNeverTouchesOtherTypes) {
    ASSERT_EQ(Register(kOtherType, kVeloClsid), kOk);
    WriteValue(InstallerKey(kOtherType) + "\\Sub", "x", "y");

    // Neither a missing, an empty nor a separator-only type may reach the installers' key.
    EXPECT_EQ(Unregister(nullptr), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(Unregister(""), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(Unregister("\\"), Failed(ZULERR_INVALID_ARGUMENT));
    EXPECT_EQ(Unregister("3D5E7F90-1234-4A5B-8C6D-7E8F90A1B2C3"), Failed(ZULERR_FAILED));
    EXPECT_TRUE(recordtest::KeyExists(InstallerKey(kOtherType)));
    EXPECT_TRUE(recordtest::KeyExists(InstallerKey(kFakeType)));

    EXPECT_EQ(Unregister("{3d5e7f90-1234-4a5b-8c6d-7e8f90a1b2c3}"), kOk);
    EXPECT_FALSE(recordtest::KeyExists(InstallerKey(kOtherType)));
    EXPECT_TRUE(recordtest::KeyExists(InstallerKey(kFakeType)));
    EXPECT_EQ(Unregister(kOtherType), Failed(ZULERR_FAILED));
}

TEST_F(ItemInstallerRegistryTest, LookupOutcomes) {
    ComPtr<I_ItemInstaller> installer;
    EXPECT_EQ(GetInstaller(kOtherType, installer), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    EXPECT_EQ(installer, nullptr);

    recordtest::CreateKey(InstallerKey(kOtherType));
    WriteValue(InstallerKey(kOtherType), "Other", "x");
    EXPECT_EQ(GetInstaller(kOtherType, installer), Failed(ZULERR_NOT_FOUND));

    WriteValue(InstallerKey(kOtherType), "CLSID", "not a class");
    const Outcome badClass = GetInstaller(kOtherType, installer);
    EXPECT_TRUE(FAILED(badClass.hr));
    EXPECT_EQ(badClass.ret, ZULERR_BAD_GUID);

    WriteValue(InstallerKey(kOtherType), "CLSID", kVeloClsid);
    const Outcome unknownClass = GetInstaller(kOtherType, installer);
    EXPECT_TRUE(FAILED(unknownClass.hr));
    EXPECT_EQ(unknownClass.ret, ZULERR_CREATE_INSTANCE_FAILED);

    const Outcome badType = GetInstaller("not a type", installer);
    EXPECT_TRUE(FAILED(badType.hr));
    EXPECT_EQ(badType.ret, ZULERR_ITEM_TYPE_NOT_SUPPORTED);

    EXPECT_EQ(GetInstaller(kFakeType, installer), kOk);
    EXPECT_NE(installer, nullptr);
}

TEST_F(ItemInstallerRegistryTest, TheDefaultTypeIsServedByZULManWithoutARegistration) {
    // Even a registration pointing elsewhere is not consulted.
    ASSERT_EQ(Register(kDefaultType, kVeloClsid), kOk);
    ComPtr<I_ItemInstaller> installer;
    ASSERT_EQ(GetInstaller(kDefaultType, installer), kOk);
    ASSERT_NE(installer, nullptr);
}

TEST_F(ItemInstallerRegistryTest, UninstallGoesToTheTypesInstallerAndRemovesNothingItself) {
    RecordItem(kItemA, kDefaultType);
    EXPECT_EQ(Uninstall(kItemA), Failed(ZULERR_UNINSTALL_NOT_SUPPORTED));
    EXPECT_EQ(ReadValue(ItemKey(kItemA), "Name"), "an item");

    RecordItem(kItemB, kFakeType);
    EXPECT_EQ(Uninstall("7a3b5c20-2222-4d6e-9f70-8192a3b4c502"), kOk);
    EXPECT_EQ(FakeInstaller().uninstalls, std::vector<std::string>{kItemB});
    EXPECT_EQ(ReadValue(ItemKey(kItemB), "Name"), "an item");
}

TEST_F(ItemInstallerRegistryTest, UninstallFailures) {
    EXPECT_EQ(Uninstall(kItemA), Condition(ZULERR_NOT_FOUND));
    EXPECT_EQ(Uninstall("{7A3B5C20-1111-4D6E}"), Failed(ZULERR_BAD_GUID));
    EXPECT_EQ(Uninstall(nullptr), Failed(ZULERR_BAD_GUID));

    RecordItem(kItemA, nullptr);
    EXPECT_EQ(Uninstall(kItemA), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    RecordItem(kItemB, kOtherType);
    EXPECT_EQ(Uninstall(kItemB), Failed(ZULERR_ITEM_TYPE_NOT_SUPPORTED));
    EXPECT_TRUE(FakeInstaller().uninstalls.empty());
}

}  // namespace
}  // namespace managertest
