// One Start-menu folder per channel: found again through its hidden marker file, carrying the
// "- Options -" folder with the About, Turn on and Turn off shortcuts, renamed with the updated
// suffix while the channel has new notifications, and removed when the front-end unregisters.
#pragma once
#include <windows.h>

#include <wrl/client.h>

#include <string>

#include "ZULMan.h"
#include "frontend/VelorinSettings.h"

class C_StartMenuBuilder {
public:
    // The settings give the shortcuts' target and working folder and the updated suffix.
    explicit C_StartMenuBuilder(const VelorinSettings& settings) : m_settings(settings) {}

    // Finds or creates the channel's folder, writes its marker file and Options shortcuts.
    // A recorded "MenuDir" is used only inside the Programs folder and holding the channel's
    // marker file. 0; 3 (ZULERR_INVALID_ARGUMENT, nothing done) when the folder name is not a
    // plain relative path; 1 when the folder is missing afterwards or no Start menu exists; 4 out of memory;
    // 19 when the folder cannot be created; else the error of a channel-record call.
    [[nodiscard]] ZULError EnsureChannelMenu(I_ChannelInfo* channel) const;
    // (Re)writes the three option shortcuts, exactly one of Turn on / Turn off visible. 0 or 1.
    [[nodiscard]] int BuildChannelOptions(I_ChannelInfo* channel) const;
    // EnsureChannelMenu for every recorded channel. Always 0.
    int RefreshChannelMenus(I_ZULManager* manager) const;
    // Adds (on) or removes the updated suffix of the channel's folder name. 0 done or nothing to
    // do, 1 failure.
    [[nodiscard]] int MarkChannelUpdated(I_ZULManager* manager, const std::string& guid, bool on) const;
    // The channel's folder (ensured first); the record goes to channelOut when given.
    [[nodiscard]] ZULError GetChannelMenuDir(I_ZULManager* manager, const std::string& guid, std::string& dir,
                                             Microsoft::WRL::ComPtr<I_ChannelInfo>* channelOut = nullptr) const;
    // For every channel: clears the updated mark, unsubscribes it, removes its Options folder
    // and marker file, and the folder itself when it is then empty. Always 0.
    int CleanUpChannelMenus(I_ZULManager* manager) const;

private:
    const VelorinSettings& m_settings;
};

// The all-users Start menu, else the user's; empty when the system gives neither.
std::string StartMenuDirectory();
// Replaces a folder's hidden marker file (MenuText::MarkerFileNameFor(marker)); a file that
// cannot be written is passed over.
void WriteFolderMarker(const std::string& folder, const std::string& marker);
// The about page a channel's "AboutFile" names: a full path as it is, a relative one joined to the
// channel's "Path".
std::string AboutPagePath(const std::string& aboutFile, const std::string& channelPath);
// Whether that page lies inside the channel's "Path" (only such a page is opened or kept).
bool IsAboutPageOf(const std::string& aboutFile, const std::string& channelPath);
// Depth first under root: the folder holding marker's hidden marker file.
bool FindMarkedFolder(const std::string& root, const std::string& marker, std::string& found);
