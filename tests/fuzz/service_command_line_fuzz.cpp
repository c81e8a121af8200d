// Fuzzes the outside texts the channel manager reads at start-up and registration: its command
// line, the "distid.dat" text and comma lists of identifiers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/CommaList.h"
#include "service/CommandLine.h"
#include "service/DistIdText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ServiceCommand command = ScanServiceCommandLine(text.c_str());
    if (command.action != ServiceAction::Run && command.action != ServiceAction::Register &&
        command.action != ServiceAction::Unregister)
        __builtin_trap();

    const std::string trimmed = TrimDistIdText(text);
    if (trimmed.size() > text.size() || text.compare(0, trimmed.size(), trimmed) != 0) __builtin_trap();

    size_t total = 0;
    for (const std::string& piece : SplitCommaList(text)) {
        if (piece.empty() || piece.find(',') != std::string::npos) __builtin_trap();
        total += piece.size();
    }
    if (total > text.size()) __builtin_trap();
    return 0;
}
