// The installed package of the system, found by the upgrade code that all its versions share.
#pragma once

#include <optional>
#include <string>

// The product code ("{...}") of the installed package with this upgrade code (given without
// braces), or nullopt when none is installed. With several (an interrupted upgrade), the first.
[[nodiscard]] std::optional<std::string> FindInstalledProductCode(const char* upgradeCode);
