// Names of the record properties that the front-end, the install helper and the package read
// or write through the manager (channel and item records), defined once.
#pragma once

namespace RecordProps {
// Of both kinds of record.
constexpr char kGuid[] = "Guid";
constexpr char kName[] = "Name";
constexpr char kPath[] = "Path";          // the folder the record's files went to
constexpr char kMenuDir[] = "MenuDir";    // the Start-menu folder made for the record

// Of a channel.
constexpr char kMenuName[] = "MenuName";
constexpr char kAboutFile[] = "AboutFile";
constexpr char kAcceptedEULA[] = "AcceptedEULA";
constexpr char kSubscribed[] = "Subscribed";

// Of an item.
constexpr char kType[] = "Type";
constexpr char kChannel[] = "Channel";
constexpr char kFamily[] = "Family";
constexpr char kFileSets[] = "FileSets";
constexpr char kInstalled[] = "Installed";
constexpr char kShortcutName[] = "ShortcutName";
constexpr char kDesktopShortcut[] = "DesktopShortcut";
constexpr char kLaunchFile[] = "LaunchFile";
constexpr char kLaunchArgs[] = "LaunchArgs";
constexpr char kHelpFile[] = "HelpFile";
constexpr char kWebsiteURL[] = "WebsiteURL";
constexpr char kShowEULA[] = "ShowEULA";
constexpr char kShowTrayIcon[] = "ShowTrayIcon";
constexpr char kUninstInMenu[] = "UninstInMenu";
constexpr char kSilentReinstall[] = "SilentReinstall";
constexpr char kSetKSInstallKey[] = "SetKSInstallKey";
constexpr char kTyInstall[] = "tyinstall";  // the runtime installer recorded for the item
constexpr char kAllowReporting[] = "allow_reporting";
constexpr char kUserName[] = "user_name";
constexpr char kUserEmail[] = "user_email";
}  // namespace RecordProps
