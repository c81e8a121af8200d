// The member walk over any bytes: directory read, MSZIP and stored folders decoded.
#include <cstddef>
#include <cstdint>

#include "archive/CabinetMemberWalk.h"

namespace {
class DiscardingSink : public CabinetMemberSink {
public:
    Take Begin(const CabinetMember&) override { return Take::Write; }
    bool Write(const unsigned char*, size_t) override { return true; }
    bool End(const CabinetMember&) override { return true; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CabinetDirectory directory;
    if (!ReadCabinetDirectory(data, size, &directory)) return 0;
    DiscardingSink sink;
    WalkCabinetMembers(data, directory, sink);
    return 0;
}
