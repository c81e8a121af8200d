#include "installhelper/InstallWork.h"

#include <wrl/client.h>

#include <new>

#include "ZULMan.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/RecordProperties.h"
#include "installhelper/InstallDialog.h"
#include "installhelper/InstallTexts.h"
#include "installhelper/OutcomeText.h"
#include "installhelper/resource.h"
#include "ui/Dialog.h"
#include "ui/MessageBoxes.h"

using Microsoft::WRL::ComPtr;

namespace {

// A value of the description's current block; false when absent.
bool BlockValue(I_ResponseData* description, const char* key, std::string& out) {
    ZULError code = ZULERR_FAILED;
    CoTaskMemString value;
    if (description->GetKeyValue(InText(key), value.put(), &code) != S_OK || code != ZULERR_SUCCESS || !value.get())
        return false;
    out = value.get();
    return true;
}

// A property of the installed item; false when absent.
bool ItemValue(I_ZULItem* item, const char* key, std::string& out) {
    ZULError code = ZULERR_FAILED;
    CoTaskMemString value;
    if (item->GetProp(InText(key), value.put(), &code) != S_OK || code != ZULERR_SUCCESS || !value.get()) return false;
    out = value.get();
    return true;
}

// Reads the item's name and id, and tells the user to wait.
Outcome AnnounceItem(InstallWork& work, I_ResponseData* description) {
    ZULError code = ZULERR_FAILED;
    const HRESULT hr = description->RewindBlock(InText("Item"), &code);
    if (hr != S_OK || code != ZULERR_SUCCESS) return Outcome{hr == S_OK ? S_FALSE : hr, code};
    BlockValue(description, "GUID", work.itemGuid);
    BlockValue(description, "Name", work.itemName);
    ui::SetControlChecked(work.window, IDC_VIEW_HELP, false);
    ui::SetControlChecked(work.window, IDC_LAUNCH, false);
    const std::string caption =
        work.hasTitle ? work.title : InstallCaption(work.itemName);
    SetWindowTextA(work.window, caption.c_str());
    ui::SetControlText(work.window, IDC_STATUS, PleaseWaitText(work.itemName).c_str());
    ui::ShowControl(work.window, IDC_STATUS, true);
    return Outcome{};
}

// Where the installed item went, as its record says.
void ReadInstalledItem(InstallWork& work, I_ZULManager* manager) {
    ZULError code = ZULERR_FAILED;
    ComPtr<I_ZULItem> item;
    if (manager->GetItemInfo(work.itemGuid.data(), item.GetAddressOf(), &code) != S_OK || code != ZULERR_SUCCESS ||
        !item)
        return;
    work.hasMenuDir = ItemValue(item.Get(), RecordProps::kMenuDir, work.menuDir);
    ItemValue(item.Get(), RecordProps::kPath, work.path);
    ItemValue(item.Get(), RecordProps::kHelpFile, work.helpFile);
    ItemValue(item.Get(), RecordProps::kLaunchFile, work.launchFile);
    ItemValue(item.Get(), RecordProps::kLaunchArgs, work.launchArgs);
}

Outcome Install(InstallWork& work) {
    const std::string directory = work.steps.packageDirectory();
    ComPtr<I_ZULManager> manager;
    const Outcome created = LoggedStep("create manager", directory, [&] {
        const HRESULT hr = work.steps.createManager(manager);
        return FAILED(hr) || !manager ? Outcome{FAILED(hr) ? hr : E_NOINTERFACE, ZULERR_CREATE_INSTANCE_FAILED} : Outcome{};
    });
    if (!created.Succeeded()) {
        // The message only informs; the outcome below ends the install.
        (void)ui::ShowMessage(work.window, InstallTexts::kCreateManagerFailed, InstallTexts::kErrorCaption, MB_OK);
        return created;
    }
    ComPtr<I_ResponseData> description;
    Outcome result =
        LoggedStep("prepare", directory, [&] { return PrepareItemDescription(manager.Get(), directory, description); });
    if (result.Succeeded()) result = AnnounceItem(work, description.Get());
    if (!result.Succeeded()) {
        if (result.ret == ZULERR_SUCCESS) result.ret = ZULERR_FAILED;
        return Outcome{S_FALSE, result.ret};
    }
    result = LoggedStep("install", work.itemGuid, [&] {
        Outcome processed{S_OK, ZULERR_FAILED};
        processed.hr = manager->ProcessResponseData(description.Get(), &processed.ret);
        return processed;
    });
    ReadInstalledItem(work, manager.Get());
    return result;
}

DWORD WINAPI WorkerMain(void* parameter) {
    std::unique_ptr<std::shared_ptr<InstallWork>> held(static_cast<std::shared_ptr<InstallWork>*>(parameter));
    InstallWork& work = **held;
    Outcome result;
    {
        ComScope com(COINIT_APARTMENTTHREADED);
        result = Install(work);
    }
    PostMessageA(work.window, kInstallDoneMessage, static_cast<WPARAM>(result.hr), static_cast<LPARAM>(result.ret));
    return 0;
}

}  // namespace

bool StartInstallWorker(const std::shared_ptr<InstallWork>& work) {
    auto* held = new (std::nothrow) std::shared_ptr<InstallWork>(work);
    if (!held) return false;
    DWORD threadId = 0;
    UniqueHandle thread(CreateThread(nullptr, 0, &WorkerMain, held, 0, &threadId));
    if (!thread) {
        delete held;
        return false;
    }
    return true;
}
