// Command lines with which the channel manager registers with the maker's updater, and the
// information file it leaves for it.
#pragma once
#include <optional>
#include <string>

#include "common/ProductKeys.h"

namespace UpdaterCommands {
constexpr const char* kAppName = kManagerUpdaterApp;
constexpr char kLongName[] = "Tessary ZUL Manager";

// The register line; " -distid" ends it when a distribution identifier is stored.
std::string RegisterLine(const std::string& appPath, const std::string& updateUrl,
                         const std::optional<std::string>& distId);
// The first line of leaving (before disabling and unregistering).
std::string LeaveLine(const std::string& appPath, const std::string& updateUrl);
std::string EnableLine();
std::string DisableLine();
std::string UnregisterLine();
// "[appinfo.dat]\nMachineGuid=" and the identifier, without a line end after it; empty when no
// identifier exists.
std::string AppInfoText(const std::optional<std::string>& machineGuid);
}  // namespace UpdaterCommands
