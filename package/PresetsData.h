// The data that the package hands to its presets action: "manager directory|front-end directory|
// channel list|publisher key|distribution identifier", formatted by Windows Installer from the
// package's directories and properties (checked before: none of them holds a "|").
#pragma once

#include <string>
#include <string_view>

struct PresetsData {
    std::string directory;          // the manager's, without trailing separators (a drive root keeps its "\")
    std::string frontEndDirectory;  // the same for the front-end
    std::string channels;           // the SUBSCRIBEDCHANNELS property as given, or ""
    std::string publisherKey;       // the PUBLISHERKEY property as given, or ""
    std::string distId;             // the DISTID property as given, or ""
};

// Fields end at the next "|"; the last one takes the rest. Missing fields are empty.
[[nodiscard]] PresetsData ParsePresetsData(std::string_view data);

// A directory without trailing separators; a drive root ("C:\") keeps its separator.
[[nodiscard]] std::string TrimmedDirectory(std::string_view directory);
