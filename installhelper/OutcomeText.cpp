#include "installhelper/OutcomeText.h"

#include <cstdio>
#include <string_view>

#include "common/TextCompare.h"
#include "installhelper/InstallTexts.h"
#include "common/ZULErrorCodes.h"

namespace {

constexpr int32_t kSFalse = 1;
constexpr std::string_view kStartMenuMarker = "Start Menu\\";
constexpr std::string_view kUpdatedSuffix = " (Updated)";
constexpr std::string_view kMenuArrow = " --> ";

// printf into a string of the needed length.
template <class... Args>
std::string Formatted(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<size_t>(length));
    return text;
}

size_t FindNoCase(std::string_view text, std::string_view wanted) {
    if (wanted.size() > text.size()) return std::string_view::npos;
    for (size_t at = 0; at + wanted.size() <= text.size(); ++at)
        if (EqualsNoCase(text.substr(at, wanted.size()), wanted)) return at;
    return std::string_view::npos;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

std::string InstallCaption(const std::string& itemName) {
    return Formatted(InstallTexts::kInstallCaptionFormat, itemName.c_str());
}

std::string PleaseWaitText(const std::string& itemName) {
    return Formatted(InstallTexts::kPleaseWaitFormat, itemName.c_str());
}

bool IsInstallFailure(int32_t hr, uint32_t code) {
    if (hr == 0) return false;
    return !(hr == kSFalse && (code == ZULERR_ALREADY_INSTALLED || code == ZULERR_ALREADY_INSTALLED_FAM ||
                               code == ZULERR_ALREADY_INSTALLED_DEMO));
}

std::string FailureText(const std::string& supportUrl, int32_t hr, uint32_t code) {
    return InstallTexts::kFailedLead + supportUrl +
           Formatted(InstallTexts::kFailedDetailFormat, static_cast<unsigned>(hr), code, ZULErrorText(code));
}

std::string CompletionText(uint32_t code, const std::string& itemName) {
    const char* format = InstallTexts::kSuccessFormat;
    if (code == ZULERR_ALREADY_INSTALLED || code == ZULERR_ALREADY_INSTALLED_FAM)
        format = InstallTexts::kAnotherCopyFormat;
    else if (code == ZULERR_ALREADY_INSTALLED_DEMO)
        format = InstallTexts::kDemoCopyFormat;
    return Formatted(format, itemName.c_str());
}

std::optional<std::string> StartMenuText(const char* menuDir) {
    if (!menuDir) return std::string();
    const std::string_view dir(menuDir);
    const size_t marker = FindNoCase(dir, kStartMenuMarker);
    if (marker == std::string_view::npos) return std::nullopt;
    std::string_view rest = dir.substr(marker + kStartMenuMarker.size());
    std::string text = InstallTexts::kStartMenuLead;
    for (;;) {
        const size_t slash = rest.find('\\');
        if (slash == std::string_view::npos) {
            text += rest;
            return text;
        }
        std::string_view folder = rest.substr(0, slash);
        if (EndsWith(folder, kUpdatedSuffix)) folder.remove_suffix(kUpdatedSuffix.size());
        text += folder;
        text += kMenuArrow;
        rest.remove_prefix(slash + 1);
    }
}

std::string DoubleAmpersands(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string LaunchCheckText(const std::string& itemName) {
    return std::string(InstallTexts::kLaunchLead) + "\"" + DoubleAmpersands(itemName) + "\"" + InstallTexts::kLaunchTail;
}

std::string DesktopCheckText(const std::string& itemName) {
    return std::string(InstallTexts::kDesktopLead) + "\"" + DoubleAmpersands(itemName) + "\"";
}
