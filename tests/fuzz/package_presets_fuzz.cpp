// Fuzzes the package's presets data and property checks: any text gives fields that together
// are no longer than the input, and a distribution identifier that passes the check holds no
// field separator.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/PackageProperties.h"
#include "package/PresetsData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PresetsData presets = ParsePresetsData(text);
    if (presets.directory.size() + presets.frontEndDirectory.size() + presets.channels.size() +
            presets.publisherKey.size() + presets.distId.size() > size)
        __builtin_trap();
    if (presets.channels.find('|') != std::string::npos) __builtin_trap();
    if (IsValidDistId(text) && text.find_first_of("|\"\r\n") != std::string_view::npos) __builtin_trap();
    (void)IsValidChannelList(text);
    return 0;
}
