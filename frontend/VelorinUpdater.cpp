#include "frontend/VelorinUpdater.h"

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
#include "common/UpdaterLines.h"
#include "frontend/ProgramWaits.h"
#include "common/VelorinIds.h"

namespace {

constexpr UpdaterApp kVelorinApp{VelorinIds::kProgramName, "Tessary ZUL Velorin"};
// After its own registration the front-end switches on the channel manager's updates.
constexpr char kDistIdFile[] = "distid.dat";
constexpr char kDistIdTrailing[] = "\r\n\t ";
constexpr char kDistIdForbidden[] = "\"\r\n";
constexpr DWORD kDistIdLimit = 1024;
constexpr DWORD kAnswerSize = 4096;
constexpr char kAppPathQuery[] = "-getapppath ";

bool RegisteredUnder(const std::string& expected) {
    char answer[kAnswerSize] = {};
    return RunUpdaterBounded(std::string(kAppPathQuery) + VelorinIds::kProgramName, answer, sizeof answer) == 0 &&
           answer[0] && lstrcmpiA(answer, expected.c_str()) == 0;
}

int Run(const std::string& arguments) { return RunUpdaterBounded(arguments); }

// The first kDistIdLimit bytes of the file, up to a zero byte; none when it cannot be read.
std::optional<std::string> ReadHead(const std::string& file) {
    const UniqueHandle handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return std::nullopt;
    std::string text(kDistIdLimit, '\0');
    DWORD read = 0;
    if (!ReadFile(handle.get(), text.data(), kDistIdLimit, &read, nullptr)) return std::nullopt;
    text.resize(read);
    return std::string(text.c_str());
}

// "distid.dat" in the front-end's folder: its text without trailing blanks and line ends becomes
// "DistID" (in memory); the file is deleted even when it was empty or unreadable. A text with a
// quote or a line break inside is not used: it would add arguments to the updater's command line.
void TakeDistIdFile(VelorinSettings& settings) {
    if (!settings.path) return;
    std::string file;
    JoinedPath(*settings.path, kDistIdFile, file);
    if (!FileExists(file.c_str())) return;
    if (const std::optional<std::string> head = ReadHead(file)) {
        const std::string text = StripTrailing(*head, kDistIdTrailing);
        if (text.find_first_of(kDistIdForbidden) == std::string::npos) settings.distId = text;
    }
    DeleteFileA(file.c_str());
}

}  // namespace

int RegisterWithUpdater(VelorinSettings& settings) {
    TakeDistIdFile(settings);
    const std::string makerDir = GetMakerDirectory();
    if (RegisteredUnder(makerDir)) return 0;
    if (Run(UpdaterLines::RegisterLine(kVelorinApp, makerDir, Settings::UpdateURL(), settings.distId)) != 0) return 1;
    // The manager's own start enables it again.
    LogIfCodeFailed("updater enable", kManagerUpdaterApp, static_cast<uint32_t>(Run(UpdaterLines::EnableLine(kManagerUpdaterApp))));
    return 0;
}

void LeaveUpdater() {
    // Each step is tried whatever the one before answered: an uninstall leaves as much as it can.
    LogIfCodeFailed("updater leave", kVelorinApp.name,
                    static_cast<uint32_t>(Run(UpdaterLines::LeaveLine(kVelorinApp, GetMakerDirectory(), Settings::UpdateURL()))));
    LogIfCodeFailed("updater disable", VelorinIds::kProgramName, static_cast<uint32_t>(Run(UpdaterLines::DisableLine(VelorinIds::kProgramName))));
    LogIfCodeFailed("updater unregister", VelorinIds::kProgramName,
                    static_cast<uint32_t>(Run(UpdaterLines::UnregisterLine(VelorinIds::kProgramName))));
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
            LogIfFalse("save front-end settings", nullptr, settings.Save());
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
