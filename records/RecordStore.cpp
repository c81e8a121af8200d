#include "records/RecordStore.h"

#include <windows.h>

#include <cstring>
#include <exception>

#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {
// The product's record keys are the product key followed by the record kinds.
constexpr bool IsKindKey(std::string_view key, std::string_view kind) {
    const std::string_view product = ProductKeys::kZUL;
    return key.size() == product.size() + 1 + kind.size() && key.starts_with(product) &&
           key[product.size()] == '\\' && key.ends_with(kind);
}
static_assert(IsKindKey(ProductKeys::kChannels, RecordKinds::kChannel));
static_assert(IsKindKey(ProductKeys::kItems, RecordKinds::kItem));
static_assert(IsKindKey(ProductKeys::kFileSets, RecordKinds::kFileSet));
}  // namespace

bool RecordKindKeyPath(std::string_view kind, std::string& path) noexcept {
    try {
        path.assign(ProductKeys::kZUL).append("\\").append(kind);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool RecordKeyPath(std::string_view kind, const C_PropertyBlock& block, std::string& path) noexcept {
    if (!RecordKindKeyPath(kind, path)) return false;
    try {
        path.append("\\").append(block.IdText());
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

ZULError LoadRecordValues(std::string_view kind, C_PropertyBlock& block) noexcept {
    std::string path;
    if (!RecordKeyPath(kind, block, path)) return ZULERR_OUT_OF_MEMORY;
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return ZULERR_NOT_FOUND;

    char name[kRecordNameBufferSize];
    // One byte beyond the data buffer so that data stored without a terminator gets one.
    BYTE data[kRecordDataBufferSize + 1];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = kRecordNameBufferSize;
        DWORD dataSize = kRecordDataBufferSize;
        LONG result = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, nullptr, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) return ZULERR_SUCCESS;
        if (result != ERROR_SUCCESS) return ZULERR_REG_GET_VALUE_FAILED;
        if (IsGuidKey(std::string_view(name, nameSize))) continue;
        data[dataSize] = 0;
        const char* text = reinterpret_cast<const char*>(data);
        ZULError code = block.SetProp(std::string_view(name, nameSize), std::string_view(text, std::strlen(text)));
        if (code != ZULERR_SUCCESS) return code;
    }
}

ZULError WriteRecordValues(std::string_view kind, const C_PropertyBlock& block) noexcept {
    if (!block.HasId()) return ZULERR_BAD_GUID;
    std::string path;
    if (!RecordKeyPath(kind, block, path)) return ZULERR_OUT_OF_MEMORY;
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return ZULERR_OPEN_REG_KEY_FAILED;

    for (size_t i = 0; i < block.EntryCount(); ++i) {
        const std::string_view name = block.Key(i);
        if (IsGuidKey(name)) continue;
        // Views of a block are zero-terminated.
        const std::string_view value = block.Value(i);
        if (value.size() >= MAXDWORD) return ZULERR_REG_SET_VALUE_FAILED;
        if (RegSetValueExA(key.get(), name.data(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                           static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
            return ZULERR_REG_SET_VALUE_FAILED;
    }
    return ZULERR_SUCCESS;
}

void DeleteRecordValue(std::string_view kind, const C_PropertyBlock& block, const char* name) noexcept {
    std::string path;
    if (!block.HasId() || !RecordKeyPath(kind, block, path)) return;
    RegDeleteValueOf(HKEY_LOCAL_MACHINE, path.c_str(), name);
}

ZULError DeleteRecordKey(std::string_view kind, const C_PropertyBlock& block) noexcept {
    if (!block.HasId()) return ZULERR_BAD_GUID;
    std::string path;
    if (!RecordKeyPath(kind, block, path)) return ZULERR_OUT_OF_MEMORY;
    return RegDeleteKeyTree(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS ? ZULERR_SUCCESS : ZULERR_FAILED;
}
