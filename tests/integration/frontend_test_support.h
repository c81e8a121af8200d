// Shared set-up of the front-end's tests under Wine: a registered channel manager, the updater
// stand-in in a scratch maker directory, the front-end's settings and Start-menu folders reset.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/VelorinIds.h"

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
    // The same for a start that tells the user something: presses OK in the message box of each
    // caption in turn as it appears.
    DWORD VelorinAnsweringOk(const std::string& args, const std::vector<std::string>& captions);
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
bool IsHidden(const std::string& path);

// Pages the shell opens are recorded instead of shown: ".html" files open with the test
// install program, which appends each command line to the log file.
void RecordOpenedPages(const std::string& log);
// The logged command lines (each naming one opened page).
std::vector<std::string> OpenedPages(const std::string& log);

// A front-end start the test answers while it runs (its message boxes, its tray).
class RunningVelorin {
public:
    explicit RunningVelorin(const std::string& args);
    // The exit code, or 999 when it did not end within timeoutMs.
    DWORD Wait(DWORD timeoutMs = 60000);
    DWORD Id() const { return m_id; }

private:
    UniqueHandle m_process;
    DWORD m_id = 0;
};

// A shell link read back through IShellLinkA.
struct LinkInfo {
    std::string target, arguments, workingDir, iconPath;
    int iconIndex = -1;
    bool read = false;
};
LinkInfo ReadLink(const std::string& path);
// Calls visit for every entry under folder, depth first, a folder before what it holds; depth
// is 0 for folder's own entries. An entry for which skip answers true is neither visited nor
// walked into; links (reparse points) are visited but not walked into.
void WalkFolderTree(const std::string& folder,
                    const std::function<void(const std::string& path, const WIN32_FIND_DATAA& entry, int depth)>& visit,
                    const std::function<bool(const std::string& path)>& skip = {});
// Prints the folder tree as a person would check it: each shortcut with its target, arguments,
// working folder and icon; hidden entries marked.
void PrintShortcutTree(const std::string& folder, std::ostream& out, const std::string& indent = "  ");

}  // namespace frontendtest
