// The front-end's waits for programs outside it (the maker's updater, an older partner
// front-end): each at most Settings::ProgramWaitMs (two minutes unless set), so that a hung program cannot stall a start, a COM
// activation or the system's installation. A wait that runs out counts as a failed run and is
// written to the diagnostic log; after one the updater is not run again by this process.
#pragma once
#include <windows.h>

#include <string>

// RunUpdater with the bounded wait: 0, or -1 after a failed run, a run out wait, or when an
// earlier wait of this process ran out.
int RunUpdaterBounded(const std::string& arguments, char* output = nullptr, DWORD outputSize = 0);

// Runs program with arguments and waits for it within the bound; false when it could not be
// started or did not end in time (it is left running then).
bool RunProgramBounded(const std::string& program, const std::string& arguments);
