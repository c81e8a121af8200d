// Registry locations, class identifiers and names shared by the programs (HKEY_LOCAL_MACHINE).
#pragma once

namespace ProductKeys {
constexpr char kTessary[] = "Software\\Tessary";
constexpr char kZUL[] = "Software\\Tessary\\ZUL";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The system's uninstall entries: one subkey per installed program (the front-end's items too).
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kUninstallZUL[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaryZUL";
// The records: one subkey per record, named by its id (the kind names are the records').
constexpr char kChannels[] = "Software\\Tessary\\ZUL\\Channel";
constexpr char kItems[] = "Software\\Tessary\\ZUL\\Item";
constexpr char kFileSets[] = "Software\\Tessary\\ZUL\\FS_Info";
// The check-in worker's schedule.
constexpr char kCheckin[] = "Software\\Tessary\\ZUL\\Checkin";
// The download manager's bandwidth history.
constexpr char kDownloadMgr[] = "Software\\Tessary\\DownloadMgr";

// Values of the product key.
constexpr char kPath[] = "Path";
constexpr char kDistID[] = "DistID";
constexpr char kSubscribedChannels[] = "SubscribedChannels";
constexpr char kMachineGuid[] = "MachineGuid";
constexpr char kInstalledItems[] = "InstalledItems";
// Names the diagnostic log file; absent means no log.
constexpr char kLogFile[] = "LogFile";
// The pinned publisher key: when set, only check-in answers signed with it are taken.
constexpr char kPublisherKey[] = "PublisherKey";
}  // namespace ProductKeys

namespace ProductIds {
constexpr char kZULManagerClsid[] = "{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}";
constexpr char kDownloadMgrClsid[] = "{17179814-FAD5-235E-BC1A-1306E659E09B}";
constexpr char kItemInstallerClsid[] = "{4E59C901-9B5D-696D-8AA0-72B505A594B0}";
constexpr char kZULManAppId[] = "{4A4724EA-E7FE-68E6-7AC9-BF18DEC0FC20}";
constexpr char kZULManTypeLib[] = "{A61098A6-5B86-7FFB-191D-AB5448C5830D}";
// Item type whose installer is the manager's own ItemInstaller.
constexpr char kDefaultItemType[] = "{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}";
}  // namespace ProductIds

// The programs' file names and the manager's name with the maker's updater.
constexpr char kManagerProgramFile[] = "ZULMan.exe";
constexpr char kManagerUpdaterApp[] = "ZULManager";

// Thread messages of the channel manager (it has no window).
constexpr unsigned ZULM_MSG_SHUTDOWN = 0x8001;
constexpr unsigned ZULM_MSG_START_CHECKIN = 0x8002;
