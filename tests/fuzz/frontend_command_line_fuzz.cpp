// Fuzzes the front-end's command line: the input is split at zero bytes into arguments.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/VelorinCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> pieces(1, "ZULVelorin.exe");
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size) pieces.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& piece : pieces) argv.push_back(piece.c_str());

    VelorinCommand command;
    const CommandLineError error = ParseVelorinCommandLine(static_cast<int>(argv.size()), argv.data(), command);
    if (error != CommandLineError::None) {
        if (command.serverMode) __builtin_trap();
        return 0;
    }
    // Every value points at one of the arguments.
    for (const char* value : command.values) {
        if (!value) continue;
        bool found = false;
        for (const char* arg : argv) found = found || arg == value;
        if (!found) __builtin_trap();
    }
    if (command.serverMode != (command.Has(FlagKeyword::Embedding) || argv.size() == 1)) __builtin_trap();
    return 0;
}
