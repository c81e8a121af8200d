#include "records/RecordTestSupport.h"

#include <objbase.h>

#include "common/Handles.h"
#include "common/RegistryHelpers.h"

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << "{hr=0x" << std::hex << static_cast<unsigned long>(outcome.hr) << std::dec
               << ", ret=" << static_cast<int>(outcome.ret) << "}";
}

namespace recordtest {

std::string Take(char* text) {
    if (!text) return "<null>";
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}

namespace {
void SetValue(const std::string& key, const char* name, DWORD type, const std::string& bytes) {
    UniqueRegKey handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, handle.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}
}  // namespace

void WriteValue(const std::string& key, const char* name, const std::string& text) {
    SetValue(key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void WriteBinary(const std::string& key, const char* name, const std::string& bytes) {
    SetValue(key, name, REG_BINARY, bytes);
}

std::optional<std::string> ReadValue(const std::string& key, const char* name) {
    UniqueRegKey handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, handle.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExA(handle.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string text(size, '\0');
    if (RegQueryValueExA(handle.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

bool KeyExists(const std::string& key) {
    UniqueRegKey handle;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, handle.put()) == ERROR_SUCCESS;
}

void CreateKey(const std::string& key) {
    UniqueRegKey handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(),
                              nullptr),
              ERROR_SUCCESS);
}

std::vector<std::string> ValueNames(const std::string& key) {
    std::vector<std::string> names;
    UniqueRegKey handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, handle.put()) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        char name[20000];
        DWORD size = sizeof name;
        if (RegEnumValueA(handle.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

void RecordsTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, kTessaryKey);
}

void RecordsTest::TearDown() {
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, kTessaryKey);
    CoUninitialize();
}

}  // namespace recordtest
