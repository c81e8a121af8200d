// Custom actions of the installation package (a DLL carried inside the package, never installed).
//   CheckProperties     first, before anything changes: refuses a bad SUBSCRIBEDCHANNELS, DISTID or
//                       PUBLISHERKEY with a message that names the property.
//   EndPrograms         asks the running front-end and manager to end and waits, quietly; what
//                       stays running is left to Windows Installer's files-in-use handling.
//                       Immediate in the user's session before the transaction; as a deferred
//                       action it ends the manager that an unregistration started through COM.
//   PrepareRollback     captures what the transaction may change outside the files (the system's
//                       records, Run values, uninstall entry, the files registration creates) as
//                       the data of the rollback action that runs RestoreMachine, and whether the
//                       programs were registered (ZULREGISTERED).
//   RestoreMachine      rollback: puts the captured state back.
//   RemoveRegistrations rollback of a first installation, after both unregistrations: deletes
//                       what of the programs' registrations is still there (COM classes, proxies,
//                       type libraries, Run values, the uninstall entry), so that none names a
//                       deleted file whatever an unregistration could do during the rollback.
//   HandOverPresets     before the manager registers: records its directory as "Path", the
//                       channel list as "SubscribedChannels", the publisher key as "PublisherKey",
//                       and DISTID as "distid.dat" in both programs' folders.
//   RemoveRegistrationLeftovers  on removal, after both programs unregistered: the uninstall entry
//                       "TessaryZUL" and the front-end's Run value.
//   RemoveSystemData    commit of a removal: the items, channels, file sets and records.
//   FailForTests        fails the transaction (scheduled only when the tests ask for it).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "common/Handles.h"
#include "common/JoinedPath.h"
#include "common/LeftoverRegistrations.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/PublisherKey.h"
#include "common/RegistryHelpers.h"
#include "common/RunningPrograms.h"
#include "common/VelorinIds.h"
#include "package/MachineSnapshot.h"
#include "package/PackageProperties.h"
#include "package/PresetsData.h"
#include "package/SystemDataRemoval.h"

