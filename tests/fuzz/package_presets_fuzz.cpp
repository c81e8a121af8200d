// Fuzzes the package's presets data: any text gives three fields that together are no longer
// than the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/PresetsData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PresetsData presets = ParsePresetsData(std::string_view(reinterpret_cast<const char*>(data), size));
    if (presets.directory.size() + presets.channels.size() + presets.distId.size() > size) __builtin_trap();
    if (presets.channels.find('|') != std::string::npos) __builtin_trap();
    return 0;
}
