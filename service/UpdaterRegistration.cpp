#include "service/UpdaterRegistration.h"

#include <windows.h>

#include <optional>
#include <string>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/Settings.h"
#include "common/UpdaterClient.h"
#include "common/ZULErrorCodes.h"
#include "service/UpdaterCommands.h"

namespace {

constexpr char kAppInfoFile[] = "TYUpdates\\ZULManager\\appinfo.dat";
constexpr DWORD kAnswerSize = 4096;

std::optional<std::string> ReadProductValue(const char* name) {
    char value[1024] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, name, value, sizeof value) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

std::string AppInfoPath() {
    std::string path;
    JoinedPath(GetMakerDirectory(), kAppInfoFile, path);
    return path;
}

bool AlreadyRegistered(const std::string& appPath) {
    char answer[kAnswerSize] = {};
    return GetAppPath(UpdaterCommands::kAppName, answer, sizeof answer) == 0 && answer[0] &&
           lstrcmpiA(answer, appPath.c_str()) == 0;
}

// Writes the information file for the updater; failures are ignored.
void WriteAppInfoFile() {
    const std::string path = AppInfoPath();
    if (!CreateDirectoryTree(path.c_str(), true)) return;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string text = UpdaterCommands::AppInfoText(ReadProductValue(ProductKeys::kMachineGuid));
    DWORD written = 0;
    if (!text.empty()) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// A hung updater holds the manager's start up for the wait limit at most, then counts as a
// failed run; the updater's own failures are not the manager's (its registration is retried at
// the next start).
void Run(const std::string& arguments) {
    DWORD exitCode = 0;
    const C_OutcomeClock clock;
    if (RunUpdater(arguments.c_str(), &exitCode, nullptr, 0, Settings::ProgramWaitMs()) != 0 && exitCode == STILL_ACTIVE)
        LogOutcome("updater wait ran out", arguments.c_str(), HRESULT_FROM_WIN32(WAIT_TIMEOUT), ZULERR_PROCESS_WAIT_FAILED,
                   clock);
}

}  // namespace

void RegisterWithUpdater() {
    const std::string appPath = GetMakerDirectory();
    if (!AlreadyRegistered(appPath)) {
        Run(UpdaterCommands::RegisterLine(appPath, Settings::UpdateURL(), ReadProductValue(ProductKeys::kDistID)));
        Run(UpdaterCommands::EnableLine());
    }
    WriteAppInfoFile();
}

void LeaveUpdater() {
    Run(UpdaterCommands::LeaveLine(GetMakerDirectory(), Settings::UpdateURL()));
    Run(UpdaterCommands::DisableLine());
    Run(UpdaterCommands::UnregisterLine());
}
