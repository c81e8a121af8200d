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

    // Turning on subscribes the channel and rebuilds its folder so the Options folder shows the
    // new state; the ZULError of the lookup or of SubscribeChannel. Turning off needs the user's
    // confirmation, which this program cannot ask yet: it is answered as declined (1), nothing changed.
    [[nodiscard]] ZULError SetChannelEnabled(const std::string& guid, bool on) const;
    // Opens the channel's "AboutFile", else the general about page. 0.
    int ShowChannelAbout(const std::string& guid) const;
    // Opens "About.html" in the front-end's folder. 0.
    int ShowGeneralAbout() const;
    // Starts the updater with "-enableupdates ZULVelorin", stores "UpdatesEnabled" = "true" and
    // rebuilds every channel's folder. 0, or 1 when the updater could not be started.
    [[nodiscard]] int EnableMenuUpdates() const;
    // Needs the user's confirmation first; answered as declined (1), nothing changed.
    [[nodiscard]] int DisableMenuUpdates() const;

private:
    I_ZULManager* m_manager;
    VelorinSettings& m_settings;
};
