#include "frontend/ChannelOptions.h"

#include <windows.h>

#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "common/DiagnosticLog.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/RecordProperties.h"
#include "common/ShellHelpers.h"
#include "frontend/Agreements.h"
#include "frontend/ChannelRecord.h"
#include "frontend/MenuText.h"
#include "frontend/VelorinUpdater.h"
#include "ui/MessageBoxes.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kGeneralAboutPage[] = "About.html";
constexpr char kChannelAgreementDocument[] = "Eula.html";
constexpr char kAcceptedValue[] = "1";

constexpr char kEnabledText[] = "Channel successfully enabled.";
constexpr char kEnableFailedText[] = "Failed to enable channel.";
constexpr char kConfirmDisableCaption[] = "Confirm Channel Disable";
constexpr char kConfirmDisableText[] =
    "This service is completely anonymous and is provided for your convenience.\n\n"
    "Periodically, games, entertainment, and other applications will be made\n"
    "available for this channel.  Shortcuts to these items will be automatically\n"
    "placed in this channel menu.\n\n"
    "Do you still want to disable this channel?";
constexpr char kConfirmUpdatesCaption[] = "Confirm Menu Update Disable";
constexpr char kConfirmUpdatesText[] =
    "Periodically, new free games and game demos become available.  Links\n"
    "to downloads for these games are automatically added to this menu,\n"
    "along with a brief description of the game.\n\n"
    "This service is completely anonymous and is provided for your convenience.\n\n"
    "Do you still want to disable menu updates?";
constexpr char kNoAboutCaption[] = "No About File";
constexpr char kNoAboutFormat[] = "Couldn't find About file for Channel \"%s\".\n\nA general About file will be displayed.";
constexpr char kMissingAboutCaption[] = "Error:";
constexpr char kMissingAboutText[] = "Missing About.html file.";

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Yes/No with No as the default; whether Yes was pressed.
bool Confirmed(const char* text, const char* caption) {
    return ui::ShowMessage(nullptr, text, caption, MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

std::string NoAboutText(const std::string& channel) {
    std::vector<char> text(sizeof kNoAboutFormat + channel.size());
    std::snprintf(text.data(), text.size(), kNoAboutFormat, channel.c_str());
    return text.data();
}

}  // namespace

ZULError C_ChannelOptions::AcceptAgreement(I_ChannelInfo* channel, const std::string& menuName) const {
    std::string accepted, channelPath, viewer, document;
    if (ReadChannelProp(channel, RecordProps::kAcceptedEULA, accepted) == ZULERR_SUCCESS && accepted == kAcceptedValue) return ZULERR_SUCCESS;
    if (ReadChannelProp(channel, RecordProps::kPath, channelPath) != ZULERR_SUCCESS || channelPath.empty()) return ZULERR_SUCCESS;
    if (!JoinedPath(m_settings.path.value_or(""), kAgreementViewerName, viewer) ||
        !JoinedPath(channelPath, kChannelAgreementDocument, document) || !IsFile(viewer) || !IsFile(document))
        return ZULERR_SUCCESS;
    switch (ShowChannelAgreement(viewer, document, MenuText::DisplayName(menuName))) {
    case AgreementResult::Declined:
        return ZULERR_EULA_NOT_ACCEPTED;
    case AgreementResult::Accepted:
        if (WriteChannelProp(channel, RecordProps::kAcceptedEULA, kAcceptedValue) == ZULERR_SUCCESS)
            // Unflushed, the agreement is only asked again at the next subscription.
            LogIfCodeFailed("flush channel", nullptr, FlushChannel(channel));
        return ZULERR_SUCCESS;
    case AgreementResult::NotStarted:
        return ZULERR_SUCCESS;
    }
    return ZULERR_SUCCESS;
}

ZULError C_ChannelOptions::SetChannelEnabled(const std::string& guid, bool on) const {
    const C_StartMenuBuilder builder(m_settings);
    ComPtr<I_ChannelInfo> channel;
    if (ZULError e = OpenChannel(m_manager, guid, channel)) return e;
    // A channel refused a folder is refused the rest too: its "MenuDir" may name any place.
    if (builder.EnsureChannelMenu(channel.Get()) == ZULERR_INVALID_ARGUMENT) return ZULERR_INVALID_ARGUMENT;

    std::string menuDir, menuName;
    if (ZULError e = ReadChannelProp(channel.Get(), RecordProps::kMenuDir, menuDir)) return e;
    if (ZULError e = ReadChannelMenuName(channel.Get(), menuName)) return e;
    const std::string caption = MenuText::DisplayName(menuName);

    ZULError ret = ZULERR_SUCCESS;
    ZULError result = ZULERR_SUCCESS;
    if (on) {
        if (ZULError e = AcceptAgreement(channel.Get(), menuName)) return e;
        result = CallResult(m_manager->SubscribeChannel(InText(guid.c_str()), &ret), ret);
        // The message only informs; which button closed it does not matter.
        (void)ui::ShowMessage(nullptr, result == ZULERR_SUCCESS ? kEnabledText : kEnableFailedText, caption.c_str(),
                              MB_OK);
    } else {
        if (!Confirmed(kConfirmDisableText, kConfirmDisableCaption)) return ZULERR_FAILED;
        result = CallResult(m_manager->UnSubscribeChannel(InText(guid.c_str()), &ret), ret);
    }

    // The record is read anew so the Options folder shows the stored subscription.
    if (OpenChannel(m_manager, guid, channel) == ZULERR_SUCCESS)
        LogIfCodeFailed("ensure channel menu", guid.c_str(), builder.EnsureChannelMenu(channel.Get()));
    SwitchSiblingChannels(guid, menuDir, on);
    return result;
}

void C_ChannelOptions::SwitchSiblingChannels(const std::string& guid, const std::string& menuDir, bool on) const {
    for (const std::string& other : RecordedChannelGuids()) {
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, other.c_str(), -1, guid.c_str(), -1) == CSTR_EQUAL)
            continue;
        ComPtr<I_ChannelInfo> sibling;
        std::string siblingDir;
        if (OpenChannel(m_manager, other, sibling) != ZULERR_SUCCESS ||
            ReadChannelProp(sibling.Get(), RecordProps::kMenuDir, siblingDir) != ZULERR_SUCCESS ||
            !MenuText::SameChannelFolder(menuDir, siblingDir))
            continue;
        ZULError ret = ZULERR_SUCCESS;
        const HRESULT hr = on ? m_manager->SubscribeChannel(InText(other.c_str()), &ret)
                              : m_manager->UnSubscribeChannel(InText(other.c_str()), &ret);
        // A sibling that stays as it was is switched again with the next one of its folder.
        LogIfFailed(on ? "subscribe sibling channel" : "unsubscribe sibling channel", other.c_str(), Outcome{hr, ret});
    }
}

