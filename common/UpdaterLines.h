// Command lines with which a program registers with, and leaves, the maker's updater program.
// Both programs use the same pieces with their own application names.
#pragma once
#include <optional>
#include <string>
#include <string_view>

struct UpdaterApp {
    const char* name;      // "-registerapp" name, e.g. "ZULManager"
    const char* longName;  // "-applongname" text
};

namespace UpdaterLines {
// "-registerapp NAME -applongname ... -updateinterval 15000", with " -distid \"ID\"" at the end
// when an identifier is given.
std::string RegisterLine(const UpdaterApp& app, const std::string& appPath, const std::string& updateUrl,
                         const std::optional<std::string>& distId);
// The first line of leaving: the register line with update and verify type 1, no identifier.
std::string LeaveLine(const UpdaterApp& app, const std::string& appPath, const std::string& updateUrl);
// " -enableupdates NAME", " -disableupdates NAME", " -unregisterapp NAME".
std::string EnableLine(const char* appName);
std::string DisableLine(const char* appName);
std::string UnregisterLine(const char* appName);
}  // namespace UpdaterLines

// text without the trailing characters that occur in set.
std::string StripTrailing(std::string_view text, std::string_view set);
