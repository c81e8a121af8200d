// Shared set-up of the front-end's tests under Wine: a registered channel manager, the updater
// stand-in in a scratch maker directory, the front-end's settings and Start-menu folders reset.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/ProductKeys.h"
#include "frontend/VelorinIds.h"

namespace frontendtest {

constexpr const char* kVelorinKey = VelorinIds::kSettingsKey;
constexpr const char* kRunKey = ProductKeys::kRun;
constexpr const char* kChannelKey = ProductKeys::kChannels;

class FrontendTest : public ::testing::Test {
protected:
    // Once per program: the manager registered (classes, proxies) with a scratch directory.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs ZULVelorin.exe with args and answers its exit code (999 when it did not end).
    DWORD Velorin(const std::string& args, DWORD timeoutMs = 60000);
    // The updater stand-in's log lines; the lines of runs started without waiting
    // ("-enableupdates ZULVelorin"/"-disableupdates ZULVelorin") are left out unless asked for.
    std::vector<std::string> UpdaterLog(bool withSwitches = false) const;
    void ClearUpdaterLog() const;
    // A connection to the channel manager (in its own process).
    Microsoft::WRL::ComPtr<I_ZULManager> Manager();
    // Records a server answer through the manager, as a check-in would.
    void ProcessAnswer(const std::string& answer);

    std::string maker;
    std::string startMenu;
    Microsoft::WRL::ComPtr<I_ZULManager> m_manager;
};

// The all-users Start menu of the prefix.
std::string CommonStartMenu();
// "<bin>\ZULVelorin.exe" in the form the program sees for itself, and its folder.
std::string VelorinExe();
std::string VelorinDir();
// The Run value the front-end writes: "\"<exe>\" -boot".
std::string BootRunValue();
void RemoveTree(const std::string& path);
bool IsHidden(const std::string& path);

// A shell link read back through IShellLinkA.
struct LinkInfo {
    std::string target, arguments, workingDir, iconPath;
    int iconIndex = -1;
    bool read = false;
};
LinkInfo ReadLink(const std::string& path);

}  // namespace frontendtest
