#include "frontend/ChannelOptions.h"

#include <wrl/client.h>

#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/ShellHelpers.h"
#include "frontend/ChannelRecord.h"
#include "frontend/VelorinUpdater.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr char kGeneralAboutPage[] = "About.html";
}  // namespace

ZULError C_ChannelOptions::SetChannelEnabled(const std::string& guid, bool on) const {
    if (!on) return ZULERR_FAILED;
    const C_StartMenuBuilder builder(m_settings);
    ComPtr<I_ChannelInfo> channel;
    if (ZULError e = OpenChannel(m_manager, guid, channel)) return e;
    (void)builder.EnsureChannelMenu(channel.Get());

    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(m_manager->SubscribeChannel(InText(guid.c_str()), &ret), ret);

    // The record is read anew so the Options folder shows the stored subscription.
    if (OpenChannel(m_manager, guid, channel) == ZULERR_SUCCESS) (void)builder.EnsureChannelMenu(channel.Get());
    return result;
}

int C_ChannelOptions::ShowChannelAbout(const std::string& guid) const {
    ComPtr<I_ChannelInfo> channel;
    std::string name, page, path;
    if (OpenChannel(m_manager, guid, channel) == ZULERR_SUCCESS &&
        ReadChannelMenuName(channel.Get(), name) == ZULERR_SUCCESS &&
        ReadChannelProp(channel.Get(), "AboutFile", page) == ZULERR_SUCCESS) {
        (void)ReadChannelProp(channel.Get(), "Path", path);
        if (ShellOpen(path.c_str(), page.c_str(), nullptr)) return 0;
    }
    return ShowGeneralAbout();
}

int C_ChannelOptions::ShowGeneralAbout() const {
    const std::string folder = m_settings.path.value_or("");
    std::string page;
    if (JoinedPath(folder, kGeneralAboutPage, page)) ShellOpen(folder.c_str(), page.c_str(), nullptr);
    return 0;
}

int C_ChannelOptions::EnableMenuUpdates() const {
    if (SwitchMenuUpdates(true) != 0) return 1;
    m_settings.updatesEnabled = "true";
    (void)m_settings.Save();
    C_StartMenuBuilder(m_settings).RefreshChannelMenus(m_manager);
    return 0;
}

int C_ChannelOptions::DisableMenuUpdates() const { return 1; }
