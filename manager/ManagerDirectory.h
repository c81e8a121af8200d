// The manager directory: "Path" of the product key, or the running program's directory, which
// is then stored there.
#pragma once
#include <string>

#include "common/ZULErrorCodes.h"

[[nodiscard]] ZULError ReadManagerDirectory(std::string& directory);
