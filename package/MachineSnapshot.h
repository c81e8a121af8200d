// What the package's registration and removal change outside their files, captured before the
// transaction and put back by its rollback: the system's key trees and values under
// HKEY_LOCAL_MACHINE, and the files and folders they create that were not there.
#pragma once

#include <string>
#include <vector>

#include "package/SnapshotText.h"

struct SnapshotScope {
    std::vector<std::string> trees;                            // key trees, captured whole
    std::vector<std::pair<std::string, std::string>> values;  // single values: key, name
    std::vector<std::string> files;                            // deleted on restore when absent now
    std::vector<std::string> folders;                          // removed (when empty) on restore when absent now; deepest first
};

[[nodiscard]] std::vector<SnapshotRecord> CaptureSnapshot(const SnapshotScope& scope);

// Puts every record back in order; whether each step succeeded (a missing thing to delete counts).
[[nodiscard]] bool RestoreSnapshot(const std::vector<SnapshotRecord>& records);
