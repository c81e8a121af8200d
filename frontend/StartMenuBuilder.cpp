#include "frontend/StartMenuBuilder.h"

#include <shlobj.h>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/RecordProperties.h"
#include "common/ShellHelpers.h"
#include "frontend/ChannelRecord.h"
#include "frontend/FolderPlaces.h"
#include "frontend/MenuText.h"
#include "frontend/ServerPaths.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kAboutPage[] = "About.html";

bool IsFolder(const std::string& path) { return !path.empty() && DirectoryExists(path.c_str()); }
bool IsFile(const std::string& path) { return !path.empty() && FileExists(path.c_str()); }

// Depth first in listing order: the folder holding a hidden entry named markerName.
bool FindMarkerFolder(const std::string& folder, const std::string& markerName, std::string& found, int depth = 0) {
    constexpr int kMaxDepth = 32;  // a link loop cannot send the search round for ever
    if (depth > kMaxDepth) return false;
    WIN32_FIND_DATAA entry;
    UniqueFindHandle find(FindFirstFileA(JoinedPath(folder, "*").c_str(), &entry));
    if (!find) return false;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && lstrcmpiA(name.c_str(), markerName.c_str()) == 0) {
            found = folder;
            return true;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            FindMarkerFolder(JoinedPath(folder, name), markerName, found, depth + 1))
            return true;
    } while (FindNextFileA(find.get(), &entry));
    return false;
}

void WriteMarkerFile(const std::string& folder, const std::string& guid) {
    WriteFolderMarker(folder, MenuText::ChannelMarker(guid));
}

void SetHidden(const std::string& path, bool hidden) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), hidden ? (attributes | FILE_ATTRIBUTE_HIDDEN) : (attributes & ~FILE_ATTRIBUTE_HIDDEN));
}

// Fills "AboutFile" from the channel's "Path" when it names no existing page inside that folder.
void FillAboutFile(I_ChannelInfo* channel) {
    std::string about, path;
    if (ReadChannelProp(channel, RecordProps::kPath, path) != ZULERR_SUCCESS) return;
    if (ReadChannelProp(channel, RecordProps::kAboutFile, about) == ZULERR_SUCCESS && IsAboutPageOf(about, path) &&
        IsFile(AboutPagePath(about, path)))
        return;
    const std::string page = JoinedPath(path, kAboutPage);
    if (!IsFile(page)) return;
    if (WriteChannelProp(channel, RecordProps::kAboutFile, page) == ZULERR_SUCCESS)
        LogIfCodeFailed("flush channel", page.c_str(), FlushChannel(channel));
}

// A channel whose folder name ("MenuName", else "Name") would leave the Start menu or name no
// single folder gets none. A channel without either is left to the steps that report it.
bool HasPlainFolderName(I_ChannelInfo* channel) {
    std::string menuName;
    return ReadChannelMenuName(channel, menuName) != ZULERR_SUCCESS || ServerPaths::IsPlainRelativePath(menuName);
}

}  // namespace

std::string AboutPagePath(const std::string& aboutFile, const std::string& channelPath) {
    return ServerPaths::IsRootedPath(aboutFile) ? aboutFile : JoinedPath(channelPath, aboutFile);
}

bool IsAboutPageOf(const std::string& aboutFile, const std::string& channelPath) {
    return !channelPath.empty() && IsInsidePlace(AboutPagePath(aboutFile, channelPath), channelPath);
}

bool FindMarkedFolder(const std::string& root, const std::string& marker, std::string& found) {
    return FindMarkerFolder(root, MenuText::MarkerFileNameFor(marker), found);
}

void WriteFolderMarker(const std::string& folder, const std::string& marker) {
    const std::string path = JoinedPath(folder, MenuText::MarkerFileNameFor(marker));
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file) return;
    const std::string text = MenuText::MarkerFileTextFor(marker);
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string StartMenuDirectory() {
    char path[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, path))) return path;
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, path))) return path;
    return std::string();
}

ZULError C_StartMenuBuilder::EnsureChannelMenu(I_ChannelInfo* channel) const {
    std::string guid;
    if (ZULError e = ReadChannelGuid(channel, guid)) return e;
    if (!HasPlainFolderName(channel)) return ZULERR_INVALID_ARGUMENT;
    FillAboutFile(channel);

    // A recorded folder counts only where the front-end makes folders and with its marker in it.
    std::string menuDir;
    const bool known = ReadChannelProp(channel, RecordProps::kMenuDir, menuDir) == ZULERR_SUCCESS &&
                       IsMarkedMenuFolder(menuDir, MenuText::MarkerFileName(guid));
    if (!known) {
        const std::string startMenu = StartMenuDirectory();
        std::string found;
        if (!startMenu.empty() && FindMarkerFolder(startMenu, MenuText::MarkerFileName(guid), found)) {
            menuDir = found;
        } else {
            std::string menuName;
            if (ReadChannelProp(channel, RecordProps::kMenuName, menuName) != ZULERR_SUCCESS) {
                if (ZULError e = ReadChannelProp(channel, RecordProps::kName, menuName)) return e;
                // Unrecorded, the name is taken from "Name" again next time.
                LogIfCodeFailed("write channel property MenuName", menuName.c_str(), WriteChannelProp(channel, RecordProps::kMenuName, menuName));
            }
            if (startMenu.empty()) return ZULERR_FAILED;
            menuDir = JoinedPath(startMenu, menuName);
            const std::string updated = menuDir + MenuText::kDefaultUpdatedSuffix;
            if (!IsFolder(menuDir)) {
                if (IsFolder(updated))
                    menuDir = updated;
                else if (!CreateDirectoryTree(menuDir.c_str(), false))
                    return ZULERR_CREATE_DIR_FAILED;
            }
        }
        // Unrecorded, the folder is found by its marker file next time.
        LogIfCodeFailed("record channel menu folder", menuDir.c_str(), WriteChannelProp(channel, RecordProps::kMenuDir, menuDir));
    }
    if (!IsFolder(menuDir)) return ZULERR_FAILED;

    WriteMarkerFile(menuDir, guid);
    const ZULError flushed = FlushChannel(channel);
    // The Options folder is a convenience; the channel's folder stands without it.
    LogIfCodeFailed("build channel options", guid.c_str(), static_cast<uint32_t>(BuildChannelOptions(channel)));
    return flushed;
}

