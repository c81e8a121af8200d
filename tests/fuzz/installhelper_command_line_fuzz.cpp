// Fuzzes the install helper's command line: the input, split at NUL bytes, is the argument
// vector after the program name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "installhelper/InstallOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words(1, "TYInstallHelper.exe");
    words.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) words.emplace_back();
        else words.back() += static_cast<char>(data[i]);
    }
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    const ParsedOptions parsed = ParseInstallOptions(static_cast<int>(argv.size()), argv.data());
    const OptionsOutcome outcome = parsed.outcome;
    if (outcome != OptionsOutcome::Accepted && outcome != OptionsOutcome::MissingValue &&
        outcome != OptionsOutcome::UnknownWord)
        __builtin_trap();
    if (parsed.options.title.size() > size || parsed.options.html.size() > size) __builtin_trap();
    return 0;
}
