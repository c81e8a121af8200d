#include "frontend/VelorinSettings.h"

#include <windows.h>

#include "common/DiagnosticLog.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/RegistryHelpers.h"
#include "frontend/MenuText.h"
#include "common/VelorinIds.h"

namespace {

constexpr DWORD kValueBufferSize = 1024;
constexpr char kVelorinProgramFile[] = "Velorin.exe";

struct Field {
    const char* name;
    std::optional<std::string> VelorinSettings::*member;
};
constexpr Field kFields[] = {
    {"Path", &VelorinSettings::path},
    {"Exe", &VelorinSettings::exe},
    {"MenuUpdateSuffix", &VelorinSettings::menuUpdateSuffix},
    {"UpdatesEnabled", &VelorinSettings::updatesEnabled},
    {"DistID", &VelorinSettings::distId},
};

std::string DirectoryOf(const std::string& file) {
    size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : file.substr(0, separator);
}

}  // namespace

std::string ModuleFileName() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return (length > 0 && length < sizeof path) ? std::string(path, length) : std::string();
}

VelorinSettings VelorinSettings::Load() {
    VelorinSettings settings;
    for (const Field& field : kFields) {
        char value[kValueBufferSize] = {};
        if (RegReadValue(HKEY_LOCAL_MACHINE, VelorinIds::kSettingsKey, field.name, value, sizeof value) == ERROR_SUCCESS)
            settings.*field.member = std::string(value);
    }
    return settings;
}

std::string ReadNewNotifications() {
    std::string list;
    // Absent means none pending: the list stays empty.
    (void)RegReadString(HKEY_LOCAL_MACHINE, VelorinIds::kSettingsKey, VelorinIds::kNewNotificationsValue, list);
    return list;
}

bool VelorinSettings::Save() const {
    bool allWritten = true;
    for (const Field& field : kFields) {
        const std::optional<std::string>& value = this->*field.member;
        if (value && RegWriteString(HKEY_LOCAL_MACHINE, VelorinIds::kSettingsKey, field.name, value->c_str()) != ERROR_SUCCESS)
            allWritten = false;
    }
    return allWritten;
}

int ReconcileSettings(VelorinSettings& settings, const VelorinCommand& command) {
    const std::string module = ModuleFileName();
    if (command.Has(FlagKeyword::MachinePrep) && command.Has(ValuedKeyword::VelorinDir)) {
        const char* dir = command.Value(ValuedKeyword::VelorinDir);
        if (!DirectoryExists(dir)) return 1;
        std::string exe;
        JoinedPath(dir, kVelorinProgramFile, exe);
        settings.path = dir;
        settings.exe = exe;
    } else if (command.Has(FlagKeyword::MachinePrep) || !settings.path || !settings.exe ||
               !DirectoryExists(settings.path->c_str()) || !FileExists(settings.exe->c_str())) {
        settings.exe = module;
        settings.path = DirectoryOf(module);
    }
    const char* suffix = command.Value(ValuedKeyword::MainMenuUpdatedSuffix);
    settings.menuUpdateSuffix = suffix ? suffix : MenuText::kDefaultUpdatedSuffix;
    LogIfFalse("save front-end settings", nullptr, settings.Save());
    return 0;
}
