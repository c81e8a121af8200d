// Captions and messages of Uninstall.exe, defined once.
#pragma once

namespace uninstall_text {
constexpr char kCaption[] = "Tessary Channel Manager";
constexpr char kQuestion[] = "Remove Tessary Channel Manager and all of its components?";
constexpr char kNotInstalled[] = "Tessary Channel Manager is not installed on this computer.";
// After kNotInstalled when leftovers were deleted: the lead, then one line per kind
// (the kinds' texts are RemoveLeftoverRegistrations' answers).
constexpr char kLeftoversRemovedLead[] = "\n\nWhat was left of it has been removed:";
// Followed by the system's error code.
constexpr char kFailedPrefix[] = "Tessary Channel Manager could not be removed. Windows reported error ";
}  // namespace uninstall_text
