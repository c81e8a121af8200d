// The data that the package hands to its presets action: "manager directory|channel list|
// distribution identifier", formatted by Windows Installer from the package's properties.
#pragma once

#include <string>
#include <string_view>

struct PresetsData {
    std::string directory;  // without trailing separators (a drive root keeps its "\")
    std::string channels;   // the SUBSCRIBEDCHANNELS property as given, or ""
    std::string distId;     // the DISTID property as given, or ""
};

// The first two fields end at the next "|"; the distribution identifier takes the rest, "|"
// included (a directory or a list of channel GUIDs holds no "|"). Missing fields are empty.
[[nodiscard]] PresetsData ParsePresetsData(std::string_view data);
