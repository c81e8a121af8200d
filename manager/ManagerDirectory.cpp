#include "manager/ManagerDirectory.h"

#include <windows.h>

#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

ZULError ReadManagerDirectory(std::string& directory) {
    char buffer[1024] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kPath, buffer, sizeof buffer) == ERROR_SUCCESS) {
        buffer[sizeof buffer - 1] = '\0';
        directory = buffer;
        return ZULERR_SUCCESS;
    }
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return ZULERR_FAILED;
    char* lastSeparator = strrchr(buffer, '\\');
    if (!lastSeparator || lastSeparator == buffer) return ZULERR_FAILED;
    *lastSeparator = '\0';
    if (RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kPath, buffer) != ERROR_SUCCESS)
        return ZULERR_FAILED;
    directory = buffer;
    return ZULERR_SUCCESS;
}
