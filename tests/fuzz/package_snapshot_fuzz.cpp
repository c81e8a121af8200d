// Fuzzes the rollback data's text form: text that decodes encodes back to a text that decodes to
// the same records.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/SnapshotText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto records = DecodeSnapshot(std::string_view(reinterpret_cast<const char*>(data), size));
    if (records && DecodeSnapshot(EncodeSnapshot(*records)) != records) __builtin_trap();
    return 0;
}
