#include "service/UpdaterCommands.h"

#include "common/UpdaterLines.h"

namespace UpdaterCommands {
namespace {
constexpr UpdaterApp kManagerApp{kAppName, kLongName};
}  // namespace

std::string RegisterLine(const std::string& appPath, const std::string& updateUrl,
                         const std::optional<std::string>& distId) {
    return UpdaterLines::RegisterLine(kManagerApp, appPath, updateUrl, distId);
}

std::string LeaveLine(const std::string& appPath, const std::string& updateUrl) {
    return UpdaterLines::LeaveLine(kManagerApp, appPath, updateUrl);
}

std::string EnableLine() { return UpdaterLines::EnableLine(kAppName); }
std::string DisableLine() { return UpdaterLines::DisableLine(kAppName); }
std::string UnregisterLine() { return UpdaterLines::UnregisterLine(kAppName); }

std::string AppInfoText(const std::optional<std::string>& machineGuid) {
    if (!machineGuid) return std::string();
    return "[appinfo.dat]\nMachineGuid=" + *machineGuid;
}

}  // namespace UpdaterCommands
