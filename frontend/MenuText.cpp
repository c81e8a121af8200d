#include "frontend/MenuText.h"

#include <cctype>
#include <vector>

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

namespace {
std::vector<std::string_view> FolderParts(std::string_view path) {
    const size_t cut = path.find(kDefaultUpdatedSuffix);
    if (cut != std::string_view::npos) path = path.substr(0, cut);
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t separator = path.find_first_of("\\/", start);
        parts.push_back(path.substr(start, separator == std::string_view::npos ? separator : separator - start));
        if (separator == std::string_view::npos) return parts;
        start = separator + 1;
    }
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}
}  // namespace

bool SameChannelFolder(std::string_view a, std::string_view b) {
    const std::vector<std::string_view> left = FolderParts(a), right = FolderParts(b);
    if (left.size() != right.size()) return false;
    for (size_t i = 0; i < left.size(); ++i) {
        if (!EqualIgnoringCase(left[i], right[i])) return false;
    }
    return true;
}

}  // namespace MenuText
