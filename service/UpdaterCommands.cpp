#include "service/UpdaterCommands.h"

namespace UpdaterCommands {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The pieces common to registering and leaving, up to the update and verify types.
std::string CommonHead(const std::string& appPath, const std::string& updateUrl) {
    std::string line = "-registerapp ";
    line += kAppName;
    line += " -applongname " + Quoted(kLongName);
    line += " -appexe \"\"";
    line += " -apppath " + Quoted(appPath);
    line += " -updateurl " + Quoted(updateUrl);
    line += " -downloadtype 1";
    return line;
}

}  // namespace

std::string RegisterLine(const std::string& appPath, const std::string& updateUrl,
                         const std::optional<std::string>& distId) {
    std::string line = CommonHead(appPath, updateUrl);
    line += " -updatetype 3 -verifytype 2 -updateinterval 15000";
    if (distId) line += " -distid " + Quoted(*distId);
    return line;
}

std::string LeaveLine(const std::string& appPath, const std::string& updateUrl) {
    return CommonHead(appPath, updateUrl) + " -updatetype 1 -verifytype 1 -updateinterval 15000";
}

std::string EnableLine() { return std::string(" -enableupdates ") + kAppName; }
std::string DisableLine() { return std::string(" -disableupdates ") + kAppName; }
std::string UnregisterLine() { return std::string(" -unregisterapp ") + kAppName; }

std::string AppInfoText(const std::optional<std::string>& machineGuid) {
    if (!machineGuid) return std::string();
    return "[appinfo.dat]\nMachineGuid=" + *machineGuid;
}

}  // namespace UpdaterCommands
