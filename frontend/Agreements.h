// End-user agreements shown through the maker's separate viewer program "AgreeView.exe", which
// lies in the front-end's own folder: exit code 0 means the user accepted, anything else that
// the user declined.
#pragma once
#include <string>

// The viewer's file name, looked for in the front-end's folder.
inline constexpr char kAgreementViewerName[] = "AgreeView.exe";

enum class AgreementResult {
    Accepted,    // the viewer ran and exited with 0
    Declined,    // the viewer ran and exited with anything else
    NotStarted,  // the viewer could not be started: nothing was shown
};

// Shows a channel's agreement document ("Eula.html" in the channel's folder) titled with the
// channel's name. The caller checks beforehand that viewer and document exist.
[[nodiscard]] AgreementResult ShowChannelAgreement(const std::string& viewerPath, const std::string& documentPath,
                                                   const std::string& channelName);

// Shows "Eula.txt" of an item's installation folder with the viewer in frontEndDir. 0 when the
// user accepted, when there is no such document or when the viewer cannot be started; else the
// viewer's (non-zero) exit code.
[[nodiscard]] unsigned long ShowItemAgreement(const std::string& frontEndDir, const std::string& installDir);
