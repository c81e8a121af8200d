// Captions and messages of Uninstall.exe, defined once.
#pragma once

namespace uninstall_text {
constexpr char kCaption[] = "Tessary Channel Manager";
constexpr char kQuestion[] = "Remove Tessary Channel Manager and all of its components?";
constexpr char kNotInstalled[] = "Tessary Channel Manager is not installed on this computer.";
// After kNotInstalled when leftovers were deleted: the lead, then one line per kind.
constexpr char kLeftoversRemovedLead[] = "\n\nWhat was left of it has been removed:";
constexpr char kLeftoverEntry[] = "its entry in the list of installed programs";
constexpr char kLeftoverRunValues[] = "its programs' start at log-on";
constexpr char kLeftoverClasses[] = "its programs' COM registrations";
// Followed by the system's error code.
constexpr char kFailedPrefix[] = "Tessary Channel Manager could not be removed. Windows reported error ";
}  // namespace uninstall_text