int C_ChannelOptions::ShowChannelAbout(const std::string& guid) const {
    ComPtr<I_ChannelInfo> channel;
    std::string name, page, path;
    const bool named = OpenChannel(m_manager, guid, channel) == ZULERR_SUCCESS &&
                       ReadChannelMenuName(channel.Get(), name) == ZULERR_SUCCESS && !name.empty();
    // "AboutFile" is a full path (the Start-menu builder records it so); only a page inside the
    // channel's own folder is opened, never a program a server answer points at.
    if (named && ReadChannelProp(channel.Get(), RecordProps::kAboutFile, page) == ZULERR_SUCCESS && !page.empty() &&
        ReadChannelProp(channel.Get(), RecordProps::kPath, path) == ZULERR_SUCCESS && IsAboutPageOf(page, path)) {
        if (ShellOpen(path.c_str(), AboutPagePath(page, path).c_str(), "")) return 0;
    }
    // The message only informs.
    (void)ui::ShowMessage(nullptr, NoAboutText(named ? name : guid), kNoAboutCaption, MB_OK);
    return ShowGeneralAbout();
}

int C_ChannelOptions::ShowGeneralAbout() const {
    const std::string folder = m_settings.path.value_or("");
    std::string page;
    if (!JoinedPath(folder, kGeneralAboutPage, page) || !ShellOpen(folder.c_str(), page.c_str(), ""))
        (void)ui::ShowError(nullptr, kMissingAboutText, kMissingAboutCaption);  // informs only
    return 0;
}

int C_ChannelOptions::EnableMenuUpdates() const {
    if (SwitchMenuUpdates(true) != 0) return 1;
    m_settings.updatesEnabled = "true";
    LogIfFalse("save front-end settings", nullptr, m_settings.Save());
    C_StartMenuBuilder(m_settings).RefreshChannelMenus(m_manager);
    return 0;
}

int C_ChannelOptions::DisableMenuUpdates() const {
    if (!Confirmed(kConfirmUpdatesText, kConfirmUpdatesCaption)) return 1;
    if (SwitchMenuUpdates(false) != 0) return 1;
    m_settings.updatesEnabled = "false";
    LogIfFalse("save front-end settings", nullptr, m_settings.Save());
    C_StartMenuBuilder(m_settings).RefreshChannelMenus(m_manager);
    return 0;
}
