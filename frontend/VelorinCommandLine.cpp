#include "frontend/VelorinCommandLine.h"

#include <iterator>

#include "common/TextCompare.h"

namespace {

// Compared in this order; the first match wins.
constexpr const char* kFlagNames[] = {
    "RegServer", "UnregServer", "Embedding", "TrayIcon", "MachinePrep", "CheckDirectories",
    "RefreshMenu", "EnableUpdates", "DisableUpdates", "About", "Boot",
};
constexpr const char* kValuedNames[] = {
    "NotifyGameInstalled", "NotifyGameUninstalled", "NotifyGameLaunch", "LaunchNewGame",
    "LaunchNotification", "UninstallItem", "AboutChannel", "Subscribe", "Unsubscribe",
    "MainMenuName", "MainMenuUpdatedSuffix", "MyGamesName", "VelorinDir",
};
static_assert(std::size(kFlagNames) == static_cast<size_t>(FlagKeyword::Count));
static_assert(std::size(kValuedNames) == static_cast<size_t>(ValuedKeyword::Count));

template <size_t N>
int IndexOf(const char* const (&names)[N], const char* word) {
    for (size_t i = 0; i < N; ++i)
        if (EqualsNoCase(word, names[i])) return static_cast<int>(i);
    return -1;
}

}  // namespace

CommandLineError ParseVelorinCommandLine(int argc, const char* const* argv, VelorinCommand& out) {
    out = VelorinCommand{};
    if (!argv || argc < 1) return CommandLineError::NoArguments;
    VelorinCommand command;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        // The introducing character is skipped whatever it is; an empty argument names nothing.
        if (!argument || !*argument) return CommandLineError::UnknownKeyword;
        const char* word = argument + 1;
        if (int flag = IndexOf(kFlagNames, word); flag >= 0) {
            ++command.flags[flag];
            continue;
        }
        int valued = IndexOf(kValuedNames, word);
        if (valued < 0) return CommandLineError::UnknownKeyword;
        if (i + 1 >= argc || !argv[i + 1]) return CommandLineError::MissingValue;
        command.values[valued] = argv[++i];
    }
    command.serverMode = command.Has(FlagKeyword::Embedding) || argc == 1;
    out = command;
    return CommandLineError::None;
}

const char* KeywordName(FlagKeyword k) { return kFlagNames[static_cast<size_t>(k)]; }
const char* KeywordName(ValuedKeyword k) { return kValuedNames[static_cast<size_t>(k)]; }
