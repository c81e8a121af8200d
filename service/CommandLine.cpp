#include "service/CommandLine.h"

#include "common/TextCompare.h"

ServiceCommand ScanServiceCommandLine(const char* commandLine) {
    ServiceCommand command;
    if (!commandLine) return command;
    for (const char* p = commandLine; *p; ++p) {
        if (*p != '-' && *p != '/') continue;
        const char* word = p + 1;
        if (EqualsNoCase(word, "RegServer")) {
            command.action = ServiceAction::Register;
            return command;
        }
        if (EqualsNoCase(word, "UnregServer")) {
            command.action = ServiceAction::Unregister;
            return command;
        }
        if (EqualsNoCase(word, "Background")) command.background = true;
    }
    return command;
}
