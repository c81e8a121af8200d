#include "installhelper/InstallOptions.h"

#include <string_view>

#include "common/TextCompare.h"

namespace {

enum class Word { GameGui, KillZulm, GameName, Title, Html, Scroll, NoKsInst, Unknown };

struct WordName {
    const char* text;
    Word word;
};

constexpr WordName kWords[] = {
    {"GameGUI", Word::GameGui}, {"KillZULM", Word::KillZulm}, {"GameName", Word::GameName},
    {"Title", Word::Title},     {"HTML", Word::Html},         {"Scroll", Word::Scroll},
    {"NoKSInst", Word::NoKsInst},
};

Word Classify(const char* argument) {
    if (!argument || !argument[0]) return Word::Unknown;
    const std::string_view word(argument + 1);  // the introducer, whatever it is, is skipped
    for (const WordName& known : kWords)
        if (EqualsNoCase(word, known.text)) return known.word;
    return Word::Unknown;
}

// The value slot of an option that takes one, or null for a flag.
std::string* ValueSlot(Word word, InstallOptions& options) {
    switch (word) {
    case Word::GameName: options.hasGameName = true; return &options.gameName;
    case Word::Title: options.hasTitle = true; return &options.title;
    case Word::Html: options.hasHtml = true; return &options.html;
    default: return nullptr;
    }
}

}  // namespace

ParsedOptions ParseInstallOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    if (!argv || argc < 1) {
        parsed.outcome = OptionsOutcome::NoArguments;
        return parsed;
    }
    InstallOptions& options = parsed.options;
    for (int i = 1; i < argc; ++i) {
        const Word word = Classify(argv[i]);
        switch (word) {
        case Word::Unknown: parsed.outcome = OptionsOutcome::UnknownWord; return parsed;
        case Word::GameGui: ++options.gameGui; continue;
        case Word::KillZulm: options.killZulm = true; continue;
        case Word::Scroll: options.scroll = true; continue;
        case Word::NoKsInst: options.noKsInst = true; continue;
        default: break;
        }
        std::string* slot = ValueSlot(word, options);
        if (i + 1 >= argc) {
            parsed.outcome = OptionsOutcome::MissingValue;
            return parsed;
        }
        const char* value = argv[++i];
        *slot = value ? value : "";
    }
    return parsed;
}
