#include "frontend/Agreements.h"

#include <windows.h>

#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProcessHelpers.h"
#include "frontend/ServerPaths.h"

namespace {

constexpr char kItemAgreementDocument[] = "Eula.txt";

// Runs the viewer and waits for it; NotStarted when it could not be run or awaited.
AgreementResult RunViewer(const std::string& viewerPath, const std::string& arguments, DWORD& exitCode) {
    exitCode = 0;
    if (!StartProgram(viewerPath.c_str(), arguments.c_str(), nullptr, true, &exitCode)) {
        exitCode = 0;
        return AgreementResult::NotStarted;
    }
    return exitCode == 0 ? AgreementResult::Accepted : AgreementResult::Declined;
}

}  // namespace

AgreementResult ShowChannelAgreement(const std::string& viewerPath, const std::string& documentPath,
                                     const std::string& channelName) {
    // A quote in the name would end the title and add arguments of its own.
    const std::string arguments = "-FileName \"" + documentPath + "\" -Title \"" + ServerPaths::WithoutQuotes(channelName) +
                                  " - End User License Agreement\" -okname Accept -cancelname Decline";
    DWORD exitCode = 0;
    return RunViewer(viewerPath, arguments, exitCode);
}

unsigned long ShowItemAgreement(const std::string& frontEndDir, const std::string& installDir) {
    std::string document;
    if (!JoinedPath(installDir, kItemAgreementDocument, document) || !FileExists(document.c_str())) return 0;
    std::string viewer;
    if (!JoinedPath(frontEndDir, kAgreementViewerName, viewer)) return 0;
    DWORD exitCode = 0;
    RunViewer(viewer, "\"" + document + "\"", exitCode);
    return exitCode;
}
