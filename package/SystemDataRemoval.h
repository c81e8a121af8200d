// What the removal of the system deletes once Windows Installer has committed it: the games,
// demos and notifications it installed (their folders, Start-menu folders, desktop shortcuts and
// uninstall entries, as the front-end's quiet item removal deletes them), the channels' folders,
// the downloaded file sets, the updater's information file and every record of the system.
#pragma once

#include <string>

// managerDir and frontEndDir: the package's two program folders, removed when left empty.
// Whether everything named could be deleted.
[[nodiscard]] bool DeleteSystemData(const std::string& managerDir, const std::string& frontEndDir);
