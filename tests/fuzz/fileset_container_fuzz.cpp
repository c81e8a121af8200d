// Feeds arbitrary bytes to the file-set container search the way an archive is opened: the
// description cabinet in the whole block, then the payload cabinet in the rest. Also checks the
// memory pseudo-path parser against its formatter and runs the cabinet directory check over the
// input and over each cabinet found.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "archive/CabinetDirectory.h"
#include "archive/FileSetContainer.h"
#include "archive/MemoryPath.h"

namespace {

void CheckSpan(const uint8_t* block, size_t length, const FileSetCabinetSpan& span) {
    if (span.offset < kFileSetDelimiterLength || span.offset > length) __builtin_trap();
    if (span.length > length - span.offset || span.length < kCabinetSignatureLength) __builtin_trap();
    if (std::memcmp(block + span.offset, kCabinetSignature, kCabinetSignatureLength) != 0) __builtin_trap();
}

void CheckMemoryPath(const uint8_t* data, size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    uint64_t address = 0;
    uint32_t blockSize = 0;
    if (!ParseMemoryPath(name.c_str(), &address, &blockSize)) return;
    char formatted[kMemoryPathBufferSize];
    size_t length = FormatMemoryPath(address, blockSize, formatted);
    if (length != std::strlen(name.c_str())) __builtin_trap();
    uint64_t again = 0;
    uint32_t againSize = 0;
    if (!ParseMemoryPath(formatted, &again, &againSize) || again != address || againSize != blockSize)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckMemoryPath(data, size);
    CheckCabinetDirectory(data, size);

    FileSetCabinetSpan description;
    if (FindFileSetCabinet(data, size, &description) != ZULERR_SUCCESS) return 0;
    CheckSpan(data, size, description);
    CheckCabinetDirectory(data + description.offset, description.length);

    const size_t restOffset = description.offset + description.length;
    FileSetCabinetSpan payload;
    if (FindFileSetCabinet(data + restOffset, size - restOffset, &payload) != ZULERR_SUCCESS) return 0;
    CheckSpan(data + restOffset, size - restOffset, payload);
    CheckCabinetDirectory(data + restOffset + payload.offset, payload.length);
    return 0;
}
