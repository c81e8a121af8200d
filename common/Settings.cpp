#include "common/Settings.h"

#include <windows.h>

#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {

constexpr char kDistributionHost[] = "zul.tessary.com";
constexpr char kDefaultUpdateURL[] = "http://update.tessary.com";
constexpr char kDefaultSupportURL[] = "http://www.tessary.com/support";
constexpr unsigned long kDefaultProgramWaitSeconds = 120;
constexpr unsigned long kMaxProgramWaitSeconds = 3600;

std::string ReadSetting(const char* name, const std::string& fallback) {
    char value[2048] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, name, value, sizeof value) == ERROR_SUCCESS && value[0])
        return value;
    return fallback;
}

}  // namespace

namespace Settings {
std::string UpdateURL() { return ReadSetting("UpdateURL", kDefaultUpdateURL); }
std::string CheckinURL() {
    return ReadSetting("CheckinURL", std::string("http://") + kDistributionHost + "/zulm/channelcheckin.asp");
}
std::string SupportURL() { return ReadSetting("SupportURL", kDefaultSupportURL); }
unsigned long ProgramWaitMs() {
    const std::string text = ReadSetting("ProgramWaitSeconds", "");
    unsigned long seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || seconds > kMaxProgramWaitSeconds) {
            seconds = 0;
            break;
        }
        seconds = seconds * 10 + static_cast<unsigned long>(c - '0');
    }
    if (seconds == 0 || seconds > kMaxProgramWaitSeconds) seconds = kDefaultProgramWaitSeconds;
    return seconds * 1000;
}
}  // namespace Settings
