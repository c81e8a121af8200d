#include "common/UpdaterLines.h"

namespace UpdaterLines {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The pieces common to registering and leaving, up to the update and verify types.
std::string CommonHead(const UpdaterApp& app, const std::string& appPath, const std::string& updateUrl) {
    std::string line = "-registerapp ";
    line += app.name;
    line += " -applongname " + Quoted(app.longName);
    line += " -appexe \"\"";
    line += " -apppath " + Quoted(appPath);
    line += " -updateurl " + Quoted(updateUrl);
    line += " -downloadtype 1";
    return line;
}

}  // namespace

std::string RegisterLine(const UpdaterApp& app, const std::string& appPath, const std::string& updateUrl,
                         const std::optional<std::string>& distId) {
    std::string line = CommonHead(app, appPath, updateUrl);
    line += " -updatetype 3 -verifytype 2 -updateinterval 15000";
    if (distId) line += " -distid " + Quoted(*distId);
    return line;
}

std::string LeaveLine(const UpdaterApp& app, const std::string& appPath, const std::string& updateUrl) {
    return CommonHead(app, appPath, updateUrl) + " -updatetype 1 -verifytype 1 -updateinterval 15000";
}

std::string EnableLine(const char* appName) { return std::string(" -enableupdates ") + appName; }
std::string DisableLine(const char* appName) { return std::string(" -disableupdates ") + appName; }
std::string UnregisterLine(const char* appName) { return std::string(" -unregisterapp ") + appName; }

}  // namespace UpdaterLines

std::string StripTrailing(std::string_view text, std::string_view set) {
    size_t end = text.size();
    while (end > 0 && set.find(text[end - 1]) != std::string_view::npos) --end;
    return std::string(text.substr(0, end));
}
