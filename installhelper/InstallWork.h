// The install window's worker: installs the package through the channel manager on a thread
// of its own apartment and posts the outcome to the window.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "installhelper/InstallFlow.h"

struct InstallWork {
    InstallSteps steps;
    HWND window = nullptr;
    std::string title;  // "Title", when given
    bool hasTitle = false;

    // Filled by the worker before it posts its outcome.
    std::string itemName;
    std::string itemGuid;
    bool hasMenuDir = false;
    std::string menuDir;
    std::string path;
    std::string helpFile;
    std::string launchFile;
    std::string launchArgs;
};

// Starts the worker on work (which it keeps alive while it runs); false when no thread started.
[[nodiscard]] bool StartInstallWorker(const std::shared_ptr<InstallWork>& work);
