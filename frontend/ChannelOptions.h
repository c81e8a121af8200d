// The jobs behind the Options shortcuts and the menu-update keywords: turning a channel on or
// off, its about page, the front-end's general about page, and switching menu updates.
#pragma once
#include <string>

#include "ZULMan.h"
#include "frontend/StartMenuBuilder.h"
#include "frontend/VelorinSettings.h"

class C_ChannelOptions {
public:
    C_ChannelOptions(I_ZULManager* manager, VelorinSettings& settings) : m_manager(manager), m_settings(settings) {}

    // Turning on shows the channel's agreement first (until accepted once), subscribes and tells
    // the user the outcome; turning off asks for confirmation. The channel's folder is rebuilt
    // and every other channel sharing it is switched the same way silently. The ZULError of the
    // last manager call; 31 when the agreement was declined; 1 when turning off was not confirmed.
    [[nodiscard]] ZULError SetChannelEnabled(const std::string& guid, bool on) const;
    // Opens the channel's "AboutFile"; without one, says so and opens the general about page. 0.
    int ShowChannelAbout(const std::string& guid) const;
    // Opens "About.html" in the front-end's folder, or says it is missing. 0.
    int ShowGeneralAbout() const;
    // Starts the updater with "-enableupdates ZULVelorin", stores "UpdatesEnabled" = "true" and
    // rebuilds every channel's folder. 0, or 1 when the updater could not be started.
    [[nodiscard]] int EnableMenuUpdates() const;
    // The same with "-disableupdates" and "false" after the user's confirmation. 0, or 1 when not
    // confirmed or the updater could not be started.
    [[nodiscard]] int DisableMenuUpdates() const;

private:
    // The agreement step of turning on: 0 to go on, 31 when declined.
    [[nodiscard]] ZULError AcceptAgreement(I_ChannelInfo* channel, const std::string& menuName) const;
    void SwitchSiblingChannels(const std::string& guid, const std::string& menuDir, bool on) const;

    I_ZULManager* m_manager;
    VelorinSettings& m_settings;
};
