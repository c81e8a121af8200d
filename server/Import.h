// `zulserver import`: a catalogue file checked whole, its archives under DATA/files hashed
// ("SHA256" added to their FileSet blocks), then stored in one transaction.
#pragma once
#include <string>

#include "server/Store.h"

struct ImportResult {
    bool ok = false;
    std::string message;  // what was imported, or why nothing was
};

[[nodiscard]] ImportResult ImportCatalogueFile(Store& store, const std::string& dataDir, const std::string& cataloguePath);
