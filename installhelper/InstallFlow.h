// The install helper's installation through the channel manager: creating the manager,
// preparing the package's item description and the silent install. The steps that reach
// outside (manager creation, the package directory) are swappable so that tests can run the
// flow against a manager of their own process.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "common/ComResult.h"
#include "common/DiagnosticLog.h"

struct InstallSteps {
    // Creates the channel manager (default: through COM, in-process or local server).
    std::function<HRESULT(Microsoft::WRL::ComPtr<I_ZULManager>&)> createManager;
    // The package directory (default: the current directory).
    std::function<std::string()> packageDirectory;
};

// The install helper's name in the diagnostic log.
constexpr char kInstallHelperName[] = "TYInstallHelper";

// Runs one install step and leaves its line in the diagnostic log: the step, the item or
// directory it worked on, the outcome and how long it took.
template <class Step>
Outcome LoggedStep(const char* step, const std::string& subject, Step run) {
    const C_OutcomeClock clock;
    const Outcome result = run();
    LogOutcome(step, subject.c_str(), result.hr, result.ret, clock);
    return result;
}

// The exit code of an outcome: its ZULError; ZULERR_FAILED for a failure that carries no code.
int ExitCodeOf(const Outcome& result);

// The steps of a real run.
InstallSteps DefaultInstallSteps();

// Exit code of a silent install whose manager cannot be created.
constexpr int kNoManagerExitCode = -1;

// Loads "<directory>\ItemInfo.dat" into an empty response object of the manager and makes every
// relative FileSet "SourceURL" a full path under directory. ZULERR_FILE_NOT_FOUND without the
// file; ZULERR_NOT_FOUND (under S_FALSE) when it describes no "Item", so nothing is installed.
[[nodiscard]] Outcome PrepareItemDescription(I_ZULManager* manager, const std::string& directory,
                                                   Microsoft::WRL::ComPtr<I_ResponseData>& description);

// The silent install: the ZULError of the processing, of a failed preparation, or -1 when the
// manager cannot be created.
[[nodiscard]] int RunSilentInstall(const InstallSteps& steps);
