// The tray icon of pending notifications: a hidden window receives the icon's callbacks, a
// one-second timer and the menu commands; the menu offers the notifications by name, "About"
// and "Exit". One tray per machine, guarded by a named mutex.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/ComResult.h"
#include "common/SingleInstance.h"
#include "frontend/VelorinSettings.h"
#include "ui/UiHandles.h"

// Callback message of the icon, and the menu command identifiers.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 0x10;
inline constexpr UINT kTrayCmdNotifications = 0;
inline constexpr UINT kTrayCmdExit = 2;
inline constexpr UINT kTrayCmdAbout = 3;
inline constexpr UINT kTrayCmdFirstNotification = 100;

class C_TrayIcon {
public:
    // The manager and settings are used, not owned; both outlive the tray.
    C_TrayIcon(I_ZULManager* manager, VelorinSettings& settings) : m_manager(manager), m_settings(settings) {}
    // Destroys the window if it still exists and removes the icon.
    ~C_TrayIcon();
    C_TrayIcon(const C_TrayIcon&) = delete;
    C_TrayIcon& operator=(const C_TrayIcon&) = delete;

    // Succeeded when the icon is up; ZULERR_INVALID_OPERATION when another process owns the
    // tray; ZULERR_FAILED when the window could not be created.
    [[nodiscard]] Outcome StartTrayIcon();
    // The "Exit" command, as the install helper's shutdown requests give it.
    void Exit() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(UINT id);
    void OnDestroy();
    void ShowMenu();
    void RebuildMenus();
    void DestroyMenus();
    void ShowIcon();
    void HideIcon();

    I_ZULManager* m_manager;
    VelorinSettings& m_settings;
    // Held while this process shows the tray.
    std::optional<InstanceMutex> m_mutex;
    ui::UniqueWindow m_window;
    ui::UniqueIcon m_icon;
    NOTIFYICONDATAA m_record = {};
    ui::UniqueMenu m_mainMenu;
    // Owned here only while it is not attached to the main menu (which then owns it).
    ui::UniqueMenu m_detachedNotifications;
    HMENU m_notifications = nullptr;
    // The item GUID of each notification entry, by position.
    std::vector<std::string> m_notificationGuids;
    bool m_menuShowing = false;
    bool m_iconAdded = false;
};
