// Names and texts of a channel's Start-menu folder: the marker that identifies the folder, the
// option shortcuts' names and arguments, and the updated mark on the folder's name.
#pragma once
#include <string>
#include <string_view>

namespace MenuText {
constexpr char kOptionsFolder[] = "- Options -";
constexpr char kDefaultUpdatedSuffix[] = " (Updated)";

// "ZUL-Channel-Dir-" + the channel GUID as the record gives it (braces included).
std::string ChannelMarker(std::string_view channelGuid);
// "ZULVelorin-" + marker + ".txt".
std::string MarkerFileName(std::string_view channelGuid);
// The marker file's bytes (no terminating zero, no final line end).
std::string MarkerFileText(std::string_view channelGuid);
// The same for any folder marker (an installed item's folder is marked with the item's GUID):
// "ZULVelorin-" + marker + ".txt" and its text.
std::string MarkerFileNameFor(std::string_view marker);
std::string MarkerFileTextFor(std::string_view marker);

// The channel's name in shortcut names: the last path component of its menu name.
std::string DisplayName(std::string_view menuName);

enum class OptionShortcut { About, TurnOn, TurnOff };
constexpr OptionShortcut kOptionShortcuts[] = {OptionShortcut::About, OptionShortcut::TurnOn, OptionShortcut::TurnOff};
// "About NAME Menu.lnk", "Turn on NAME.lnk", "Turn off NAME.lnk".
std::string OptionShortcutName(OptionShortcut which, std::string_view displayName);
// "-AboutChannel GUID", "-Subscribe GUID", "-Unsubscribe GUID".
std::string OptionShortcutArguments(OptionShortcut which, std::string_view channelGuid);
// Icon index within the front-end executable: 1, 4, 5.
int OptionShortcutIcon(OptionShortcut which);

// The folder path with the updated suffix: unchanged when it holds the suffix anywhere already.
std::string WithUpdatedMark(std::string_view path, std::string_view suffix);
// The folder path cut at the first occurrence of the suffix; unchanged without one.
std::string WithoutUpdatedMark(std::string_view path, std::string_view suffix);
// Whether two channels' "MenuDir" values name the same folder: each cut at the default updated
// suffix, split at "/" and "\", the same number of parts, equal part by part ignoring case.
bool SameChannelFolder(std::string_view a, std::string_view b);
}  // namespace MenuText
