#include "common/RegistryHelpers.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "common/Handles.h"

namespace {

// Room left after a value for the text appended to it.
constexpr size_t kEditSlack = 64;
// Longest key name plus its zero.
constexpr DWORD kKeyNameSize = 256;

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Rounds a value that keeps changing size between the size query and the read.
constexpr int kReadAttempts = 4;

struct EditableValue {
    std::unique_ptr<char[]> text;
};

// Reads a value of HKEY_LOCAL_MACHINE (creating its key) into a buffer with room for `extra`
// more characters and a zero; a missing value reads as empty.
LONG ReadForEdit(const char* subKey, const char* valueName, size_t extra, EditableValue& value) {
    UniqueRegKey key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) return result;

    DWORD size = 0;
    DWORD type = REG_SZ;
    result = RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND || (result == ERROR_SUCCESS && !IsStringType(type))) size = 0;  // absent
    else if (result != ERROR_SUCCESS) return result;

    if (extra > SIZE_MAX - kEditSlack - size) return ERROR_NOT_ENOUGH_MEMORY;
    value.text.reset(new (std::nothrow) char[size + extra + kEditSlack]);
    if (!value.text) return ERROR_NOT_ENOUGH_MEMORY;

    DWORD received = size;
    if (size > 0) {
        result = RegQueryValueExA(key.get(), valueName, nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(value.text.get()), &received);
        // A value that grew meanwhile is not overwritten with a shortened copy.
        if (result == ERROR_FILE_NOT_FOUND) received = 0;
        else if (result != ERROR_SUCCESS) return result;
    }
    // The stored data need not end in a zero; the buffer has room for one after it.
    value.text[received] = '\0';
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegReadValue(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize) {
    if (!buffer || bufferSize == 0) return ERROR_INVALID_PARAMETER;
    buffer[0] = '\0';
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key.put());
    if (result != ERROR_SUCCESS) return result;

    DWORD type = 0;
    DWORD size = bufferSize;
    result = RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result == ERROR_SUCCESS && !IsStringType(type)) result = ERROR_INVALID_DATA;
    if (result != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return result;
    }
    // A string stored without its zero gets one, or is refused when none fits.
    if (IsStringType(type) && (size == 0 || buffer[size - 1] != '\0')) {
        if (size >= bufferSize) {
            buffer[0] = '\0';
            return ERROR_MORE_DATA;
        }
        buffer[size] = '\0';
    }
    return ERROR_SUCCESS;
}

LONG RegReadString(HKEY root, const char* subKey, const char* valueName, std::string& out) {
    out.clear();
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key.put());
    if (result != ERROR_SUCCESS) return result;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        result = RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        if (!IsStringType(type)) return ERROR_INVALID_DATA;
        std::string text(size + 1, '\0');
        DWORD received = size;
        result = RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &received);
        if (result == ERROR_MORE_DATA) continue;  // it grew meanwhile
        if (result != ERROR_SUCCESS) return result;
        if (!IsStringType(type)) return ERROR_INVALID_DATA;
        text.resize(received);
        out.assign(text.c_str());  // up to the first zero, stored or not
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

LONG RegWriteString(HKEY root, const char* subKey, const char* valueName, const char* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    UniqueRegKey key;
    LONG result = RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                  key.put(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    const DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

LONG RegAppendToString(const char* subKey, const char* valueName, const char* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    const size_t length = std::strlen(text);
    EditableValue value;
    LONG result = ReadForEdit(subKey, valueName, length, value);
    if (result != ERROR_SUCCESS) return result;
    if (std::strstr(value.text.get(), text)) return ERROR_SUCCESS;
    std::strcat(value.text.get(), text);
    return RegWriteString(HKEY_LOCAL_MACHINE, subKey, valueName, value.text.get());
}

LONG RegRemoveFromString(const char* subKey, const char* valueName, const char* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    const size_t length = std::strlen(text);
    EditableValue value;
    LONG result = ReadForEdit(subKey, valueName, 0, value);
    if (result != ERROR_SUCCESS) return result;
    char* found = length ? std::strstr(value.text.get(), text) : nullptr;
    if (!found) return ERROR_SUCCESS;
    std::memmove(found, found + length, std::strlen(found + length) + 1);
    return RegWriteString(HKEY_LOCAL_MACHINE, subKey, valueName, value.text.get());
}

LONG RegDeleteValueOf(HKEY root, const char* subKey, const char* valueName) {
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(root, subKey, 0, KEY_SET_VALUE, key.put());
    if (result != ERROR_SUCCESS) return result;
    return RegDeleteValueA(key.get(), valueName);
}

LONG RegDeleteKeyTree(HKEY root, const char* subKey) {
    // An empty sub-key would name the root itself and empty it.
    if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(root, subKey, 0, KEY_READ | KEY_WRITE, key.put());
    if (result != ERROR_SUCCESS) return result;

    char stale[kKeyNameSize] = "";  // a sub-key that vanished while it was being deleted
    for (;;) {
        char name[kKeyNameSize];
        DWORD nameSize = kKeyNameSize;
        result = RegEnumKeyExA(key.get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        result = RegDeleteKeyTree(key.get(), name);
        if (result == ERROR_SUCCESS) {
            stale[0] = '\0';
        } else if (result != ERROR_FILE_NOT_FOUND || std::strcmp(stale, name) == 0) {
            // Any other failure, or a "not found" that recurs for the same name, would loop.
            return result;
        } else {
            std::strcpy(stale, name);
        }
    }
    key.reset();
    return RegDeleteKeyA(root, subKey);
}
