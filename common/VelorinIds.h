// Identifiers, names and registry locations of the front-end, defined once.
#pragma once

namespace VelorinIds {
constexpr char kProgramName[] = "ZULVelorin";
constexpr char kProgramFile[] = "ZULVelorin.exe";
constexpr char kSettingsKey[] = "Software\\Tessary\\Velorin";
// Value under kSettingsKey listing the pending notifications: item GUIDs, each followed by ",".
constexpr char kNewNotificationsValue[] = "NewNotifications";
constexpr char kItemInstallerClsid[] = "{1E43FD7B-E567-202F-9675-EBFC99A584C9}";
constexpr char kAppId[] = "{AB1D659E-3CD2-13E8-5A8D-E6EABF0E0DB4}";
constexpr char kTypeLib[] = "{D584FC7E-C938-2AC4-74AA-AAFB56FDF393}";

// The item types whose installer is ItemInstaller_Velo, in registration order.
constexpr char kNotificationItemType[] = "{B9A401D9-F453-A21D-5F44-3B64ABF95049}";
constexpr char kApplicationItemType[] = "{DF1C2AA1-EE6C-65A8-A483-00F6376D65B4}";
constexpr char kDemoItemType[] = "{0F176F16-C1BE-51D9-2826-B6641F4C4C3A}";
constexpr const char* kItemTypes[] = {kNotificationItemType, kApplicationItemType, kDemoItemType};
}  // namespace VelorinIds

// Thread messages of the install helper asking the front-end to shut down.
constexpr unsigned VELORIN_MSG_SHUTDOWN = 0x8012;  // WM_APP + 0x12
constexpr unsigned VELORIN_MSG_SHUTDOWN_ALT = 0x8013;  // WM_APP + 0x13
