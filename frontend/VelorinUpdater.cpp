#include "frontend/VelorinUpdater.h"

#include <windows.h>

#include <memory>

#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/Settings.h"
#include "common/UpdaterClient.h"
#include "common/UpdaterLines.h"
#include "frontend/VelorinIds.h"

namespace {

constexpr UpdaterApp kVelorinApp{VelorinIds::kProgramName, "Tessary ZUL Velorin"};
// After its own registration the front-end switches on the channel manager's updates.
constexpr char kManagerAppName[] = "ZULManager";
constexpr char kDistIdFile[] = "distid.dat";
constexpr char kDistIdTrailing[] = "\r\n\t ";
constexpr DWORD kAnswerSize = 4096;

bool RegisteredUnder(const std::string& expected) {
    char answer[kAnswerSize] = {};
    return GetAppPath(VelorinIds::kProgramName, answer, sizeof answer) == 0 && answer[0] &&
           lstrcmpiA(answer, expected.c_str()) == 0;
}

int Run(const std::string& arguments) {
    DWORD exitCode = 0;
    return RunUpdater(arguments.c_str(), &exitCode);
}

// "distid.dat" in the front-end's folder: its text without trailing blanks and line ends becomes
// "DistID" (in memory); the file is deleted even when it was empty or unreadable.
void TakeDistIdFile(VelorinSettings& settings) {
    if (!settings.path) return;
    std::string file;
    JoinedPath(*settings.path, kDistIdFile, file);
    if (!FileExists(file.c_str())) return;
    std::unique_ptr<char[]> text;
    if (ReadWholeFile(file.c_str(), text)) settings.distId = StripTrailing(text.get(), kDistIdTrailing);
    DeleteFileA(file.c_str());
}

}  // namespace

int RegisterWithUpdater(VelorinSettings& settings) {
    TakeDistIdFile(settings);
    const std::string makerDir = GetMakerDirectory();
    if (RegisteredUnder(makerDir)) return 0;
    if (Run(UpdaterLines::RegisterLine(kVelorinApp, makerDir, Settings::UpdateURL(), settings.distId)) != 0) return 1;
    (void)Run(UpdaterLines::EnableLine(kManagerAppName));
    return 0;
}

void LeaveUpdater() {
    (void)Run(UpdaterLines::LeaveLine(kVelorinApp, GetMakerDirectory(), Settings::UpdateURL()));
    (void)Run(UpdaterLines::DisableLine(VelorinIds::kProgramName));
    (void)Run(UpdaterLines::UnregisterLine(VelorinIds::kProgramName));
}

int SwitchMenuUpdates(bool enabled) {
    return SetUpdatesEnabled(VelorinIds::kProgramName, enabled) == 0 ? 0 : 1;
}

int RefreshRunKeyAndUpdaterState(VelorinSettings& settings) {
    int result = 0;
    bool registered = settings.path && RegisteredUnder(*settings.path);
    if (!registered && RegisterWithUpdater(settings) != 0) result = 1;
    else registered = true;

    if (registered) {
        if (!settings.updatesEnabled) {
            settings.updatesEnabled = "true";
            (void)settings.Save();
        } else if (SwitchMenuUpdates(lstrcmpiA(settings.updatesEnabled->c_str(), "true") == 0) != 0) {
            result = 1;
        }
    }

    std::string command(1, '"');
    command += settings.exe.value_or("");
    command += "\" -boot";
    if (RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kRun, VelorinIds::kProgramName, command.c_str()) != ERROR_SUCCESS)
        result = 1;
    return result;
}
