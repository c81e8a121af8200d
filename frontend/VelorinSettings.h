// The front-end's settings under HKLM "Software\Tessary\Velorin", and their reconcile at start.
#pragma once
#include <optional>
#include <string>

#include "frontend/VelorinCommandLine.h"

struct VelorinSettings {
    std::optional<std::string> path;              // "Path": the front-end's directory
    std::optional<std::string> exe;               // "Exe": target of every shortcut it writes
    std::optional<std::string> menuUpdateSuffix;  // "MenuUpdateSuffix"
    std::optional<std::string> updatesEnabled;    // "UpdatesEnabled": "true" or "false"
    std::optional<std::string> distId;            // "DistID"

    // Each value that is missing or unreadable stays absent.
    static VelorinSettings Load();
    // Writes every present value (creating the key); a failed value does not stop the others.
    // false when any write failed.
    bool Save() const;
};

// Fixes "Path" and "Exe" (kept when both exist; else the running program's), or with
// "MachinePrep" takes them from "VelorinDir"; sets "MenuUpdateSuffix"; writes the settings.
// 1 (settings untouched) when "VelorinDir" names no existing folder, else 0.
[[nodiscard]] int ReconcileSettings(VelorinSettings& settings, const VelorinCommand& command);

// The running program's full file name.
std::string ModuleFileName();

// The pending list "NewNotifications" of the settings key, read whole; empty when absent.
std::string ReadNewNotifications();
