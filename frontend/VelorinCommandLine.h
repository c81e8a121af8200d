// The front-end's command line: keywords, each introduced by one character of any kind (the
// program writes "-" and "/"), compared without regard to case. Flag keywords count their
// occurrences; valued keywords take the next argument verbatim, a repeat keeping the last.
#pragma once
#include <cstddef>
#include <cstdint>

enum class FlagKeyword {
    RegServer, UnregServer, Embedding, TrayIcon, MachinePrep, CheckDirectories, RefreshMenu,
    EnableUpdates, DisableUpdates, About, Boot, Count
};

enum class ValuedKeyword {
    NotifyGameInstalled, NotifyGameUninstalled, NotifyGameLaunch, LaunchNewGame,
    LaunchNotification, UninstallItem, AboutChannel, Subscribe, Unsubscribe, MainMenuName,
    MainMenuUpdatedSuffix, MyGamesName, VelorinDir, Count
};

// Why a command line did not parse.
enum class CommandLineError {
    None = 0,
    MissingValue = 2,    // a valued keyword is the last argument
    UnknownKeyword = 3,  // an argument names no keyword
    NoArguments = 4,     // no argument vector at all
};

struct VelorinCommand {
    uint32_t flags[static_cast<size_t>(FlagKeyword::Count)] = {};
    // Pointers into the argument vector; null when the keyword was not given.
    const char* values[static_cast<size_t>(ValuedKeyword::Count)] = {};
    // An "Embedding" start, or one without any argument: serve the COM class.
    bool serverMode = false;

    uint32_t Count(FlagKeyword k) const { return flags[static_cast<size_t>(k)]; }
    bool Has(FlagKeyword k) const { return Count(k) != 0; }
    const char* Value(ValuedKeyword k) const { return values[static_cast<size_t>(k)]; }
    bool Has(ValuedKeyword k) const { return Value(k) != nullptr; }
};

// Parses argv[1..argc-1] (argv[0] is the program). On an error the command is left zeroed.
[[nodiscard]] CommandLineError ParseVelorinCommandLine(int argc, const char* const* argv, VelorinCommand& out);

// The keyword as the program writes it, without its introducing character ("Subscribe").
const char* KeywordName(FlagKeyword k);
const char* KeywordName(ValuedKeyword k);
