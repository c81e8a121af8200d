#include "uninstall/UninstallCommandLine.h"

#include "common/TextCompare.h"

bool IsConfirmedStart(std::string_view commandLine) {
    while (!commandLine.empty() && (commandLine.back() == ' ' || commandLine.back() == '\t'))
        commandLine.remove_suffix(1);
    const std::string_view word(kConfirmedWord);
    if (commandLine.size() < word.size()) return false;
    const size_t start = commandLine.size() - word.size();
    const bool alone = start == 0 || commandLine[start - 1] == ' ' || commandLine[start - 1] == '\t';
    return alone && EqualsNoCase(commandLine.substr(start), word);
}
