// The front-end's start: parse, server mode, the channel manager, the settings, one job, the
// Run value and updater state, registration, and the message loop of the long-lived starts.
#pragma once

// The process's exit code: the job's ZULError; 25 when the command line did not parse; 15 when
// the channel manager could not be created.
int RunVelorin(int argc, const char* const* argv);
