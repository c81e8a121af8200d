#include "uninstall/InstalledProduct.h"

#include <windows.h>
#include <msi.h>

std::optional<std::string> FindInstalledProductCode(const char* upgradeCode) {
    const std::string braced = std::string("{") + upgradeCode + "}";
    char productCode[39] = {};
    if (MsiEnumRelatedProductsA(braced.c_str(), 0, 0, productCode) != ERROR_SUCCESS) return std::nullopt;
    return std::string(productCode);
}