namespace {

constexpr char kDistIdFile[] = "distid.dat";
constexpr char kPublisherKeyValue[] = "PublisherKey";
constexpr char kRestoreAction[] = "UndoMachineChanges";  // its data: the property of its name
constexpr char kRegisteredProperty[] = "ZULREGISTERED";
constexpr char kManagerDirProperty[] = "ZULDIR";
constexpr char kFrontEndDirProperty[] = "VELORINDIR";
constexpr char kAppInfoFolder[] = "TYUpdates\\ZULManager";
constexpr char kAppInfoFile[] = "TYUpdates\\ZULManager\\appinfo.dat";
constexpr char kUpdatesFolder[] = "TYUpdates";

std::string Property(MSIHANDLE install, const char* name) {
    DWORD length = 0;
    char empty[1] = "";
    if (MsiGetPropertyA(install, name, empty, &length) != ERROR_MORE_DATA) return {};
    std::string value(length + 1, '\0');
    length = static_cast<DWORD>(value.size());
    if (MsiGetPropertyA(install, name, value.data(), &length) != ERROR_SUCCESS) return {};
    value.resize(length);
    return value;
}

// The deferred action's data: the text that the package formatted for it when it scheduled it.
std::string CustomActionData(MSIHANDLE install) { return Property(install, "CustomActionData"); }

bool WriteTextFile(const std::string& path, const std::string& text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// An error message through Windows Installer (a box in the UI levels that show one, the log always).
void ReportError(MSIHANDLE install, const std::string& text) {
    const MSIHANDLE record = MsiCreateRecord(1);
    if (!record) return;
    MsiRecordSetStringA(record, 0, "[1]");
    MsiRecordSetStringA(record, 1, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
    MsiCloseHandle(record);
}

// The first refused property's message, or "" when all are acceptable.
std::string RefusedProperty(MSIHANDLE install) {
    using namespace PackageProperties;
    if (!IsValidChannelList(Property(install, kSubscribedChannels)))
        return RefusedPropertyMessage(kSubscribedChannels, "it must be a comma-separated list of channel GUIDs.");
    if (!IsValidDistId(Property(install, kDistId)))
        return RefusedPropertyMessage(
            kDistId, "it must be printable text of at most 256 characters without \", | or line breaks.");
    const std::string key = Property(install, kPublisherKey);
    P256Point point{};
    const std::string problem = key.empty() ? std::string() : PublisherKeyProblem(key, point);
    if (!problem.empty())
        return RefusedPropertyMessage(
            kPublisherKey, ("it must be the base64 text of an uncompressed ECDSA P-256 public key (65 bytes): " + problem + ".").c_str());
    return {};
}

std::string Joined(const std::string& base, const char* name) {
    std::string path;
    return JoinedPath(TrimmedDirectory(base), name, path) ? path : std::string();
}

SnapshotScope RollbackScope(MSIHANDLE install) {
    const std::string managerDir = Property(install, kManagerDirProperty);
    const std::string frontEndDir = Property(install, kFrontEndDirProperty);
    const std::string makerDir = GetMakerDirectory();
    SnapshotScope scope;
    scope.trees = {ProductKeys::kTessary, ProductKeys::kUninstallZUL};
    scope.values = {{ProductKeys::kRun, "ZULM"}, {ProductKeys::kRun, VelorinIds::kProgramName}};
    scope.files = {Joined(managerDir, kDistIdFile), Joined(frontEndDir, kDistIdFile), Joined(makerDir, kAppInfoFile)};
    scope.folders = {Joined(makerDir, kAppInfoFolder), Joined(makerDir, kUpdatesFolder), TrimmedDirectory(managerDir),
                     TrimmedDirectory(frontEndDir), TrimmedDirectory(makerDir)};
    return scope;
}

bool ProgramsRegistered() {
    UniqueRegKey key;
    const std::string server = std::string("Software\\Classes\\CLSID\\") + ProductIds::kZULManagerClsid + "\\LocalServer32";
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, server.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool WriteDistIdFile(const std::string& directory, const std::string& distId) {
    std::string path;
    return JoinedPath(directory, kDistIdFile, path) && WriteTextFile(path, distId);
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall CheckProperties(MSIHANDLE install) {
    const std::string refused = RefusedProperty(install);
    if (refused.empty()) return ERROR_SUCCESS;
    ReportError(install, refused);
    return ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall EndPrograms(MSIHANDLE) {
    (void)EndRunningPrograms();
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall PrepareRollback(MSIHANDLE install) {
    const std::string snapshot = EncodeSnapshot(CaptureSnapshot(RollbackScope(install)));
    if (MsiSetPropertyA(install, kRestoreAction, snapshot.c_str()) != ERROR_SUCCESS) return ERROR_INSTALL_FAILURE;
    return MsiSetPropertyA(install, kRegisteredProperty, ProgramsRegistered() ? "1" : "") == ERROR_SUCCESS
               ? ERROR_SUCCESS
               : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RestoreMachine(MSIHANDLE install) {
    const auto records = DecodeSnapshot(CustomActionData(install));
    if (!records) return ERROR_INSTALL_FAILURE;
    return RestoreSnapshot(*records) ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveRegistrations(MSIHANDLE) {
    (void)RemoveLeftoverRegistrations();
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall HandOverPresets(MSIHANDLE install) {
    const PresetsData presets = ParsePresetsData(CustomActionData(install));
    if (presets.directory.empty() || presets.frontEndDirectory.empty()) return ERROR_INSTALL_FAILURE;
    if (RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kPath, presets.directory.c_str()) !=
        ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    if (!presets.channels.empty() &&
        RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kSubscribedChannels,
                       presets.channels.c_str()) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    if (!presets.publisherKey.empty() &&
        RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, kPublisherKeyValue, presets.publisherKey.c_str()) !=
            ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    if (!presets.distId.empty() &&
        (!WriteDistIdFile(presets.directory, presets.distId) || !WriteDistIdFile(presets.frontEndDirectory, presets.distId)))
        return ERROR_INSTALL_FAILURE;
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveRegistrationLeftovers(MSIHANDLE) {
    const auto gone = [](LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; };
    const bool entryGone = gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, ProductKeys::kUninstallZUL));
    const bool runValueGone = gone(RegDeleteValueOf(HKEY_LOCAL_MACHINE, ProductKeys::kRun, VelorinIds::kProgramName));
    return entryGone && runValueGone ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// Commit: nothing can bring the deleted data back, so it goes only once the removal stands.
extern "C" __declspec(dllexport) UINT __stdcall RemoveSystemData(MSIHANDLE install) {
    const PresetsData folders = ParsePresetsData(CustomActionData(install));
    return DeleteSystemData(folders.directory, folders.frontEndDirectory) ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall FailForTests(MSIHANDLE) { return ERROR_INSTALL_FAILURE; }
