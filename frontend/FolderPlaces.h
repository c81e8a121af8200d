// The system's own places on disk and whether a path recorded from a server answer lies in one
// of them: paths are compared in their full, long form, without trailing separators and without
// regard to case.
#pragma once
#include <string>

// The full, long form of path without trailing separators ("." and ".." resolved); empty for an
// empty path or one the system cannot resolve.
std::string CanonicalPath(const std::string& path);
// Whether a and b name the same place.
bool SamePlace(const std::string& a, const std::string& b);
// Whether path lies strictly inside folder.
bool IsInsidePlace(const std::string& path, const std::string& folder);

// The Start menu's Programs folder (all users, else the user's); empty when there is none.
std::string ProgramsDirectory();
// Whether folder is an existing folder inside the Programs folder that holds the marker file
// markerFileName (a folder the front-end made for a channel or an item).
bool IsMarkedMenuFolder(const std::string& folder, const std::string& markerFileName);

// "ProgramFilesDir" joined with "Tessary\Games"; false when the value cannot be read.
bool GamesFolder(std::string& out);
// Whether folder is an application item's installation folder: games folder, then a channel
// folder name, then an item folder name, both plain names.
bool IsGameInstallFolder(const std::string& folder);

// Whether path names a ".lnk" file directly in the user's or the common desktop folder.
bool IsDesktopShortcutPath(const std::string& path);
