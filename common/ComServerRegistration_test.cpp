#include "common/ComServerRegistration.h"

#include <gtest/gtest.h>

#include <string>

#include "ZULVelorin.h"
#include "common/Handles.h"
#include "common/RegistryHelpers.h"
#include "common/TestSupport.h"

namespace {

constexpr char kAppId[] = "{AB1D659E-3CD2-13E8-5A8D-E6EABF0E0DB4}";
constexpr char kClassKey[] = "CLSID\\{1E43FD7B-E567-202F-9675-EBFC99A584C9}";
constexpr char kLibraryKey[] = "TypeLib\\{D584FC7E-C938-2AC4-74AA-AAFB56FDF393}";

std::string Read(const std::string& key, const char* value = nullptr) {
    char buffer[512];
    return RegReadValue(HKEY_CLASSES_ROOT, key.c_str(), value, buffer, sizeof buffer) == ERROR_SUCCESS
               ? std::string(buffer) : std::string("<missing>");
}

bool KeyExists(const std::string& key) {
    UniqueRegKey opened;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

}  // namespace

// A one-class server (the front-end's layout) whose type library lies beside the program as a
// ".tlb" file: everything is written, and removal leaves the parent keys.
TEST(ComServerRegistration, WritesAndRemovesAOneClassServer) {
    testsupport::ScratchDirectory directory("comserver");
    ASSERT_TRUE(CopyFileA((testsupport::ProgramDirectory() + "\\..\\idl\\ZULVelorin.tlb").c_str(),
                          (directory / "ZULVelorin.tlb").c_str(), FALSE));
    const std::string program = directory / "ZULVelorin.exe";
    const ServedClass classes[] = {{&CLSID_ItemInstaller_Velo, nullptr, "ZULVelorin.ItemInstaller_Velo.1",
                                    "ZULVelorin.ItemInstaller_Velo", "ItemInstaller_Velo Class"}};
    const LocalServerTable server = {kAppId, "ZULVelorin", "ZULVelorin.EXE", {&LIBID_ZULVELORINLib, 1, 0}, classes};

    ASSERT_EQ(RegisterComServer(server, program.c_str()), S_OK);
    EXPECT_EQ(Read(std::string("AppID\\") + kAppId), "ZULVelorin");
    EXPECT_EQ(Read("AppID\\ZULVelorin.EXE", "AppID"), kAppId);
    EXPECT_EQ(Read("ZULVelorin.ItemInstaller_Velo.1\\CLSID"), "{1E43FD7B-E567-202F-9675-EBFC99A584C9}");
    EXPECT_EQ(Read("ZULVelorin.ItemInstaller_Velo\\CurVer"), "ZULVelorin.ItemInstaller_Velo.1");
    EXPECT_EQ(Read(kClassKey), "ItemInstaller_Velo Class");
    EXPECT_EQ(Read(kClassKey, "AppID"), kAppId);
    EXPECT_EQ(Read(std::string(kClassKey) + "\\VersionIndependentProgID"), "ZULVelorin.ItemInstaller_Velo");
    EXPECT_EQ(Read(std::string(kClassKey) + "\\LocalServer32"), program);
    EXPECT_EQ(Read(std::string(kClassKey) + "\\TypeLib"), "{D584FC7E-C938-2AC4-74AA-AAFB56FDF393}");
    EXPECT_TRUE(KeyExists(std::string(kLibraryKey) + "\\1.0"));

    EXPECT_EQ(UnregisterComServer(server), S_OK);
    for (const std::string& key : {std::string("AppID\\") + kAppId, std::string("AppID\\ZULVelorin.EXE"),
                                  std::string("ZULVelorin.ItemInstaller_Velo.1"),
                                  std::string("ZULVelorin.ItemInstaller_Velo"), std::string(kClassKey),
                                  std::string(kLibraryKey) + "\\1.0"})
        EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_TRUE(KeyExists("AppID"));
    EXPECT_TRUE(KeyExists("CLSID"));
}
