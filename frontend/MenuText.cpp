#include "frontend/MenuText.h"

namespace MenuText {

std::string ChannelMarker(std::string_view channelGuid) {
    return "ZUL-Channel-Dir-" + std::string(channelGuid);
}

std::string MarkerFileName(std::string_view channelGuid) { return MarkerFileNameFor(ChannelMarker(channelGuid)); }

std::string MarkerFileText(std::string_view channelGuid) { return MarkerFileTextFor(ChannelMarker(channelGuid)); }

std::string MarkerFileNameFor(std::string_view marker) { return "ZULVelorin-" + std::string(marker) + ".txt"; }

std::string MarkerFileTextFor(std::string_view marker) {
    return "This file identifies the " + std::string(marker) +
           " directory for Tessary ZUL Velorin.\n\nDeleting this file is NOT recommended.";
}

std::string DisplayName(std::string_view menuName) {
    size_t separator = menuName.find_last_of("\\/");
    return std::string(separator == std::string_view::npos ? menuName : menuName.substr(separator + 1));
}

std::string OptionShortcutName(OptionShortcut which, std::string_view displayName) {
    const std::string name(displayName);
    switch (which) {
        case OptionShortcut::About: return "About " + name + " Menu.lnk";
        case OptionShortcut::TurnOn: return "Turn on " + name + ".lnk";
        case OptionShortcut::TurnOff: return "Turn off " + name + ".lnk";
    }
    return std::string();
}

std::string OptionShortcutArguments(OptionShortcut which, std::string_view channelGuid) {
    const std::string guid(channelGuid);
    switch (which) {
        case OptionShortcut::About: return "-AboutChannel " + guid;
        case OptionShortcut::TurnOn: return "-Subscribe " + guid;
        case OptionShortcut::TurnOff: return "-Unsubscribe " + guid;
    }
    return std::string();
}

int OptionShortcutIcon(OptionShortcut which) {
    switch (which) {
        case OptionShortcut::About: return 1;
        case OptionShortcut::TurnOn: return 4;
        case OptionShortcut::TurnOff: return 5;
    }
    return 0;
}

std::string WithUpdatedMark(std::string_view path, std::string_view suffix) {
    if (suffix.empty() || path.find(suffix) != std::string_view::npos) return std::string(path);
    return std::string(path) + std::string(suffix);
}

std::string WithoutUpdatedMark(std::string_view path, std::string_view suffix) {
    size_t at = suffix.empty() ? std::string_view::npos : path.find(suffix);
    return std::string(at == std::string_view::npos ? path : path.substr(0, at));
}

}  // namespace MenuText
