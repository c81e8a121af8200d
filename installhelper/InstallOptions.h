// The install helper's command line: option words, each compared after skipping its first
// character (so "-GameGUI" and "/gamegui" both work) and without regard to case.
#pragma once
#include <string>

enum class OptionsOutcome {
    Accepted = 0,
    MissingValue = 2,   // an option that takes a value is the last argument
    UnknownWord = 3,
    NoArguments = 4,    // the runtime gave no argument vector
};

// Any parse failure ends the process with this code.
constexpr int kBadCommandLineExitCode = 3;

struct InstallOptions {
    int gameGui = 0;        // counted; only whether it was given matters
    bool killZulm = false;
    bool scroll = false;
    bool noKsInst = false;
    bool hasGameName = false;
    bool hasTitle = false;
    bool hasHtml = false;
    std::string gameName;   // accepted, never used
    std::string title;      // the window's caption
    std::string html;       // the HTML pane's page
};

struct ParsedOptions {
    OptionsOutcome outcome = OptionsOutcome::Accepted;
    InstallOptions options;
};

// Parses argv[1..argc-1] (argv[0] is the program).
ParsedOptions ParseInstallOptions(int argc, const char* const* argv);