int C_StartMenuBuilder::BuildChannelOptions(I_ChannelInfo* channel) const {
    std::string guid, subscribed, menuDir, menuName;
    if (ReadChannelGuid(channel, guid) != ZULERR_SUCCESS) return 1;
    const bool isSubscribed = ReadChannelProp(channel, RecordProps::kSubscribed, subscribed) == ZULERR_SUCCESS && subscribed == "1";
    if (ReadChannelProp(channel, RecordProps::kMenuDir, menuDir) != ZULERR_SUCCESS) return 1;
    const std::string options = JoinedPath(menuDir, MenuText::kOptionsFolder);
    CreateDirectoryTree(options.c_str(), false);
    if (ReadChannelMenuName(channel, menuName) != ZULERR_SUCCESS) return 1;
    const std::string name = MenuText::DisplayName(menuName);

    const char* exe = m_settings.exe ? m_settings.exe->c_str() : "";
    const char* workingDir = m_settings.path ? m_settings.path->c_str() : "";
    for (MenuText::OptionShortcut which : MenuText::kOptionShortcuts) {
        const std::string link = JoinedPath(options, MenuText::OptionShortcutName(which, name));
        SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(link.c_str());
        LogIfHrFailed("create option shortcut", link.c_str(),
                      CreateShortcut(link.c_str(), exe, MenuText::OptionShortcutArguments(which, guid).c_str(),
                                     workingDir, nullptr, exe, MenuText::OptionShortcutIcon(which)));
    }
    SetHidden(JoinedPath(options, MenuText::OptionShortcutName(MenuText::OptionShortcut::TurnOn, name)), isSubscribed);
    SetHidden(JoinedPath(options, MenuText::OptionShortcutName(MenuText::OptionShortcut::TurnOff, name)), !isSubscribed);
    return 0;
}

int C_StartMenuBuilder::RefreshChannelMenus(I_ZULManager* manager) const {
    for (const std::string& guid : RecordedChannelGuids()) {
        ComPtr<I_ChannelInfo> channel;
        if (OpenChannel(manager, guid, channel) == ZULERR_SUCCESS)
            LogIfCodeFailed("ensure channel menu", guid.c_str(), EnsureChannelMenu(channel.Get()));
    }
    return 0;
}

ZULError C_StartMenuBuilder::GetChannelMenuDir(I_ZULManager* manager, const std::string& guid, std::string& dir,
                                               ComPtr<I_ChannelInfo>* channelOut) const {
    ComPtr<I_ChannelInfo> channel;
    if (ZULError e = OpenChannel(manager, guid, channel)) return e;
    if (ZULError e = EnsureChannelMenu(channel.Get())) return e;
    if (ZULError e = ReadChannelProp(channel.Get(), RecordProps::kMenuDir, dir)) return e;
    if (channelOut) *channelOut = channel;
    return ZULERR_SUCCESS;
}

int C_StartMenuBuilder::MarkChannelUpdated(I_ZULManager* manager, const std::string& guid, bool on) const {
    if (!m_settings.menuUpdateSuffix) return 1;
    const std::string& suffix = *m_settings.menuUpdateSuffix;
    std::string dir;
    ComPtr<I_ChannelInfo> channel;
    if (GetChannelMenuDir(manager, guid, dir, &channel) != ZULERR_SUCCESS) return 1;
    const std::string renamed = on ? MenuText::WithUpdatedMark(dir, suffix) : MenuText::WithoutUpdatedMark(dir, suffix);
    if (renamed == dir) return 0;
    if (!MoveFileA(dir.c_str(), renamed.c_str())) return 1;
    return EnsureChannelMenu(channel.Get()) == ZULERR_SUCCESS ? 0 : 1;
}

int C_StartMenuBuilder::CleanUpChannelMenus(I_ZULManager* manager) const {
    for (const std::string& guid : RecordedChannelGuids()) {
        LogIfCodeFailed("unmark channel updated", guid.c_str(), static_cast<uint32_t>(MarkChannelUpdated(manager, guid, false)));
        std::string dir;
        if (GetChannelMenuDir(manager, guid, dir) != ZULERR_SUCCESS) continue;
        ZULError ret = ZULERR_SUCCESS;
        manager->UnSubscribeChannel(InText(guid.c_str()), &ret);
        DeleteDirectoryTree(JoinedPath(dir, MenuText::kOptionsFolder).c_str());
        const std::string marker = JoinedPath(dir, MenuText::MarkerFileName(guid));
        SetFileAttributesA(marker.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(marker.c_str());
        RemoveDirectoryA(dir.c_str());  // only succeeds when the folder is empty
    }
    return 0;
}
