// Fuzzes the command line of Uninstall.exe.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "uninstall/UninstallCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    if (IsConfirmedStart(line) && line.size() < std::string_view(kConfirmedWord).size()) __builtin_trap();
    return 0;
}
