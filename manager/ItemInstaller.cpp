// The default item type's installer: the item's install file set is extracted into a working
// directory of its own under the system's temporary directory, its install program is run from
// there with the item's arguments, and the program's exit code is the item's result. The
// working directory goes again on every path.
#include "manager/ItemInstaller.h"

#include <wrl/client.h>

#include <memory>
#include <new>
#include <string>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/ProcessHelpers.h"
#include "common/ComResult.h"
#include "manager/InstallerLookup.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "manager/ZULManager.h"
#include "records/GuidText.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kTypeProperty[] = "Type";
constexpr char kInstallFileSetProperty[] = "InstallFileSet";
constexpr char kInstallFileProperty[] = "InstallFile";
constexpr char kInstallArgsProperty[] = "InstallArgs";
// Room beyond the temporary directory's length for the item's id and the separator.
constexpr DWORD kWorkingDirSlack = 64;
// A program that has just ended may keep its working directory busy a moment longer (a console
// program started from ZULMan, which has none, gets a console host of its own that may still
// hold the directory): the removal is retried for up to two seconds.
constexpr int kRemovalAttempts = 40;
constexpr DWORD kRemovalRetryMs = 50;

// What the default installer reads of an item.
struct InstallOrder {
    CoTaskMemString fileSets;
    CoTaskMemString program;
    CoTaskMemString arguments;
    GuidTextBuffer itemId{};
};

// The working directory, deleted with everything in it when the object goes.
class C_WorkingDirectory {
public:
    C_WorkingDirectory() = default;
    C_WorkingDirectory(const C_WorkingDirectory&) = delete;
    C_WorkingDirectory& operator=(const C_WorkingDirectory&) = delete;
    ~C_WorkingDirectory() {
        if (!m_bCreated) return;
        for (int attempt = 1; !DeleteDirectoryTree(m_sPath.c_str()) && DirectoryExists(m_sPath.c_str()) &&
                              attempt < kRemovalAttempts;
             ++attempt)
            Sleep(kRemovalRetryMs);
    }

    // <temporary directory>\<item id>, created with its missing parents.
    HRESULT Create(const GuidTextBuffer& itemId, ZULError* ret) {
        const DWORD length = GetTempPathA(0, nullptr);
        const DWORD size = length + kWorkingDirSlack;
        std::unique_ptr<char[]> temp(new (std::nothrow) char[size]);
        if (!temp) return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_FAIL);
        const DWORD written = GetTempPathA(size, temp.get());
        if (written == 0 || written >= size) return Report(ret, ZULERR_CREATE_DIR_FAILED);
        if (!JoinedPath(temp.get(), itemId.data(), m_sPath)) return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_FAIL);
        if (!CreateDirectoryTree(m_sPath.c_str(), false)) return Report(ret, ZULERR_CREATE_DIR_FAILED);
        m_bCreated = true;
        return Report(ret, ZULERR_SUCCESS);
    }
    const std::string& Path() const { return m_sPath; }

private:
    std::string m_sPath;
    bool m_bCreated = false;
};

// The item's "Type" as a GUID. An absent one: GetProp's HRESULT and code; a malformed one:
// ZULERR_BAD_GUID with S_FALSE.
HRESULT ReadItemType(I_ZULItem* item, GuidValue& type, ZULError* ret) {
    CoTaskMemString text;
    HRESULT hr = item->GetProp(InText(kTypeProperty), text.put(), ret);
    if (hr != S_OK) return hr;
    if (!text.get() || ParseGuidText(text.get(), type) != kGuidParsed) return Report(ret, ZULERR_BAD_GUID);
    return Report(ret, ZULERR_SUCCESS);
}

// The install properties, in the order they are read, then the item's id. The first that is
// missing ends the reading (S_FALSE with ZULERR_NOT_FOUND).
HRESULT ReadInstallOrder(I_ZULItem* item, InstallOrder& order, ZULError* ret) {
    HRESULT hr = item->GetProp(InText(kInstallFileSetProperty), order.fileSets.put(), ret);
    if (hr != S_OK) return hr;
    if ((hr = item->GetProp(InText(kInstallFileProperty), order.program.put(), ret)) != S_OK) return hr;
    if ((hr = item->GetProp(InText(kInstallArgsProperty), order.arguments.put(), ret)) != S_OK) return hr;
    CoTaskMemString id;
    if ((hr = item->GetGUID(id.put(), ret)) != S_OK) return hr;
    GuidValue value;
    const int32_t parsed = id.get() ? ParseGuidText(id.get(), value) : kGuidWrongLength;
    if (parsed != kGuidParsed) return ReportHr(ret, ZULERR_BAD_GUID, static_cast<HRESULT>(parsed));
    FormatGuidText(value, order.itemId);
    return Report(ret, ZULERR_SUCCESS);
}

// Extracts the install file sets into the working directory through a manager object of this
// process.
HRESULT ExtractInstallFiles(const InstallOrder& order, const std::string& directory, ZULError* ret) {
    ComPtr<I_ZULManager> manager;
    if (FAILED(ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager, &manager)))
        return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, E_OUTOFMEMORY);
    std::string target = directory;
    return manager->InstallFileSets(order.fileSets.get(), target.data(), ret);
}

// Runs the install program and waits for it without limit; its exit code is the result.
HRESULT RunInstallProgram(const InstallOrder& order, const std::string& directory, ZULError* ret) {
    std::string program;
    if (!JoinedPath(directory, order.program.get(), program)) return Report(ret, ZULERR_OUT_OF_MEMORY);
    DWORD exitCode = 0;
    if (!StartProgram(program.c_str(), order.arguments.c_str(), directory.c_str(), true, &exitCode))
        return Report(ret, ZULERR_LAUNCH_PROCESS_FAILED);
    // The exit code is not interpreted: it is the item's ZULError.
    return Report(ret, static_cast<ZULError>(exitCode));
}

}  // namespace

STDMETHODIMP ItemInstaller::InstallItem(I_ZULItem* pItem, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!pItem) return Report(ret, ZULERR_INVALID_ARGUMENT);
    GuidValue type;
    HRESULT hr = ReadItemType(pItem, type, ret);
    if (hr != S_OK) return hr;
    if (!IsDefaultItemType(type)) return Report(ret, ZULERR_ITEM_TYPE_NOT_SUPPORTED);

    InstallOrder order;
    if ((hr = ReadInstallOrder(pItem, order, ret)) != S_OK) return hr;
    C_WorkingDirectory workingDir;
    if ((hr = workingDir.Create(order.itemId, ret)) != S_OK) return hr;
    if ((hr = ExtractInstallFiles(order, workingDir.Path(), ret)) != S_OK) return hr;
    return RunInstallProgram(order, workingDir.Path(), ret);
}

STDMETHODIMP ItemInstaller::UninstallItem(I_ZULItem* pItem, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!pItem) return Report(ret, ZULERR_INVALID_ARGUMENT);
    // Items of the default type stay installed: what their install programs did is unknown.
    GuidValue type;
    HRESULT hr = ReadItemType(pItem, type, ret);
    if (hr != S_OK) return hr;
    return Report(ret, IsDefaultItemType(type) ? ZULERR_UNINSTALL_NOT_SUPPORTED : ZULERR_ITEM_TYPE_NOT_SUPPORTED);
}
