// Feeds arbitrary bytes to the file-set description parser (and the member-name check, which
// sees the same kind of outside text).
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/FileSetDescription.h"
#include "archive/MemberPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    FileSetDescription description;
    (void)ParseFileSetDescription(text, size, &description);

    std::string name(text, size);
    std::string target;
    if (JoinMemberPath("C:\\out", name.c_str(), &target)) {
        if (target.compare(0, 7, "C:\\out\\") != 0) __builtin_trap();
        if (target.find(':', 2) != std::string::npos) __builtin_trap();
    }
    return 0;
}
