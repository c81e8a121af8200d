#include "common/Settings.h"

#include <windows.h>

#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {

constexpr char kDistributionHost[] = "zul.tessary.com";
constexpr char kDefaultUpdateURL[] = "http://update.tessary.com";
constexpr char kDefaultSupportURL[] = "http://www.tessary.com/support";

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
}  // namespace Settings
