// The channel manager's command line: "RegServer", "UnregServer" and "Background", each
// introduced by "-" or "/" and recognised only when nothing follows it on the line.
#pragma once

enum class ServiceAction { Run, Register, Unregister };

struct ServiceCommand {
    ServiceAction action = ServiceAction::Run;
    bool background = false;
};

// Scans the whole command line (program path included). Each "-" or "/" introduces a word
// that is the entire rest of the line, compared without regard to case; "RegServer" and
// "UnregServer" end the scan, "Background" sets the flag, anything else is ignored.
ServiceCommand ScanServiceCommandLine(const char* commandLine);
