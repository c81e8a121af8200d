// Captions and messages of Uninstall.exe, defined once.
#pragma once

namespace uninstall_text {
constexpr char kCaption[] = "Tessary Channel Manager";
constexpr char kQuestion[] = "Remove Tessary Channel Manager and all of its components?";
constexpr char kRemoved[] = "Tessary Channel Manager has been removed.";
constexpr char kRemovedAfterRestart[] =
    "Tessary Channel Manager has been removed. Some of its files will be deleted when Windows restarts.";
constexpr char kCancelled[] = "The removal of Tessary Channel Manager was cancelled.";
constexpr char kNotInstalled[] = "Tessary Channel Manager is not installed on this computer.";
// Followed by the Windows Installer's result code.
constexpr char kFailedPrefix[] = "Tessary Channel Manager could not be removed. Windows Installer reported error ";
}  // namespace uninstall_text
