#include "package/MachineSnapshot.h"

#include <windows.h>

#include "common/Handles.h"
#include "common/RegistryHelpers.h"

namespace {

using Kind = SnapshotRecord::Kind;

UniqueRegKey OpenKey(const std::string& key, REGSAM access) {
    UniqueRegKey opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, opened.put()) != ERROR_SUCCESS) opened.release();
    return opened;
}

// The value's type and bytes, or false when it does not exist.
bool ReadRawValue(HKEY key, const std::string& name, uint32_t& type, std::string& data) {
    DWORD valueType = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &valueType, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    data.resize(size);
    type = valueType;
    return true;
}

void CaptureKey(const std::string& path, std::vector<SnapshotRecord>& records) {
    UniqueRegKey key = OpenKey(path, KEY_READ);
    if (!key) return;
    records.push_back({Kind::Key, path, "", 0, ""});
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        SnapshotRecord value{Kind::Value, path, std::string(name, length), 0, ""};
        if (ReadRawValue(key.get(), value.name, value.type, value.data)) records.push_back(std::move(value));
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        CaptureKey(path + "\\" + std::string(name, length), records);
    }
}

bool Gone(LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

bool RestoreOne(const SnapshotRecord& record) {
    switch (record.kind) {
    case Kind::Tree:
        return Gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, record.key.c_str()));
    case Kind::Key: {
        UniqueRegKey key;
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, record.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                               nullptr) == ERROR_SUCCESS;
    }
    case Kind::Value: {
        UniqueRegKey key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, record.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                            nullptr) != ERROR_SUCCESS)
            return false;
        return RegSetValueExA(key.get(), record.name.c_str(), 0, record.type,
                              reinterpret_cast<const BYTE*>(record.data.data()),
                              static_cast<DWORD>(record.data.size())) == ERROR_SUCCESS;
    }
    case Kind::Absent:
        return Gone(RegDeleteValueOf(HKEY_LOCAL_MACHINE, record.key.c_str(), record.name.c_str()));
    case Kind::NewFile:
        return DeleteFileA(record.key.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
               GetLastError() == ERROR_PATH_NOT_FOUND;
    case Kind::NewFolder:
        RemoveDirectoryA(record.key.c_str());  // stays when something else lives in it
        return true;
    }
    return false;
}

}  // namespace

std::vector<SnapshotRecord> CaptureSnapshot(const SnapshotScope& scope) {
    std::vector<SnapshotRecord> records;
    for (const std::string& tree : scope.trees) {
        records.push_back({Kind::Tree, tree, "", 0, ""});
        CaptureKey(tree, records);
    }
    for (const auto& [keyPath, name] : scope.values) {
        SnapshotRecord value{Kind::Value, keyPath, name, 0, ""};
        UniqueRegKey key = OpenKey(keyPath, KEY_READ);
        if (key && ReadRawValue(key.get(), name, value.type, value.data))
            records.push_back(std::move(value));
        else
            records.push_back({Kind::Absent, keyPath, name, 0, ""});
    }
    for (const std::string& file : scope.files)
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) records.push_back({Kind::NewFile, file, "", 0, ""});
    for (const std::string& folder : scope.folders)
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            records.push_back({Kind::NewFolder, folder, "", 0, ""});
    return records;
}

bool RestoreSnapshot(const std::vector<SnapshotRecord>& records) {
    bool all = true;
    for (const SnapshotRecord& record : records) all = IsRestorable(record) && RestoreOne(record) && all;
    return all;
}
